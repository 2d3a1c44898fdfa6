#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QWidget>

int main(int argc, char** argv)
{
    platform::StationApplication app(argc, argv);
    platform::SetApplicationTitle(QStringLiteral("Zorvane Sonavia"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Studio Sonavia"));
    window.show();
    return app.exec();
}
