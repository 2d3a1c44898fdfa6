#include "spectrum/MMFFT.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr int Order = 6; // n = 64
constexpr int Length = 1 << Order;

std::vector<std::int32_t> Table(TMMFFTWindow kind)
{
    std::vector<std::int32_t> table(Length, -1);
    FillWindowTable(table.data(), kind, Order);
    return table;
}

struct EdgeValues {
    TMMFFTWindow kind;
    std::int32_t atStart;   // i = 0
    std::int32_t atQuarter; // i = n/4
    std::int32_t atMiddle;  // i = n/2
};

constexpr std::array<EdgeValues, 7> Expected{{
    {fwRectangular, 32767, 32767, 32767},
    {fwHamming, 2621, 17694, 32767},
    {fwHanning, 0, 16384, 32767},
    {fwBlackman, 0, 11141, 32767},
    {fwGaussian, 221, 9388, 32767},
    {fwWelch, 1000, 24825, 32767},
    {fwParzen, 504, 16636, 32767},
}};

} // namespace

TEST(FftWindow, EdgeValuesOfEveryKindAtLength64)
{
    for (const EdgeValues& e : Expected) {
        SCOPED_TRACE(static_cast<int>(e.kind));
        const auto table = Table(e.kind);
        EXPECT_EQ(table[0], e.atStart);
        EXPECT_EQ(table[Length / 4], e.atQuarter);
        EXPECT_EQ(table[Length / 2], e.atMiddle);
    }
}

TEST(FftWindow, RectangularIsFullScaleEverywhere)
{
    for (std::int32_t value : Table(fwRectangular))
        EXPECT_EQ(value, 32767);
}

TEST(FftWindow, EveryKindIsSymmetricAboutTheMiddle)
{
    for (const EdgeValues& e : Expected) {
        SCOPED_TRACE(static_cast<int>(e.kind));
        const auto table = Table(e.kind);
        EXPECT_EQ(table[Length - 1], table[1]);
        for (int j = 1; j < Length / 2; ++j)
            EXPECT_EQ(table[Length / 2 + j], table[Length / 2 - j]) << "j = " << j;
    }
}

TEST(FftWindow, TaperedKindsRiseMonotonicallyToTheMiddle)
{
    for (TMMFFTWindow kind : {fwHamming, fwHanning, fwBlackman, fwGaussian, fwWelch, fwParzen}) {
        SCOPED_TRACE(static_cast<int>(kind));
        const auto table = Table(kind);
        for (int i = 1; i <= Length / 2; ++i)
            EXPECT_LT(table[i - 1], table[i]) << "i = " << i;
    }
}

TEST(FftWindow, UnknownKindWeighsLikeRectangular)
{
    const auto unknown = static_cast<TMMFFTWindow>(7);
    EXPECT_EQ(WindowWeight(unknown, 3, 64), 1.0f);
    EXPECT_EQ(Table(unknown), Table(fwRectangular));
}

TEST(FftWindow, FillsExactlyOneEntryPerSample)
{
    std::vector<std::int32_t> table(17, -1);
    FillWindowTable(table.data(), fwHanning, 4);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[8], 32767);
    EXPECT_EQ(table[15], table[1]);
    EXPECT_EQ(table[16], -1) << "wrote past 2^order entries";
}

TEST(FftWindow, OutOfRangeOrderOrNullTableWritesNothing)
{
    std::vector<std::int32_t> table(4, -1);
    FillWindowTable(table.data(), fwHamming, -1);
    FillWindowTable(table.data(), fwHamming, 31);
    EXPECT_EQ(table, std::vector<std::int32_t>(4, -1));
    FillWindowTable(nullptr, fwHamming, 2); // must not crash
}
