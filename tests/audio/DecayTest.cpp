#include "audio/Decay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Decay, FactorIsRepeatedSingleSquareRoots)
{
    const float expected[] = {0.01f,      0.1f,        0.31622776f, 0.56234133f, 0.7498942f,
                              0.8659643f, 0.93057203f, 0.9646616f,  0.9821719f};
    for (int decay = 1; decay <= 9; ++decay)
        EXPECT_FLOAT_EQ(DecaySettingsFor(decay).factor, expected[decay - 1]) << decay;
    EXPECT_NEAR(DecaySettingsFor(16).factor, 0.99986f, 0.00001f);
    EXPECT_EQ(DecaySettingsFor(0).window, 1); // clamped to Decay 1
    EXPECT_EQ(DecaySettingsFor(8).window, 14);
    EXPECT_EQ(DecaySettingsFor(17).window, 30);
}

TEST(Decay, StepUpHoldsThePeakAndFallsGeometrically)
{
    const DecaySettings settings = DecaySettingsFor(8);
    DecayClock clock;
    DecayChannel channel;
    std::vector<std::int32_t> levels;
    for (std::int32_t a : {32767, 0, 0, 0, 0, 0, 0}) {
        clock.Advance(settings.window);
        levels.push_back(channel.Apply(dmStepUp, settings, clock, a));
    }
    EXPECT_EQ(levels, (std::vector<std::int32_t>{32767, 31609, 30492, 29414, 28375, 27372, 26405}));
    clock.Advance(settings.window);
    EXPECT_EQ(channel.Apply(dmStepUp, settings, clock, 30000), 30000); // a rise shows at once
}

TEST(Decay, ExponentialSmoothsRiseAndFall)
{
    const DecaySettings settings = DecaySettingsFor(2); // factor 0.1
    DecayClock clock;
    DecayChannel channel;
    clock.Advance(settings.window);
    EXPECT_EQ(channel.Apply(dmExponential, settings, clock, 10000), 9000); // 0.9 * 10000
    clock.Advance(settings.window);
    EXPECT_EQ(channel.Apply(dmExponential, settings, clock, 0), 900);
}

TEST(Decay, UniformAveragesTheWindowAndFewerWhileFilling)
{
    const DecaySettings settings = DecaySettingsFor(3); // window 4
    DecayClock clock;
    DecayChannel channel;
    std::vector<std::int32_t> levels;
    for (std::int32_t a : {400, 0, 200, 0, 0, 0, 0}) {
        clock.Advance(settings.window);
        levels.push_back(channel.Apply(dmUniform, settings, clock, a));
    }
    // 400/1, 400/2, 600/3, 600/4, then the 400 leaves the window, then the 200.
    EXPECT_EQ(levels, (std::vector<std::int32_t>{400, 200, 200, 150, 50, 50, 0}));
}

TEST(Decay, NoneAndResetLeaveNothingBehind)
{
    const DecaySettings settings = DecaySettingsFor(8);
    DecayClock clock;
    DecayChannel channel;
    clock.Advance(settings.window);
    EXPECT_EQ(channel.Apply(dmNone, settings, clock, 1234), 1234);
    EXPECT_EQ(channel.Apply(dmStepUp, settings, clock, 32767), 32767);
    channel.Reset();
    clock.Reset();
    clock.Advance(settings.window);
    EXPECT_EQ(channel.Apply(dmStepUp, settings, clock, 0), 0);
    EXPECT_EQ(clock.fill, 1);
}

} // namespace
