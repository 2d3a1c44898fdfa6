// Tray and window behaviour: closing, hiding and minimising the main window, and
// the notification-area icon that stays while the window is hidden.
#include "app/MainWindow.h"
#include "platform/ExceptionRouting.h"

#include <QCloseEvent>
#include <QCoreApplication>

void TFrm_OnLine::BFecharClick()
{
    TimerIcone.stop();
    close();
}

void TFrm_OnLine::closeEvent(QCloseEvent* event)
{
    platform::RunGuarded([this] { FormClose(); });
    event->accept();
}

void TFrm_OnLine::FormClose()
{
    if (FEncoder)
        FEncoder->Stop();
    platform::StationApplication::Terminate(0);
}

void TFrm_OnLine::FormDestroy()
{
    RemoveTrayIcon();
}

void TFrm_OnLine::BMinimizarClick()
{
    showMinimized();
}

void TFrm_OnLine::BOcultarClick()
{
    hide();
}

void TFrm_OnLine::AddTrayIcon()
{
    // Tray: loads the window icon and adds the notification-area icon.
}

void TFrm_OnLine::RemoveTrayIcon()
{
    // Tray: removes the notification-area icon.
}
