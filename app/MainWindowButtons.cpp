#include "app/MainWindow.h"

void TFrm_OnLine::BFecharClick()
{
    TimerIcone.stop();
    close();
}

void TFrm_OnLine::BMinimizarClick()
{
    showMinimized();
}

void TFrm_OnLine::BOcultarClick()
{
    hide();
}
