#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <optional>

namespace platform {

// The one application-wide handler that every error escaping a user-interface
// handler (timer, button, posted event) reaches.
using AppExceptionHandler = std::function<void(const std::exception&)>;

void SetAppExceptionHandler(AppExceptionHandler handler);

// Hands an error to the handler. On the user-interface thread it runs at once;
// from any other thread it is queued to the user-interface thread.
void ReportException(std::exception_ptr error);

// Runs an action and routes whatever it throws to the handler; for code that
// cannot let an error escape (for example a driver thread).
void RunGuarded(const std::function<void()>& action);

// A handler for a signal connection that reports its own errors. Qt's own frames
// are built without unwinding clean-up, so an error that travels through them to
// StationApplication::notify leaks the event being delivered; handlers stop it at
// their own boundary and notify stays the safety net.
std::function<void()> Guarded(std::function<void()> action);

// The application object: routes exceptions escaping event delivery to the handler
// instead of letting them terminate the program.
class StationApplication final : public QApplication {
public:
    StationApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Ends the program wherever it is called from: every running event loop stops, and
    // a main loop that has not started yet (a box shown during start-up runs a loop of
    // its own before it) does not start.
    static void Terminate(int exitCode);
    // The main loop, unless Terminate came first.
    int Run();

private:
    static inline std::optional<int> terminated_;
};

} // namespace platform
