#include "app/MainWindow.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"
#include "platform/SystemInfo.h"

int main(int argc, char** argv)
{
    platform::StationApplication application(argc, argv);
    platform::SetApplicationTitle(QStringLiteral("Zorvane Sonavia"));
    platform::LinuxSystemInfo system;
    TFrm_OnLine window(app::StationServices{system});
    window.show();
    return application.exec();
}
