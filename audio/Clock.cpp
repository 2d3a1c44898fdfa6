#include "audio/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <thread>

std::uint64_t MicrosecondClock()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void PumpingDelay(std::uint32_t ms, bool pumpMessages)
{
    if (ms == 0)
        return;
    if (!pumpMessages || QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired() && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(deadline.remainingTime()));
}
