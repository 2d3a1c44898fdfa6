#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM and SIGINT into the Received signal on the thread that owns this
// object, so that a plain kill or Ctrl-C closes the program like its close button.
// One instance at a time.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received();

private:
    void Drain();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace platform
