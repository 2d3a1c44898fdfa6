#include "spectrum/SpectrumAxes.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Columns {
    std::vector<std::int32_t> first, end;
};

Columns Map(FrequencyAxis axis, int width)
{
    Columns c{std::vector<std::int32_t>(std::size_t(width) + 10),
              std::vector<std::int32_t>(std::size_t(width) + 10)};
    LimitFrequencyAxis(axis);
    MapColumns(axis, width, c.first.data(), c.end.data());
    MarkContinuations(width, c.first.data(), c.end.data());
    return c;
}

// The columns [first, last] of the bar showing a bin, or {-1, -1}.
std::pair<int, int> ColumnsOf(const Columns& c, int bin, int width)
{
    for (int i = 0; i < width; ++i) {
        if (c.first[std::size_t(i)] != bin)
            continue;
        int last = i;
        while (last + 1 < width && c.first[std::size_t(last + 1)] < 0)
            ++last;
        return {i, last};
    }
    return {-1, -1};
}

const FrequencyAxis kStudioAxis{44100, 64, false, 1.0f, 1.0f};

TEST(SpectrumAxes, StudioLinearAxisGivesOneBarPerBin)
{
    const Columns c = Map(kStudioAxis, 170);
    const struct {
        int bin, first, last;
    } cases[] = {{0, 0, 5}, {1, 6, 10}, {2, 11, 15}, {3, 16, 21}, {31, 165, 169}};
    for (const auto& k : cases)
        EXPECT_EQ(ColumnsOf(c, k.bin, 170), std::make_pair(k.first, k.last)) << "bin " << k.bin;
    int bars = 0;
    for (int i = 0; i < 170; ++i)
        bars += c.first[std::size_t(i)] >= 0 ? 1 : 0;
    EXPECT_EQ(bars, 32);
}

TEST(SpectrumAxes, NarrowDisplayShowsTheLargestOfSeveralBins)
{
    // 16 columns for 64 bins: each column covers four bins.
    const Columns c = Map({44100, 128, false, 1.0f, 1.0f}, 16);
    EXPECT_EQ(c.first[1], 4);
    EXPECT_EQ(c.end[1], 8);
    EXPECT_EQ(c.end[15], 0) << "the last column keeps its first bin only";
}

TEST(SpectrumAxes, AxisLimitsKeepTheViewInsideTheSpectrum)
{
    FrequencyAxis linear{44100, 64, false, 3.0f, 20000.0f};
    LimitFrequencyAxis(linear);
    EXPECT_FLOAT_EQ(linear.startFrequency, 22050.0f - 44100.0f / 6.0f);
    FrequencyAxis zoomed{44100, 64, false, 40.0f, 1.0f};
    LimitFrequencyAxis(zoomed);
    EXPECT_EQ(zoomed.zoom, 16.0f);
    FrequencyAxis log{44100, 64, true, 1.0f, 1.0f};
    LimitFrequencyAxis(log);
    EXPECT_FLOAT_EQ(log.startFrequency, 44100.0f / 64);
}

TEST(SpectrumAxes, LogarithmicAxisSpreadsLowBinsOverMoreColumns)
{
    FrequencyAxis axis{44100, 64, true, 1.0f, 1.0f};
    const Columns c = Map(axis, 170);
    const auto low = ColumnsOf(c, 1, 170);
    const auto high = ColumnsOf(c, 20, 170);
    ASSERT_GE(low.first, 0);
    EXPECT_GT(low.second - low.first, 10);
    EXPECT_TRUE(high.first < 0 || high.second - high.first <= 2);
}

TEST(SpectrumAxes, StudioLinearFactorsTiltThreeDbPerOctave)
{
    const Columns c = Map(kStudioAxis, 170);
    std::vector<std::int32_t> factor(170), offset(32);
    const AmplitudeTables t =
        BuildAmplitudeTables({56, 44100, 64, 1000, 0.2f, sg3db, false}, c.first.data(), 170,
                             factor.data(), offset.data());
    EXPECT_EQ(t.shift, 21);
    const struct {
        int bin, factor;
    } cases[] = {{0, 930}, {1, 1315}, {5, 2278}, {31, 5260}};
    for (const auto& k : cases)
        EXPECT_EQ(factor[std::size_t(ColumnsOf(c, k.bin, 170).first)], k.factor) << k.bin;
    EXPECT_EQ(factor[1], 0) << "continuation columns";
}

// Full scale at the reference frequency reaches the top of the display whatever
// the tilt: (magnitude x 16) x factor >> shift = H.
TEST(SpectrumAxes, EveryTiltPassesTheReferenceAtUnityGain)
{
    const std::int32_t first[1] = {0};
    for (TMMSpectrumGain gain : {sgNone, sg6db, sg12db}) {
        std::int32_t factor[1];
        std::int32_t offset[1];
        const AmplitudeTables t = BuildAmplitudeTables({100, 44100, 64, 1000, 1.0f, gain, false},
                                                       first, 1, factor, offset);
        // The differences scale a sine of f by (2 pi f / SR)^order.
        const double tilt = std::pow(2 * 3.14159265358979 * 1000 / 44100, DifferenceOrder(gain));
        const double bar = 32768.0 * tilt * 16 * factor[0] / std::pow(2.0, t.shift);
        EXPECT_NEAR(bar, 100, 1.5) << "gain " << int(gain);
    }
}

TEST(SpectrumAxes, LogarithmicTablesPutSixtyDbOnTheDisplay)
{
    const std::int32_t first[2] = {0, 1};
    std::int32_t factor[2];
    std::int32_t offset[32];
    const AmplitudeTables t =
        BuildAmplitudeTables({60, 44100, 64, 1000, 1.0f, sgNone, true}, first, 2, factor, offset);
    // Power of a full-scale bin in log units, less the offset, is the full height.
    auto bar = [&](double amplitude) {
        const double units = std::log(amplitude * amplitude) * kLogUnitsPerLn - offset[0];
        return units * factor[0] / std::pow(2.0, t.shift);
    };
    EXPECT_NEAR(bar(32768), 60, 0.1);
    EXPECT_NEAR(bar(32768 / 1000.0), 0, 0.1) << "-60 dB at the bottom";
    EXPECT_EQ(factor[0], factor[1]);
}

TEST(SpectrumAxes, SpotGeometryByKind)
{
    const struct {
        TMMSpectrumKind kind;
        int height, spotHeight, spotSpace, point1, point2;
        SpotGeometry expected;
    } cases[] = {
        {skBars, 56, 1, 1, 50, 75, {28, 0, 14, 21}},
        {skPeaks, 57, 2, 1, 50, 85, {19, 0, 10, 16}}, // 9.5 rounds to even
        {skBars, 60, 3, 2, 50, 85, {12, 1, 6, 10}},
        {skLines, 56, 1, 1, 50, 75, {28, 0, 28, 42}},
        {skDots, 56, 1, 1, 50, 75, {28, 0, 28, 14}},
        {skScroll, 60, 1, 1, 50, 75, {30, 0, 10, 15}},
    };
    for (const auto& k : cases) {
        const SpotGeometry g =
            SpotGeometryFor(k.kind, k.height, k.spotHeight, k.spotSpace, k.point1, k.point2);
        EXPECT_EQ(g.spots, k.expected.spots) << int(k.kind);
        EXPECT_EQ(g.bottomOffset, k.expected.bottomOffset) << int(k.kind);
        EXPECT_EQ(g.t1, k.expected.t1) << int(k.kind);
        EXPECT_EQ(g.t2, k.expected.t2) << int(k.kind);
    }
}

} // namespace
