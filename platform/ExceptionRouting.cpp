#include "platform/ExceptionRouting.h"

#include "platform/BrowserEngineSwitches.h"

#include <QMetaObject>
#include <QThread>
#include <cstdio>

namespace platform {
namespace {

AppExceptionHandler& Handler()
{
    static AppExceptionHandler handler;
    return handler;
}

void Deliver(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        if (Handler()) {
            Handler()(e);
        } else {
            std::fprintf(stderr, "unhandled error: %s\n", e.what());
        }
    } catch (...) {
        std::fprintf(stderr, "unhandled error of unknown type\n");
    }
}

bool OnUiThread()
{
    const auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

void SetAppExceptionHandler(AppExceptionHandler handler)
{
    Handler() = std::move(handler);
}

void ReportException(std::exception_ptr error)
{
    if (OnUiThread()) {
        Deliver(error);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [error] { Deliver(error); }, Qt::QueuedConnection);
}

void RunGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        ReportException(std::current_exception());
    }
}

std::function<void()> Guarded(std::function<void()> action)
{
    return [action = std::move(action)] { RunGuarded(action); };
}

namespace {

// The browser engine reads its switches when the application object is made.
int& WithBrowserEnginePrepared(int& argc)
{
    PrepareBrowserEngine();
    return argc;
}

} // namespace

StationApplication::StationApplication(int& argc, char** argv)
    : QApplication(WithBrowserEnginePrepared(argc), argv)
{
}

void StationApplication::Terminate(int exitCode)
{
    terminated_ = exitCode;
    QCoreApplication::exit(exitCode);
}

int StationApplication::Run()
{
    return terminated_ ? *terminated_ : exec();
}

bool StationApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Deliver(std::current_exception());
        return false;
    }
}

} // namespace platform
