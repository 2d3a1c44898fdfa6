#include "meters/OscopeColumns.h"
#include "meters/OscopeGeometry.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<std::uint8_t> Pcm16(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

TEST(OscopeColumns, BytesPerRefreshFollowsZoomAndScroll)
{
    const OscopeLayout stereo16{b16Bit, mStereo, chBoth};
    const OscopeLayout mono8{b8Bit, mMono, chBoth};
    struct Case {
        OscopeLayout layout;
        int zoom;
        bool scroll;
        int expected;
    } cases[] = {
        {stereo16, 1, false, 680},                            // one frame per column
        {stereo16, -1, false, 344},                           // (680 div 2 + 5) rounded down to 4
        {stereo16, 3, false, 2040}, {stereo16, 1, true, 512}, // 128 frames
        {mono8, -9, false, 20},                               // 170 div 10 + 5 = 22 -> 20
    };
    for (const Case& c : cases)
        EXPECT_EQ(OscopeBytesPerRefresh(c.layout, 170, c.zoom, c.scroll, 128), c.expected)
            << "zoom " << c.zoom;
}

// Reading past the block would read memory the connector does not guarantee.
TEST(OscopeColumns, NegativeZoomNeverReadsPastTheBlock)
{
    for (const TMMBits bits : {b8Bit, b16Bit})
        for (const TMMMode mode : {mMono, mStereo}) {
            const OscopeLayout layout{bits, mode, chBoth};
            for (int zoom = -9; zoom <= -1; ++zoom)
                for (int columns = 4; columns <= 400; ++columns) {
                    const int lastFrame = (columns - 1) / (1 - zoom);
                    const int bytes = OscopeBytesPerRefresh(layout, columns, zoom, false, 128);
                    ASSERT_LE((lastFrame + 1) * layout.FrameBytes(), bytes)
                        << "zoom " << zoom << ", " << columns << " columns";
                }
        }
}

TEST(OscopeColumns, FrameValueTakesTheChosenChannel)
{
    const auto pcm16 = Pcm16({1000, -3001});
    const std::vector<std::uint8_t> pcm8{255, 0};
    struct Case {
        OscopeLayout layout;
        const std::uint8_t* data;
        int expected;
    } cases[] = {
        {{b16Bit, mMono, chRight}, pcm16.data(), 1000}, // mono ignores the channel
        {{b16Bit, mStereo, chLeft}, pcm16.data(), 1000},
        {{b16Bit, mStereo, chRight}, pcm16.data(), -3001},
        {{b16Bit, mStereo, chBoth}, pcm16.data(), -1000}, // -2001 div 2
        {{b8Bit, mMono, chBoth}, pcm8.data(), 32512},     // 255 * 256 - 32768
        {{b8Bit, mStereo, chLeft}, pcm8.data(), 32512},
        {{b8Bit, mStereo, chRight}, pcm8.data(), -32768},
        {{b8Bit, mStereo, chBoth}, pcm8.data(), -256}, // (255 + 0) shr 1 = 127
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameValue(c.layout, c.data, 0), c.expected)
            << int(c.layout.bits) << "/" << int(c.layout.mode) << "/" << int(c.layout.channel);
}

TEST(OscopeColumns, ZoomPicksOrRepeatsFramesAndLowPassSmooths)
{
    const auto pcm = Pcm16({0, 400, 800, 1200, 1600, 2000, 2400, 2800, 3200});
    const OscopeLayout mono{b16Bit, mMono, chBoth};
    struct Case {
        int zoom;
        bool lowPass;
        std::vector<std::int16_t> expected;
    } cases[] = {
        {2, false, {0, 800, 1600, 2400}},
        {-1, false, {0, 0, 400, 400}},
        {-2, false, {0, 0, 0, 400}},
        {1, true, {0, 300, 700, 1100}}, // (before + 3 x this) div 4, 0 before column 0
    };
    for (const Case& c : cases) {
        std::vector<std::int16_t> columns(4);
        FillColumns(mono, pcm.data(), c.zoom, c.lowPass, columns);
        EXPECT_EQ(columns, c.expected) << "zoom " << c.zoom;
    }
}

TEST(OscopeColumns, RecorderTakesTheExtremesInTheOrderTheyOccurred)
{
    // Left rises to its maximum before its minimum; right the other way round.
    const auto pcm = Pcm16({0, 0, 900, -50, -700, 40, 10, 600});
    const std::vector<std::uint8_t> pcm8{128, 200, 10, 128};
    struct Case {
        OscopeLayout layout;
        const std::uint8_t* data;
        MinMaxPair expected;
    } cases[] = {
        {{b16Bit, mStereo, chLeft}, pcm.data(), {900, -700}},
        {{b16Bit, mStereo, chRight}, pcm.data(), {-50, 600}},
        {{b16Bit, mStereo, chBoth}, pcm.data(), {425, -50}}, // means of the two pairs
        {{b8Bit, mMono, chBoth}, pcm8.data(), {(200 - 128) * 256, (10 - 128) * 256}},
    };
    for (const Case& c : cases) {
        const MinMaxPair got = RecorderExtremes(c.layout, c.data, 4);
        EXPECT_EQ(got.first, c.expected.first);
        EXPECT_EQ(got.second, c.expected.second);
    }
}

TEST(OscopeGeometry, MapsValuesToRowsWithOverflows)
{
    struct Case {
        int value, gain;
        TMMOscopeKind kind;
        int row;
        bool pcmOverflow, gainOverflow;
    } cases[] = {
        {0, 0, okDots, 28, false, false},
        {32767, 0, okDots, 0, true, false},
        {-32768, 0, okDots, 55, false, false},
        {32512, 0, okDots, 0, false, false}, // the loudest 8-bit sample
        {16384, 32, okDots, -43, false, true},
        {-16384, 0, okSpikes, 27, false, false}, // magnitude from the bottom
        {32767, 0, okSpikes, -1, true, false},
    };
    for (const Case& c : cases) {
        const OscopeRow got = MapValue(c.value, c.gain, c.kind, 56);
        EXPECT_EQ(got.Row(56), c.row) << c.value;
        EXPECT_EQ(got.pcmOverflow, c.pcmOverflow) << c.value;
        EXPECT_EQ(got.gainOverflow, c.gainOverflow) << c.value;
    }
}

TEST(OscopeGeometry, GridDivisionsShrinkOnSmallPlots)
{
    EXPECT_EQ(AmpDivisions(200), 10);
    EXPECT_EQ(AmpDivisions(54), 4);
    EXPECT_EQ(AmpDivisions(10), 4); // never fewer than 4
    EXPECT_EQ(TimeDivisions(400), 32);
    EXPECT_EQ(TimeDivisions(168), 16);
    EXPECT_EQ(TimeDivisions(4), 1);
    EXPECT_EQ(GridRow(0, 4, 54), 53);
    EXPECT_EQ(GridRow(4, 4, 54), 0);
    EXPECT_EQ(GridColumn(16, 16, 168), 167);
}

TEST(OscopeGeometry, ReadOutGivesTimeAndVoltage)
{
    struct Case {
        int row, height;
        TMMOscopeKind kind;
        double volts;
    } cases[] = {
        {0, 56, okDots, 1.0},    {55, 56, okDots, -1.0},
        {28, 56, okDots, 0.0},   {29, 56, okDots, -2.0 * 10 / 56 * 0.2},
        {0, 57, okDots, 1.0},    {0, 56, okSpikes, 1.0},
        {55, 56, okSpikes, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ReadOutVoltage(c.row, c.height, c.kind), c.volts, 1e-9) << c.row;
    EXPECT_DOUBLE_EQ(ReadOutTime(167, 4, 168), 4.0);
    EXPECT_EQ(ReadOutText(3.96, -0.5), QStringLiteral(" 4.0 ms -0.50 V"));
    EXPECT_EQ(ReadOutText(12.24, 1.0), QStringLiteral("12.2 ms 1.00 V"));
}

TEST(OscopeGeometry, ReadOutBoxStaysInsideThePlot)
{
    const TRect plot{10, 5, 110, 105};
    struct Case {
        TPoint pointer;
        TRect expected;
    } cases[] = {
        {{20, 20}, {20, 35, 70, 50}},   // 15 below
        {{20, 95}, {20, 70, 70, 85}},   // would leave the bottom: 40 up
        {{100, 20}, {60, 35, 110, 50}}, // moved left to fit
        {{20, 8}, {20, 23, 70, 38}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadOutBox(c.pointer, 50, 15, plot), c.expected)
            << c.pointer.X << "," << c.pointer.Y;
    EXPECT_EQ(ReadOutBox({20, 20}, 50, 15, {10, 5, 110, 30}).Top, 5) << "never above the top";
}

} // namespace
