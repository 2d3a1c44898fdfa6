#include "platform/BrowserEngineSwitches.h"

#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QLoggingCategory>
#include <unistd.h>

namespace platform {

namespace {

bool HasRenderNode()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System)
                .isEmpty();
}

} // namespace

QByteArray BrowserEngineSwitches(const QByteArray& given, bool runningAsRoot, bool hasGpu)
{
    QByteArray switches = given.trimmed();
    const QList<QByteArray> present = switches.split(' ');
    const auto add = [&](const QByteArray& name) {
        if (present.contains(name))
            return;
        if (!switches.isEmpty())
            switches += ' ';
        switches += name;
    };
    if (runningAsRoot)
        add("--no-sandbox");
    if (!hasGpu)
        add("--disable-gpu");
    return switches;
}

void PrepareBrowserEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine lists its start-up parameters on every start; QT_LOGGING_RULES can
    // still ask for them.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    const char* name = "QTWEBENGINE_CHROMIUM_FLAGS";
    const QByteArray switches =
        BrowserEngineSwitches(qgetenv(name), geteuid() == 0, HasRenderNode());
    if (!switches.isEmpty())
        qputenv(name, switches);
}

} // namespace platform
