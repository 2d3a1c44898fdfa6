#include "meters/MMLevel.h"

#include "audio/TickService.h"

#include <QApplication>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The main window's left bar: 158 x 18, no frame, 1-pixel spots with 1-pixel
// gaps, dotted lime/yellow/red over dotted grey/maroon.
struct MainWindowBar : ::testing::Test {
    TMMLevel level;

    static void SetUpTestSuite() { TickServiceSetManual(true); }
    static void TearDownTestSuite() { TickServiceSetManual(false); }

    MainWindowBar()
    {
        level.Bevel().SetBevelOuter(bvNone);
        level.SetBounds(0, 0, 158, 18);
        level.SetPoint2(80);
        level.SetBarColor(0, clLime);
        level.SetBarColor(1, clYellow);
        level.SetBarColor(2, clRed);
        level.SetInactiveColor(0, clGray);
        level.SetInactiveColor(1, clGray);
        level.SetInactiveColor(2, clMaroon);
        level.SetActiveDoted(true);
        level.SetInactiveDoted(true);
        LevelEngine& e = level.Engine();
        e.SetSamples(99);
        e.SetNumPeaks(2);
        e.SetDecayMode(dmStepUp);
        e.SetDecay(8);
        e.SetBitLength(b16Bit);
        e.SetMode(mStereo);
        e.SetChannel(chLeft);
        level.show();
    }

    // A block whose left channel swings between +amplitude and -amplitude.
    std::vector<std::uint8_t> Block(int amplitude) const
    {
        std::vector<std::uint8_t> block(std::size_t(level.BytesPerRefresh()));
        for (std::size_t frame = 0; frame < block.size() / 4; ++frame) {
            const std::int16_t left = std::int16_t(frame % 2 ? -amplitude : amplitude);
            block[4 * frame] = std::uint8_t(left & 0xFF);
            block[4 * frame + 1] = std::uint8_t((left >> 8) & 0xFF);
        }
        return block;
    }
    void Feed(int amplitude)
    {
        const auto block = Block(amplitude);
        level.ConsumePcm(block.data());
    }

    // The top-left pixel of spot i in the drawn frame: the only one a dotted
    // 1-pixel spot lights on its first line.
    std::uint32_t SpotPixel(int spot) const
    {
        const TRect r = level.SpotRect(spot);
        return level.DIBCanvas().Pixel(r.Left, r.Top);
    }
    std::uint32_t Index(TColor c) const { return level.DIBCanvas().ColorToPixel(c); }
    // Spots whose first pixel shows a lit colour.
    int LitSpots() const
    {
        int lit = 0;
        for (int spot = 1; spot <= level.SpotCount(); ++spot) {
            const std::uint32_t p = SpotPixel(spot);
            lit += p == Index(clLime) || p == Index(clYellow) || p == Index(clRed);
        }
        return lit;
    }
};

TEST_F(MainWindowBar, HasSeventyNineSpotsInThreeZones)
{
    EXPECT_EQ(level.SpotCount(), 79);
    EXPECT_EQ(level.Margin(), 0);
    EXPECT_EQ(level.Engine().Range(), 79);
    EXPECT_EQ(level.BytesPerRefresh(), 396);
    for (int spot = 1; spot <= 79; ++spot) {
        const int expected = spot <= 39 ? 0 : spot <= 63 ? 1 : 2;
        EXPECT_EQ(level.ZoneOf(spot), expected) << "spot " << spot;
        EXPECT_EQ(level.SpotRect(spot), (TRect{2 * (spot - 1), 0, 2 * spot - 1, 18}));
    }
}

TEST_F(MainWindowBar, SilenceShowsTheDottedUnlitSpots)
{
    const QImage shot = level.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(shot.pixel(156, 0), qRgb(128, 0, 0));
    EXPECT_EQ(shot.pixel(156, 1), qRgb(0, 0, 0));
    const TMMDIBCanvas& dib = level.DIBCanvas();
    EXPECT_EQ(dib.Pixel(0, 0), Index(clGray));
    EXPECT_EQ(dib.Pixel(0, 1), Index(clBlack)); // every second line
    EXPECT_EQ(dib.Pixel(0, 2), Index(clGray));
    EXPECT_EQ(dib.Pixel(1, 0), Index(clBlack)); // the gap
    EXPECT_EQ(dib.Pixel(2 * 78, 16), Index(clMaroon));
    EXPECT_EQ(LitSpots(), 0);
}

TEST_F(MainWindowBar, ToneAtMinusTenDecibelsLightsFiftySixSpots)
{
    // 10362 / 32767 is -10.0 dB: 25 of the 35 dB shown, 25 / 35 * 79 = 56.4 spots.
    Feed(10362);
    EXPECT_EQ(level.Engine().DisplayedPosition(), 56);
    EXPECT_EQ(LitSpots(), 56);
    EXPECT_EQ(SpotPixel(1), Index(clLime));
    EXPECT_EQ(SpotPixel(39), Index(clLime));
    EXPECT_EQ(SpotPixel(40), Index(clYellow));
    EXPECT_EQ(SpotPixel(56), Index(clYellow));
    EXPECT_EQ(SpotPixel(57), Index(clGray));
    // A steady tone keeps the same picture.
    for (int i = 0; i < 10; ++i)
        Feed(10362);
    EXPECT_EQ(LitSpots(), 56);
}

TEST_F(MainWindowBar, FullScaleReachesTheRedZone)
{
    Feed(32767);
    EXPECT_EQ(LitSpots(), 79);
    EXPECT_EQ(SpotPixel(64), Index(clRed));
    EXPECT_EQ(SpotPixel(79), Index(clRed));
    EXPECT_EQ(SpotPixel(63), Index(clYellow));
}

TEST_F(MainWindowBar, PeakMarkerHoldsThenVanishes)
{
    Feed(10362);
    // The bar falls slowly on silence; the marker stays at 56 and 55.
    for (int i = 0; i < 8; ++i)
        Feed(0);
    const int shown = level.Engine().DisplayedPosition();
    ASSERT_LT(shown, 54);
    EXPECT_EQ(LitSpots(), shown + 2);
    EXPECT_EQ(SpotPixel(56), Index(clYellow));
    EXPECT_EQ(SpotPixel(55), Index(clYellow));
    EXPECT_EQ(SpotPixel(shown + 1), Index(clGray));

    // Held for 2 * 20 + 1 = 41 ticks of 25 ms.
    for (int tick = 0; tick < 40; ++tick)
        TickServiceTickNow();
    Feed(0);
    EXPECT_EQ(SpotPixel(56), Index(clYellow)) << "still held after 40 ticks";
    TickServiceTickNow();
    Feed(0);
    EXPECT_EQ(SpotPixel(56), Index(clGray)) << "gone after 41 ticks";
    EXPECT_EQ(SpotPixel(55), Index(clGray));
    EXPECT_EQ(LitSpots(), level.Engine().DisplayedPosition());
}

TEST_F(MainWindowBar, PeakMarkerFallsOneSpotPerPeakSpeedTicks)
{
    level.Engine().SetPeakSpeed(2);
    Feed(10362);
    for (int i = 0; i < 20; ++i)
        Feed(0);
    for (int tick = 0; tick < 41; ++tick)
        TickServiceTickNow();
    Feed(0);
    EXPECT_EQ(SpotPixel(56), Index(clGray));
    EXPECT_EQ(SpotPixel(55), Index(clYellow));
    EXPECT_EQ(SpotPixel(54), Index(clYellow));
    TickServiceTickNow();
    Feed(0);
    EXPECT_EQ(SpotPixel(55), Index(clYellow)) << "one tick is not yet two";
    TickServiceTickNow();
    Feed(0);
    EXPECT_EQ(SpotPixel(55), Index(clGray));
    EXPECT_EQ(SpotPixel(54), Index(clYellow));
}

TEST_F(MainWindowBar, PeakOnTheFirstSpotDrawsOnlyThatSpot)
{
    level.Engine().SetDecayMode(dmNone);
    level.Engine().UpdateLevel(613); // -34.56 dB: position 1
    ASSERT_EQ(level.Engine().PeakPosition(), 1);
    level.Engine().UpdateLevel(0);
    EXPECT_EQ(level.Engine().DisplayedPosition(), 0);
    EXPECT_EQ(LitSpots(), 1);
    EXPECT_EQ(SpotPixel(1), Index(clLime));
}

TEST_F(MainWindowBar, DisabledBarShowsOnlyTheUnlitSpots)
{
    Feed(32767);
    level.setEnabled(false);
    level.grab();
    EXPECT_EQ(LitSpots(), 0);
    Feed(32767);
    EXPECT_EQ(LitSpots(), 0);
    level.setEnabled(true);
    Feed(32767);
    EXPECT_EQ(LitSpots(), 79);
}

TEST_F(MainWindowBar, HiddenBarDrawsNothing)
{
    level.hide();
    Feed(32767);
    EXPECT_EQ(level.Engine().DisplayedPosition(), 0);
}

TEST_F(MainWindowBar, SymmetricBarLightsFiveSpotsAroundItsLevel)
{
    level.SetDirection(dirSymetric);
    level.SetActiveDoted(false);
    level.Engine().SetDecayMode(dmNone);
    level.Engine().SetNumPeaks(0);
    level.Engine().SetValue(100); // 79 spots, halved: 39
    ASSERT_EQ(level.Engine().DisplayedPosition(), 39);
    // Symmetric spots grow from the right end.
    EXPECT_EQ(level.SpotRect(1), (TRect{157, 0, 158, 18}));
    std::vector<int> lit;
    for (int spot = 1; spot <= 79; ++spot)
        if (SpotPixel(spot) == Index(clLime))
            lit.push_back(spot);
    EXPECT_EQ(lit, (std::vector<int>{37, 38, 39, 40, 41}));
    // The whole spot is filled, not dotted.
    EXPECT_EQ(level.DIBCanvas().Pixel(level.SpotRect(40).Left, 1), Index(clLime));
}

TEST_F(MainWindowBar, DrawBarHandlerReplacesTheDrawing)
{
    struct Call {
        TRect rect;
        int spots, peak;
    };
    std::vector<Call> calls;
    int paints = 0;
    level.OnPaint = [&](TMMCustomLevel*) { ++paints; };
    level.SetOnDrawBar([&](TMMCustomLevel*, TMMDIBCanvas& dib, const TRect& rect, int n, int pk) {
        calls.push_back({rect, n, pk});
        dib.SetColor(clWhite);
        dib.Clear();
    });
    level.Engine().SetDecayMode(dmNone);
    Feed(10362);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rect, (TRect{0, 0, 158, 18}));
    EXPECT_EQ(calls[0].spots, 56);
    EXPECT_EQ(calls[0].peak, 56);
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(level.DIBCanvas().Pixel(3, 5), Index(clWhite));
}

TEST_F(MainWindowBar, VerticalKindStandsTheBarUp)
{
    level.SetKind(lkVertical);
    EXPECT_EQ(level.width(), 18);
    EXPECT_EQ(level.height(), 158);
    EXPECT_EQ(level.SpotCount(), 79);
    EXPECT_EQ(level.SpotRect(1), (TRect{0, 157, 18, 158}));
    level.SetDirection(dirReversed);
    EXPECT_EQ(level.SpotRect(1), (TRect{0, 0, 18, 1}));
    level.SetKind(lkHorizontal);
    EXPECT_EQ(level.width(), 158);
    level.SetDirection(dirReversed);
    EXPECT_EQ(level.SpotRect(2), (TRect{155, 0, 156, 18}));
}

TEST_F(MainWindowBar, InvalidFormatIsRefused)
{
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 24, 2, 44100);
    try {
        level.SetStreamFormat(&format);
        FAIL() << "24-bit accepted";
    } catch (const EMMLevelError& e) {
        EXPECT_STREQ(e.what(), "Invalid WaveFormat");
    }
    BuildPcmFormat(&format, 8, 1, 8000);
    level.SetStreamFormat(&format);
    EXPECT_EQ(level.BytesPerRefresh(), 99);
}

TEST(Level, LayoutCentresTheSpotsInsideTheFrame)
{
    TMMLevel level; // default frame: lowered, 1 pixel
    level.SetBounds(0, 0, 200, 17);
    // Inner 198: (198 + 1) div 2 = 99 spots, margin (1 + 198 - 198) div 2 = 0.
    EXPECT_EQ(level.SpotCount(), 99);
    level.SetSpotWidth(3);
    level.SetSpotSpace(2);
    // (198 + 2) div 5 = 40 spots, margin (2 + 198 - 200) div 2 = 0.
    EXPECT_EQ(level.SpotCount(), 40);
    level.SetSpotSpace(3);
    // (198 + 3) div 6 = 33 spots, margin (3 + 198 - 198) div 2 = 1.
    EXPECT_EQ(level.SpotCount(), 33);
    EXPECT_EQ(level.Margin(), 1);
    EXPECT_EQ(level.SpotRect(1), (TRect{1, 0, 4, 15}));
    EXPECT_EQ(level.ZoneLimit1(), 16);
    EXPECT_EQ(level.ZoneLimit2(), 28);
}

TEST(Level, ABarShorterThanOneSpotStillHasOne)
{
    TMMLevel level;
    level.Bevel().SetBevelOuter(bvNone);
    level.SetBounds(0, 0, 2, 17);
    level.SetSpotSpace(10);
    EXPECT_EQ(level.SpotCount(), 1);
    level.SetSpotWidth(50);
    EXPECT_EQ(level.SpotWidth(), 1); // at most a third of the bar
}

TEST(Level, TwentyFourBitSurfaceDrawsTrueColours)
{
    TMMLevel level;
    level.SetBounds(0, 0, 40, 10);
    level.SetBitsPerPixel(24);
    EXPECT_THROW(level.SetBitsPerPixel(16), EMMDIBError);
    level.show();
    level.Engine().SetValue(100);
    const TRect r = level.SpotRect(1);
    EXPECT_EQ(level.DIBCanvas().Pixel(r.Left, r.Top), 0x00FFFFu); // aqua as 0xRRGGBB
}

} // namespace

namespace {

TEST_F(MainWindowBar, BackgroundColourFillsTheGapsOfANewPicture)
{
    level.SetColor(clWhite);
    level.Engine().SetDecayMode(dmNone);
    Feed(10362);
    EXPECT_EQ(level.DIBCanvas().Pixel(1, 0), Index(clWhite));      // gap after spot 1
    EXPECT_EQ(level.DIBCanvas().Pixel(2 * 60, 1), Index(clWhite)); // skipped line of a dot
    EXPECT_EQ(SpotPixel(60), Index(clGray));
}

} // namespace
