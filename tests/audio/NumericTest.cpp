#include "audio/Numeric.h"
#include "audio/PropertyRule.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(Numeric, ScaleRoundedRoundsToNearestIn64Bits)
{
    EXPECT_EQ(ScaleRounded(1, 1, 2), 1);
    EXPECT_EQ(ScaleRounded(1, 1, 3), 0);
    EXPECT_EQ(ScaleRounded(2, 1, 3), 1);
    EXPECT_EQ(ScaleRounded(3'000'000'000LL, 1000, 1000), 3'000'000'000LL);
}

TEST(Numeric, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(7, -35, 7), -35);
    EXPECT_EQ(MulDiv(49, 11, 100), 5);
    EXPECT_EQ(MulDiv(79, 11, 100), 9);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(Numeric, RoundHalfEvenTiesToTheEvenNeighbourAndSaturates)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(1e12), 2147483647);
    EXPECT_EQ(RoundHalfEven(-1e12), -2147483647);
}

TEST(PropertyRule, ACurrentValueRunsNothingANewOneRunsEveryEffectInOrder)
{
    int field = 3;
    std::vector<std::string> ran;
    const auto recompute = [&] { ran.push_back("recompute " + std::to_string(field)); };
    const auto repaint = [&] { ran.push_back("repaint"); };

    EXPECT_FALSE(SetProperty(field, 3, recompute, repaint));
    EXPECT_TRUE(ran.empty());

    EXPECT_TRUE(SetProperty(field, 7, recompute, repaint));
    EXPECT_EQ(field, 7);
    EXPECT_EQ(ran, (std::vector<std::string>{"recompute 7", "repaint"}));
}

} // namespace
