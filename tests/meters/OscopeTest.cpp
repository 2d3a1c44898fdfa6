#include "meters/MMOscope.h"

#include <QMouseEvent>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A frameless 12 x 10 plot of 16-bit mono: small enough to check every pixel.
struct SmallOscope : ::testing::Test {
    TMMOscope scope;

    SmallOscope()
    {
        scope.Bevel().SetBevelOuter(bvNone);
        scope.SetBounds(0, 0, 12, 10);
        scope.SetBitLength(b16Bit);
        scope.SetForegroundColor(clLime);
        scope.show();
    }

    void Feed(const std::vector<std::int16_t>& frames)
    {
        std::vector<std::int16_t> block(std::size_t(scope.BytesPerRefresh()) / 2, frames.back());
        std::copy(frames.begin(), frames.end(), block.begin());
        std::vector<std::uint8_t> bytes(block.size() * 2);
        std::memcpy(bytes.data(), block.data(), bytes.size());
        scope.ConsumePcm(bytes.data());
    }
    // One text line per row of the image: '#' trace, 'e' effect colour, '.' other.
    std::string Picture() const
    {
        const TMMDIBCanvas& dib = scope.DIBCanvas();
        std::string text;
        for (int y = 0; y < dib.Height(); ++y) {
            for (int x = 0; x < dib.Width(); ++x) {
                const std::uint32_t p = dib.Pixel(x, y);
                text += p == dib.ColorToPixel(clLime)  ? '#'
                        : p == dib.ColorToPixel(clRed) ? 'e'
                                                       : '.';
            }
            text += '\n';
        }
        return text;
    }
};

// 16384 maps to y = 7 (row 2) of a 10-row plot, and to y = 5 (row 4) for spikes;
// the mid row M is 5.
TEST_F(SmallOscope, EachKindDrawsItsColumns)
{
    struct Case {
        TMMOscopeKind kind;
        int steps;
        const char* picture;
    } cases[] = {
        {okDots, 3,
         "............\n............\n#..#..#..#..\n............\n............\n"
         "............\n............\n............\n............\n............\n"},
        {okConLines, 1,
         "............\n............\n############\n............\n............\n"
         "............\n............\n............\n............\n............\n"},
        {okVertLines, 2,
         "............\n............\n#.#.#.#.#.#.\n#.#.#.#.#.#.\n############\n"
         "############\n............\n............\n............\n............\n"},
        {okMirLines, 4,
         "............\n............\n#...#...#...\n#...#...#...\n############\n"
         "############\n#...#...#...\n#...#...#...\n............\n............\n"},
        {okSpikes, 6,
         "............\n............\n............\n............\n#.....#.....\n"
         "#.....#.....\n#.....#.....\n#.....#.....\n#.....#.....\n#.....#.....\n"},
    };
    for (const Case& c : cases) {
        scope.SetKind(c.kind);
        scope.SetSteps(c.steps);
        Feed({16384});
        EXPECT_EQ(Picture(), c.picture) << "kind " << int(c.kind);
    }
}

TEST_F(SmallOscope, LinesJoinSuccessiveColumnsAndPeaksShowTheEffectColour)
{
    scope.SetKind(okConLines);
    scope.SetEffect(efPeak);                 // band: y 3 .. 7
    Feed({-32768, -32768, 32767, 32767, 0}); // rows 9, 9, 0, 0, then 5
    const std::string picture = Picture();
    auto at = [&](int x, int row) { return picture[std::size_t(row * 13 + x)]; };
    for (int x = 0; x < 12; ++x) {
        int lit = 0;
        for (int row = 0; row < 10; ++row)
            lit += at(x, row) != '.';
        EXPECT_GT(lit, 0) << "column " << x << " is not on the line";
    }
    EXPECT_EQ(at(1, 9), 'e') << "ends outside the band take the effect colour";
    EXPECT_EQ(at(2, 0), 'e');
    for (int x = 5; x < 12; ++x)
        EXPECT_EQ(at(x, 5), '#') << x;
}

TEST_F(SmallOscope, RecorderAddsOneColumnPerBlockThenScrolls)
{
    scope.SetScroll(true);
    scope.SetFFTLength(4);
    ASSERT_EQ(scope.BytesPerRefresh(), 8);
    Feed({-32768, 32767}); // a full swing in column 0
    for (int block = 1; block <= 11; ++block) {
        EXPECT_EQ(scope.RecorderHead(), block);
        Feed({0});
    }
    EXPECT_TRUE(scope.RecorderFilled());
    EXPECT_EQ(scope.DIBCanvas().Pixel(0, 0), scope.DIBCanvas().ColorToPixel(clLime));
    Feed({0});
    EXPECT_NE(scope.DIBCanvas().Pixel(0, 0), scope.DIBCanvas().ColorToPixel(clLime))
        << "the first column has scrolled out";
    EXPECT_EQ(scope.RecorderHead(), 11);
}

TEST_F(SmallOscope, OverflowEventsFireOncePerDrawing)
{
    int pcm = 0, gain = 0, posts = 0;
    scope.OnPcmOverflow = [&](TMMOscope*) { ++pcm; };
    scope.OnGainOverflow = [&](TMMOscope*) { ++gain; };
    scope.OnPostPaint = [&](TMMOscope*) { ++posts; };
    Feed({32767, 32767});
    scope.SetGain(32);
    Feed({20000});
    EXPECT_EQ(pcm, 1);
    EXPECT_EQ(gain, 1);
    EXPECT_EQ(posts, 2);
}

TEST(Oscope, PropertiesClampOrIgnoreOutOfRangeValues)
{
    TMMOscope scope;
    struct Case {
        const char* name;
        void (TMMOscope::*set)(int);
        int (TMMOscope::*get)() const;
        int value, expected;
    } cases[] = {
        {"Steps", &TMMOscope::SetSteps, &TMMOscope::Steps, 12, 9},
        {"Steps", &TMMOscope::SetSteps, &TMMOscope::Steps, 0, 1},
        {"SampleRate", &TMMOscope::SetSampleRate, &TMMOscope::SampleRate, 100000, 88200},
        {"SampleRate", &TMMOscope::SetSampleRate, &TMMOscope::SampleRate, 10, 8000},
        {"Gain", &TMMOscope::SetGain, &TMMOscope::Gain, 33, 0},
        {"Gain", &TMMOscope::SetGain, &TMMOscope::Gain, -9, 0},
        {"Zoom", &TMMOscope::SetZoom, &TMMOscope::Zoom, 0, 1},
        {"Zoom", &TMMOscope::SetZoom, &TMMOscope::Zoom, -12, -9},
        {"BarWidth", &TMMOscope::SetBarWidth, &TMMOscope::BarWidth, 0, 1},
    };
    for (const Case& c : cases) {
        TMMOscope fresh;
        (fresh.*c.set)(c.value);
        EXPECT_EQ((fresh.*c.get)(), c.expected) << c.name << " := " << c.value;
    }
    const std::pair<int, int> lengths[] = {{1000, 512}, {5000, 4096}, {0, 1}, {64, 64}};
    for (const auto& [value, expected] : lengths) {
        scope.SetFFTLength(value);
        EXPECT_EQ(scope.FFTLength(), expected) << value;
    }
}

TEST(Oscope, TakesTheStreamFormatOrRefusesIt)
{
    TMMOscope scope;
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 16, 2, 44100);
    scope.SetStreamFormat(&format);
    EXPECT_EQ(scope.BitLength(), b16Bit);
    EXPECT_EQ(scope.Mode(), mStereo);
    EXPECT_EQ(scope.SampleRate(), 44100);
    const TWaveFormatEx back = scope.StreamFormat();
    EXPECT_EQ(std::memcmp(&format, &back, 16), 0);
    format.wBitsPerSample = 12;
    try {
        scope.SetStreamFormat(&format);
        FAIL() << "accepted 12-bit samples";
    } catch (const EMMOscopeError& error) {
        EXPECT_STREQ(error.what(), "Invalid WaveFormat");
    }
}

// Frame 1 plus both scales: the plot is 168 x 94 at (33, 1).
TEST(Oscope, ScalesLabelTheDivisionsInVoltsAndMilliseconds)
{
    TMMOscope scope;
    scope.SetDrawAmpScale(true);
    scope.SetDrawTimeScale(true);
    scope.SetBounds(0, 0, 234, 136);
    scope.SetBitLength(b16Bit);
    scope.SetMode(mStereo);
    scope.SetSampleRate(44100);
    ASSERT_EQ(scope.PlotRect(), (TRect{33, 1, 201, 95}));
    const auto amp = scope.AmpScaleLabels();
    ASSERT_EQ(amp.size(), 9u);
    EXPECT_EQ(amp.front(), std::make_pair(94, QStringLiteral("-1")));
    EXPECT_EQ(amp[2], std::make_pair(71, QStringLiteral("-0.5")));
    EXPECT_EQ(amp.back(), std::make_pair(1, QStringLiteral("1")));
    // 672 bytes of 176400 per second: a 4 ms block.
    const auto time = scope.TimeScaleLabels();
    ASSERT_EQ(time.size(), 17u);
    EXPECT_EQ(time.front().first, 33);
    EXPECT_EQ(time.back(), std::make_pair(200, QStringLiteral("4")));
    EXPECT_EQ(time[8], std::make_pair(116, QStringLiteral("2")));

    scope.SetBounds(0, 0, 10, 10);
    EXPECT_EQ(scope.size(), QSize(70, 46)) << "room for the margins and a 2 x 2 plot";
}

TEST(Oscope, LeftButtonHoldsTheReadOutAndFreezesTheTrace)
{
    TMMOscope scope; // 194 x 90, frame 1: plot 192 x 88
    scope.SetBitLength(b16Bit);
    scope.SetSampleRate(44100);
    scope.show();
    QTest::mousePress(&scope, Qt::LeftButton, {}, QPoint(97, 23));
    // Column 96 of 192 shows (96 + 1) x 4 ms / 192; row 22 of 88 is +0.5 V.
    EXPECT_EQ(scope.ReadOut(), QStringLiteral(" 2.0 ms 0.50 V"));
    EXPECT_EQ(scope.ReadOutRect().Top, 38);
    const std::vector<std::uint8_t> loud(std::size_t(scope.BytesPerRefresh()), 0x7F);
    scope.ConsumePcm(loud.data());
    EXPECT_EQ(scope.ColumnValues()[0], 0) << "data is ignored while the button is held";
    QTest::mouseRelease(&scope, Qt::LeftButton, {}, QPoint(97, 23));
    EXPECT_TRUE(scope.ReadOut().isEmpty());
    scope.ConsumePcm(loud.data());
    EXPECT_EQ(scope.ColumnValues()[0], 0x7F7F);
}

TEST(Oscope, SelectionIsClampedOrderedAndDraggedWithTheRightButton)
{
    TMMOscope scope; // plot at (1, 1), 192 columns
    scope.show();
    scope.SetSelection(150, -5);
    EXPECT_EQ(std::make_pair(scope.SelectionStart(), scope.SelectionEnd()),
              std::make_pair(-1, 150));
    scope.SetSelection(300, 300);
    EXPECT_EQ(scope.SelectionStart(), -1) << "no width: none";

    scope.SetUseSelection(true);
    std::vector<std::pair<int, int>> selecting, ended;
    scope.OnSelecting = [&](TMMOscope*, int a, int b) { selecting.emplace_back(a, b); };
    scope.OnSelectEnd = [&](TMMOscope*, int a, int b) { ended.emplace_back(a, b); };
    QTest::mousePress(&scope, Qt::RightButton, {}, QPoint(11, 40));
    QTest::mouseMove(&scope, QPoint(31, 40));
    QTest::mouseRelease(&scope, Qt::RightButton, {}, QPoint(31, 40));
    EXPECT_EQ(ended, (std::vector<std::pair<int, int>>{{10, 30}}));
    EXPECT_EQ(selecting.back(), std::make_pair(10, 30));
    // Dragging from inside moves the whole range, kept inside the plot.
    QTest::mousePress(&scope, Qt::RightButton, {}, QPoint(21, 40));
    QTest::mouseMove(&scope, QPoint(400, 40));
    QTest::mouseRelease(&scope, Qt::RightButton, {}, QPoint(400, 40));
    EXPECT_EQ(ended.back(), std::make_pair(172, 192));
    // A click without a drag leaves a one-column selection, which is cleared.
    QTest::mousePress(&scope, Qt::RightButton, {}, QPoint(50, 40));
    QTest::mouseRelease(&scope, Qt::RightButton, {}, QPoint(50, 40));
    EXPECT_EQ(ended.back(), std::make_pair(-1, -1));
    // Columns count from the plot's left edge, also beside the amplitude scale.
    scope.SetDrawAmpScale(true);
    QTest::mousePress(&scope, Qt::RightButton, {}, QPoint(43, 40));
    QTest::mouseMove(&scope, QPoint(53, 40));
    QTest::mouseRelease(&scope, Qt::RightButton, {}, QPoint(53, 40));
    EXPECT_EQ(ended.back(), std::make_pair(10, 20));
    scope.SetLocked(true);
    QTest::mousePress(&scope, Qt::RightButton, {}, QPoint(60, 40));
    EXPECT_EQ(scope.SelectionStart(), 10) << "locked: the press starts nothing";
}

} // namespace
