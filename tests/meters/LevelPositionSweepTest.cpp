// Every possible level through the engine's position conversion, against an
// independent reference worked in long double. Hand-picked levels rarely land on
// a .5 boundary, where an extra rounding of an intermediate step shows.
#include "meters/LevelEngine.h"

#include "audio/TickService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace {

struct Setting {
    LevelKind kind;
    int range;
    int sensitivy;
    bool logAmp;
};

void PrintTo(const Setting& s, std::ostream* os)
{
    *os << (s.kind == LevelKind::Bar ? "bar" : "needle") << " R " << s.range << ", Sensitivy "
        << s.sensitivy << (s.logAmp ? ", dB" : ", linear");
}

// The conversion as the measuring rules state it: the dB value (or the bottom
// amplitude) rounded to single precision, everything else in extended precision,
// the result rounded half to even and clipped to the display.
long double ReferencePosition(const Setting& s, int g)
{
    const long double r = s.range;
    const long double sens = s.sensitivy;
    long double p;
    if (s.logAmp) {
        const long double floorRatio = s.kind == LevelKind::Bar ? 1e-6L : 1e-5L;
        const long double ratio = std::max(g / 32767.0L, floorRatio);
        const float db = static_cast<float>(20.0L * std::log10(ratio));
        p = (db - sens) * r / -sens;
    } else {
        const float bottom = static_cast<float>(32767.0L / std::pow(10.0L, -sens / 20.0L));
        p = (g - static_cast<long double>(bottom)) * r / (32767.0L - bottom);
    }
    const long double rounded = std::max(std::nearbyint(p), 0.0L);
    return std::min(rounded, r);
}

class LevelPositionSweepTest : public ::testing::TestWithParam<Setting> {
protected:
    void SetUp() override { TickServiceSetManual(true); }
    void TearDown() override { TickServiceSetManual(false); }
};

TEST_P(LevelPositionSweepTest, EveryLevelLandsOnTheReferencePosition)
{
    const Setting& s = GetParam();
    LevelEngine engine(s.kind);
    engine.SetRange(s.range);
    engine.SetSensitivy(s.sensitivy);
    engine.SetLogAmp(s.logAmp);
    int mismatches = 0;
    for (int g = 0; g <= 32767; ++g) {
        engine.UpdateLevel(g);
        const auto expected = static_cast<int>(ReferencePosition(s, g));
        if (engine.DisplayedPosition() != expected && ++mismatches <= 5)
            ADD_FAILURE() << "level " << g << ": position " << engine.DisplayedPosition()
                          << ", expected " << expected;
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(BarAndNeedle, LevelPositionSweepTest,
                         ::testing::Values(Setting{LevelKind::Bar, 79, -35, true},
                                           Setting{LevelKind::Bar, 79, -50, true},
                                           Setting{LevelKind::Bar, 40, -90, true},
                                           Setting{LevelKind::Bar, 79, -35, false},
                                           Setting{LevelKind::Bar, 158, -9, false},
                                           Setting{LevelKind::Needle, 32767, -50, true},
                                           Setting{LevelKind::Needle, 32767, -35, true},
                                           Setting{LevelKind::Needle, 32767, -50, false},
                                           Setting{LevelKind::Needle, 32767, -20, false}));

// The case that exposed the extra rounding: exactly on a .5 boundary.
TEST(LevelPositionBoundary, SeventeenThousandSixHundredThirtyEightIsSeventyOfSeventyNine)
{
    TickServiceSetManual(true);
    LevelEngine bar(LevelKind::Bar);
    bar.SetRange(79);
    bar.SetSensitivy(-50);
    bar.UpdateLevel(17638);
    EXPECT_EQ(bar.DisplayedPosition(), 70);
    TickServiceSetManual(false);
}

} // namespace
