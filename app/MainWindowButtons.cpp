#include "app/ConfigWindow.h"
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

void TFrm_OnLine::BConfigClick()
{
    Frm_Config->ShowAccountView();
}
