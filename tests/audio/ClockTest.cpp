#include "audio/Clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(ClockTest, MicrosecondsNeverRunBackwards)
{
    std::uint64_t last = MicrosecondClock();
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t now = MicrosecondClock();
        ASSERT_GE(now, last);
        last = now;
    }
}

TEST(ClockTest, APumpingDelayServesPostedEventsWhileItWaits)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    const std::uint64_t started = MicrosecondClock();
    PumpingDelay(30, true);
    EXPECT_TRUE(ran);
    EXPECT_GE(MicrosecondClock() - started, 29'000u);
}

TEST(ClockTest, APlainDelayLeavesEventsWaitingAndZeroReturnsAtOnce)
{
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    PumpingDelay(5, false);
    EXPECT_FALSE(ran);
    PumpingDelay(0, true);
    EXPECT_FALSE(ran) << "no wait, so nothing is pumped";
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

} // namespace
