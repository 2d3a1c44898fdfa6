#include "app/MainWindow.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"
#include "platform/SystemInfo.h"
#include "platform/TerminationSignals.h"

int main(int argc, char** argv)
{
    platform::StationApplication application(argc, argv);
    platform::SetApplicationTitle(QStringLiteral("Zorvane Sonavia"));
    platform::LinuxSystemInfo system;
    // A plain kill or Ctrl-C closes the station like its close button: encoder stopped.
    platform::TerminationSignals termination;
    TFrm_OnLine window(app::StationServices{system});
    QObject::connect(&termination, &platform::TerminationSignals::Received, &window,
                     [&window] { platform::RunGuarded([&window] { window.FormClose(); }); });
    window.show();
    return application.Run();
}
