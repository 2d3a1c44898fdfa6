#include "AllocationCounter.h"
#include "spectrum/MMFFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <numbers>

namespace {

constexpr long double Pi = std::numbers::pi_v<long double>;

// Half a float ulp of a value below 1, plus room for the rotation recurrence's drift.
constexpr double TableTolerance = 7e-8;

int Reverse(int value, int bits)
{
    int reversed = 0;
    for (int b = 0; b < bits; ++b)
        reversed = (reversed << 1) | ((value >> b) & 1);
    return reversed;
}

} // namespace

TEST(FftPlan, OrdersOutsideTheRangeGiveNoPlan)
{
    EXPECT_EQ(NewTransformPlan(0), nullptr);
    EXPECT_EQ(NewTransformPlan(-3), nullptr);
    EXPECT_EQ(NewTransformPlan(32), nullptr);
    // 2^31 does not fit the plan's signed 32-bit length.
    EXPECT_EQ(NewTransformPlan(31), nullptr);
}

TEST(FftPlan, DisposeFreesAndNullsAndIgnoresNull)
{
    TransformPlan* plan = NewTransformPlan(6);
    ASSERT_NE(plan, nullptr);
    DisposeTransformPlan(plan);
    EXPECT_EQ(plan, nullptr);
    DisposeTransformPlan(plan);
    EXPECT_EQ(plan, nullptr);
}

TEST(FftPlan, HeaderDescribesTheLength)
{
    TransformPlan* plan = NewTransformPlan(10);
    ASSERT_NE(plan, nullptr);
    EXPECT_EQ(plan->Order, 10);
    EXPECT_EQ(plan->Length, 1024);
    EXPECT_EQ(plan->InvLength, 1.0f / 1024);
    DisposeTransformPlan(plan);
}

TEST(FftPlan, BitReversalReversesTheLowOrderMinusOneBits)
{
    for (int order : {1, 2, 3, 6, 12}) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const int points = plan->Length / 2;
        for (int i = 0; i < points; ++i)
            ASSERT_EQ(plan->BitRev[i], Reverse(i, order - 1)) << "i = " << i;
        DisposeTransformPlan(plan);
    }
}

TEST(FftPlan, TwiddleRecordsHoldRotationsFromKEqualsOne)
{
    for (int order : {3, 6, 13}) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const int points = plan->Length / 2;
        for (int k = 1; k <= points / 4; ++k) {
            const long double theta = 2 * Pi / points;
            const TwiddleRecord& r = plan->Twiddle[k - 1];
            ASSERT_NEAR(r.Cos1, std::cos(k * theta), TableTolerance) << "k = " << k;
            ASSERT_NEAR(r.NegSin1, -std::sin(k * theta), TableTolerance) << "k = " << k;
            ASSERT_NEAR(r.Cos3, std::cos(3 * k * theta), TableTolerance) << "k = " << k;
            ASSERT_NEAR(r.NegSin3, -std::sin(3 * k * theta), TableTolerance) << "k = " << k;
        }
        DisposeTransformPlan(plan);
    }
}

TEST(FftPlan, SmallPlansBuildNoTwiddles)
{
    TransformPlan* plan = NewTransformPlan(2); // N = 2
    ASSERT_NE(plan, nullptr);
    EXPECT_EQ(plan->Twiddle, nullptr);
    ASSERT_NE(plan->Split, nullptr);
    EXPECT_NEAR(plan->Split[0].HalfCos, 0.0, TableTolerance);
    EXPECT_NEAR(plan->Split[0].HalfOneMinusSin, 0.0, TableTolerance);
    DisposeTransformPlan(plan);
}

TEST(FftPlan, SplitRecordsHoldHalfCosineAndHalfOneMinusSine)
{
    for (int order : {3, 6, 13}) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const int points = plan->Length / 2;
        for (int k = 1; k <= points / 2; ++k) {
            const long double phi = Pi / points;
            const SplitRecord& r = plan->Split[k - 1];
            ASSERT_NEAR(r.HalfCos, 0.5L * std::cos(k * phi), TableTolerance) << "k = " << k;
            ASSERT_NEAR(r.HalfOneMinusSin, 0.5L - 0.5L * std::sin(k * phi), TableTolerance)
                << "k = " << k;
        }
        DisposeTransformPlan(plan);
    }
}

// The eighth-turn rotations are taken from the table like the others, so its record
// for k = N/8 must hold exactly the float value of sqrt(1/2).
TEST(FftPlan, EighthTurnRecordHoldsFloatSqrtHalfExactly)
{
    for (int order = 4; order <= 14; ++order) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const TwiddleRecord& r = plan->Twiddle[plan->Length / 16 - 1];
        EXPECT_EQ(r.Cos1, 0.70710677f);
        EXPECT_EQ(r.NegSin1, -0.70710677f);
        EXPECT_EQ(r.Cos3, -0.70710677f);
        EXPECT_EQ(r.NegSin3, -0.70710677f);
        DisposeTransformPlan(plan);
    }
}

// Each of the plan's four blocks may be the one that fails; what was taken before it
// is given back.
TEST(FftPlan, OutOfMemoryRaisesBadAllocAndLeaksNothing)
{
    for (std::size_t failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(failing);
        const std::size_t liveBefore = LiveAllocations();
        FailAllocationAfter(failing);
        EXPECT_THROW(NewTransformPlan(8), std::bad_alloc);
        EXPECT_EQ(LiveAllocations(), liveBefore);
    }
    TransformPlan* plan = NewTransformPlan(8); // the failure was used up
    EXPECT_NE(plan, nullptr);
    DisposeTransformPlan(plan);
}
