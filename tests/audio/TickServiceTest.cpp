#include "audio/TickService.h"

#include <gtest/gtest.h>

namespace {

// Drives the shared service by hand so that no test waits for real time.
class TickServiceTest : public ::testing::Test {
protected:
    void SetUp() override { TickServiceSetManual(true); }
    void TearDown() override
    {
        for (TickHandler* h : handlers)
            TickServiceRemove(h);
        TickServiceSetManual(false);
    }
    TickHandler* Add(std::int32_t intervalMs, int* counter, std::int32_t disableCount = 0)
    {
        TickHandler* h = TickServiceAdd(
            intervalMs, disableCount,
            [](TickHandler*, void* owner) { ++*static_cast<int*>(owner); }, counter);
        handlers.push_back(h);
        return h;
    }
    static void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            TickServiceTickNow();
    }
    std::vector<TickHandler*> handlers;
};

TEST_F(TickServiceTest, ShortIntervalsRunEveryTick)
{
    int runs = 0;
    ASSERT_NE(Add(10, &runs), nullptr);
    Ticks(5);
    EXPECT_EQ(runs, 5);
}

TEST_F(TickServiceTest, HundredMillisecondsRunEveryFourthTick)
{
    int runs = 0;
    Add(100, &runs);
    Ticks(3);
    EXPECT_EQ(runs, 0);
    Ticks(1);
    EXPECT_EQ(runs, 1);
    Ticks(8);
    EXPECT_EQ(runs, 3);
}

TEST_F(TickServiceTest, SuspendingResetsTheElapsedTime)
{
    int runs = 0;
    TickHandler* h = Add(100, &runs);
    Ticks(3);
    TickServiceSuspend(h);
    Ticks(10);
    EXPECT_EQ(runs, 0) << "a suspended handler does not run";
    TickServiceResume(h);
    Ticks(3);
    EXPECT_EQ(runs, 0) << "the three ticks before the suspension were forgotten";
    Ticks(1);
    EXPECT_EQ(runs, 1);
}

TEST_F(TickServiceTest, ADisableCountNeedsAsManyResumes)
{
    int runs = 0;
    TickHandler* h = Add(25, &runs, 2);
    Ticks(2);
    TickServiceResume(h);
    Ticks(2);
    EXPECT_EQ(runs, 0);
    TickServiceResume(h);
    TickServiceResume(h); // below 0 it stays 0
    Ticks(2);
    EXPECT_EQ(runs, 2);
    TickServiceSuspend(h);
    Ticks(2);
    EXPECT_EQ(runs, 2);
}

TEST_F(TickServiceTest, RemovedAndUnknownHandlersAreHandledSafely)
{
    int a = 0, b = 0;
    TickHandler* first = Add(25, &a);
    Add(25, &b);
    const int count = TickServiceHandlerCount();
    TickServiceRemove(first);
    handlers.erase(handlers.begin());
    TickServiceRemove(first); // no longer listed: left alone
    EXPECT_EQ(TickServiceHandlerCount(), count - 1);
    Ticks(2);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 2);
}

} // namespace
