#include "meters/MMMeter.h"

#include "audio/TickService.h"

#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

double DirectionDegrees(TPoint from, TPoint to)
{
    // Screen y grows downward; the angle is counted up from the right-hand horizontal.
    return std::atan2(double(from.Y - to.Y), double(to.X - from.X)) * 180.0 / std::numbers::pi;
}

double Distance(TPoint a, TPoint b)
{
    return std::hypot(double(a.X - b.X), double(a.Y - b.Y));
}

// The main window's left meter, shown inside a parent window.
struct StudioMeter : ::testing::Test {
    QWidget window;
    TMMMeter* meter = new TMMMeter(&window);
    int postPaints = 0;

    static void SetUpTestSuite() { TickServiceSetManual(true); }
    static void TearDownTestSuite() { TickServiceSetManual(false); }

    StudioMeter()
    {
        meter->Bevel().SetBevelOuter(bvNone);
        meter->Bevel().SetBorderWidth(2);
        meter->SetBounds(0, 0, 85, 57);
        meter->SetNeedleOffset(50);
        meter->SetScaleAngle(45);
        meter->SetTopSpace(12);
        meter->SetScaleHeight1(3);
        meter->SetScaleColor(0, clLime);
        meter->SetScreenInterval(0);
        LevelEngine& e = meter->Engine();
        e.SetBitLength(b16Bit);
        e.SetMode(mStereo);
        e.SetChannel(chLeft);
        e.SetSamples(20);
        meter->OnPostPaint = [this](TMMCustomMeter*) { ++postPaints; };
        window.resize(170, 57);
        window.show();
    }

    void Feed(int amplitude)
    {
        std::vector<std::int16_t> frames(2 * 20, 0);
        for (std::size_t i = 0; i < frames.size(); i += 2)
            frames[i] = std::int16_t(i % 4 ? -amplitude : amplitude);
        meter->ConsumePcm(reinterpret_cast<const std::uint8_t*>(frames.data()));
    }

    // Whether a pixel of the colour lies within one pixel of p in the picture.
    bool ColorNear(TPoint p, TColor color) const
    {
        const QImage& picture = meter->Picture();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (picture.valid(p.X + dx, p.Y + dy) &&
                    picture.pixelColor(p.X + dx, p.Y + dy) == ToQColor(color))
                    return true;
        return false;
    }
    // A point on the needle for position a, well inside the picture.
    TPoint OnNeedle(int a) const { return meter->NeedlePoint(a, meter->NeedleRadius() - 15); }
};

TEST(MeterGeometry, NeedleSweepsSymmetricallyAboutTheVertical)
{
    TMMMeter meter;
    const TPoint pivot = meter.Pivot();
    const int r = meter.NeedleRadius();
    struct Case {
        int angle;
        int position;
        double degrees;
    };
    for (const Case& c :
         {Case{90, 0, 135.0}, Case{90, 16384, 90.0}, Case{90, 32767, 45.0}, Case{45, 0, 112.5},
          Case{45, 32767, 67.5}, Case{180, 0, 180.0}, Case{180, 32767, 0.0}}) {
        meter.SetScaleAngle(c.angle);
        EXPECT_NEAR(DirectionDegrees(pivot, meter.NeedlePoint(c.position, r)), c.degrees, 1.0)
            << "angle " << c.angle << ", position " << c.position;
        EXPECT_NEAR(Distance(pivot, meter.NeedlePoint(c.position, r)), r, 1.0);
    }
}

TEST_F(StudioMeter, PivotAndTipOfTheStudioMeter)
{
    EXPECT_EQ(meter->InnerWidth(), 81);
    EXPECT_EQ(meter->InnerHeight(), 53);
    EXPECT_EQ(meter->Pivot(), (TPoint{40, 103}));
    EXPECT_EQ(meter->NeedleRadius(), 91);
    EXPECT_EQ(meter->NeedlePoint(0, 91), (TPoint{5, 19}));
    EXPECT_EQ(meter->NeedlePoint(32767, 91), (TPoint{75, 19}));
}

TEST(MeterProperties, WritesAreClampedToTheirRanges)
{
    TMMMeter meter;
    struct Case {
        const char* name;
        void (TMMCustomMeter::*set)(int);
        int (TMMCustomMeter::*get)() const;
        int written;
        int kept;
    };
    const Case cases[] = {
        {"ScaleAngle low", &TMMCustomMeter::SetScaleAngle, &TMMCustomMeter::ScaleAngle, 30, 45},
        {"ScaleAngle high", &TMMCustomMeter::SetScaleAngle, &TMMCustomMeter::ScaleAngle, 200, 180},
        {"NeedleOffset", &TMMCustomMeter::SetNeedleOffset, &TMMCustomMeter::NeedleOffset, -5, 0},
        {"NeedleWidth", &TMMCustomMeter::SetNeedleWidth, &TMMCustomMeter::NeedleWidth, -1, 0},
        {"ScaleHeight1", &TMMCustomMeter::SetScaleHeight1, &TMMCustomMeter::ScaleHeight1, -3, 0},
        {"ScaleHeight2", &TMMCustomMeter::SetScaleHeight2, &TMMCustomMeter::ScaleHeight2, -3, 0},
        {"Point1 low", &TMMCustomMeter::SetPoint1, &TMMCustomMeter::Point1, 0, 1},
        {"Point2 high", &TMMCustomMeter::SetPoint2, &TMMCustomMeter::Point2, 101, 100},
        {"TopSpace", &TMMCustomMeter::SetTopSpace, &TMMCustomMeter::TopSpace, -7, -7},
    };
    for (const Case& c : cases) {
        (meter.*c.set)(c.written);
        EXPECT_EQ((meter.*c.get)(), c.kept) << c.name;
    }
}

TEST_F(StudioMeter, LongTicksEveryFourthAndLastOrAllWhenEnlargeEveryIsZero)
{
    const TPoint pivot = meter->Pivot();
    auto longTicks = [&] {
        std::vector<int> indices;
        const auto ticks = meter->ScaleTickMarks();
        for (std::size_t i = 0; i < ticks.size(); ++i)
            if (Distance(ticks[i].From, ticks[i].To) > 6)
                indices.push_back(int(i));
        return indices;
    };
    meter->SetScaleTicks(42);
    EXPECT_EQ(longTicks(), (std::vector<int>{0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 41}));
    meter->SetScaleTicksEnlargeEvery(0);
    EXPECT_EQ(longTicks().size(), 42u);

    // soInner: every tick starts on the inner arc; soOuter: on the outer arc.
    meter->SetScaleTicksEnlargeEvery(4);
    const int r = meter->NeedleRadius();
    for (const auto& [origin, start] : {std::pair{soInner, r - 8 - 2}, std::pair{soOuter, r - 2}}) {
        meter->SetScaleOrigin(origin);
        for (const TMeterTick& tick : meter->ScaleTickMarks())
            EXPECT_NEAR(Distance(pivot, tick.From), start, 1.0) << "origin " << int(origin);
    }
    meter->SetScaleTicks(1);
    EXPECT_TRUE(meter->ScaleTickMarks().empty());
}

TEST_F(StudioMeter, TickColoursFollowTheZonePoints)
{
    const auto ticks = meter->ScaleTickMarks();
    ASSERT_EQ(ticks.size(), 41u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const TColor expected = i >= 33 ? clRed : i >= 25 ? clYellow : clLime;
        EXPECT_EQ(ticks[i].Color, expected) << "tick " << i;
    }
}

TEST_F(StudioMeter, LabelsReadFromSensitivityToZeroCentredOverTheirTicks)
{
    const auto labels = meter->ScaleLabels();
    std::vector<QString> texts;
    for (const TMeterLabel& label : labels)
        texts.push_back(label.Text);
    EXPECT_EQ(texts, (std::vector<QString>{"-50", "-40", "-30", "-20", "-10", "0"}));

    // The digits' middle stands over the tick's outer end, the text above it.
    QFont font(QStringLiteral("Small Fonts"));
    font.setPointSize(6);
    const QFontMetrics metrics(font);
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const TPoint tick = meter->NeedlePoint(32767 * 8 * int(k) / 40, meter->NeedleRadius() - 2);
        const QString digits = QString(labels[k].Text).remove('-');
        EXPECT_EQ(labels[k].X + metrics.horizontalAdvance(labels[k].Text) -
                      metrics.horizontalAdvance(digits) / 2 - 1,
                  tick.X)
            << labels[k].Text.toStdString();
        EXPECT_EQ(labels[k].Y + metrics.height() + 3, tick.Y);
    }

    meter->Engine().SetLogAmp(false);
    meter->SetScaleTicksTextEvery(20);
    texts.clear();
    for (const TMeterLabel& label : meter->ScaleLabels())
        texts.push_back(label.Text);
    EXPECT_EQ(texts, (std::vector<QString>{"-50", "-6", "0"})) << "amplitude spacing";
    meter->SetScaleTicksTextEvery(0);
    EXPECT_TRUE(meter->ScaleLabels().empty());
}

TEST_F(StudioMeter, CaptionIsDrawnOnlyWhenNotEmpty)
{
    auto captionPixels = [&] {
        meter->grab();
        int count = 0;
        const QImage& picture = meter->Picture();
        for (int y = 30; y < picture.height(); ++y)
            for (int x = 20; x < 60; ++x)
                count += picture.pixelColor(x, y) == ToQColor(clSilver);
        return count;
    };
    meter->Engine().SetShowPeak(false);
    EXPECT_GT(captionPixels(), 10);
    meter->SetCaption(QString());
    EXPECT_EQ(captionPixels(), 0);
}

TEST_F(StudioMeter, NewLevelIsDrawnAtOnceOverTheCachedScale)
{
    meter->grab();
    const QImage empty = meter->Picture().copy();
    Feed(32767 / 2);
    const int loud = meter->Engine().DisplayedPosition();
    ASSERT_GT(loud, 20000);
    EXPECT_EQ(postPaints, 2) << "the paint and the new level, without an event loop";
    EXPECT_TRUE(ColorNear(OnNeedle(loud), clWhite));

    Feed(600);
    const int quiet = meter->Engine().DisplayedPosition();
    ASSERT_LT(quiet, 12000);
    EXPECT_TRUE(ColorNear(OnNeedle(quiet), clWhite));
    EXPECT_TRUE(ColorNear(OnNeedle(loud), clRed)) << "the peak needle stays up";
    meter->Engine().SetShowPeak(false);
    Feed(0);
    Feed(600);
    EXPECT_FALSE(ColorNear(OnNeedle(loud), clRed)) << "the old needles leave no trace";
    EXPECT_FALSE(ColorNear(OnNeedle(loud), clWhite));
    const TPoint far = OnNeedle(loud);
    EXPECT_EQ(meter->Picture().pixel(far.X, far.Y), empty.pixel(far.X, far.Y));
}

TEST_F(StudioMeter, HiddenOrParentlessMeterDrawsNothing)
{
    meter->hide();
    Feed(20000);
    EXPECT_EQ(postPaints, 0);

    TMMMeter alone;
    int alonePaints = 0;
    alone.OnPostPaint = [&](TMMCustomMeter*) { ++alonePaints; };
    alone.Engine().SetValue(80);
    EXPECT_GT(alone.Engine().DisplayedPosition(), 0);
    EXPECT_EQ(alonePaints, 0);
}

TEST_F(StudioMeter, ResizeAndEnablingStartTheMeasuringAfresh)
{
    Feed(20000);
    ASSERT_GT(meter->Engine().PeakPosition(), 0);
    meter->SetBounds(0, 0, 90, 60);
    EXPECT_EQ(meter->Engine().DisplayedPosition(), 0);
    EXPECT_EQ(meter->Engine().PeakPosition(), 0);

    // Disabling clears the meter, and so does enabling it again.
    for (bool enabled : {false, true}) {
        meter->Engine().SetValue(80);
        meter->setEnabled(enabled);
        EXPECT_EQ(meter->Engine().PeakPosition(), 0) << "enabled " << enabled;
    }
}

TEST(MeterFormat, InvalidFormatRaisesTheMetersError)
{
    TMMMeter meter;
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 16, 2, 3999);
    try {
        meter.SetStreamFormat(&format);
        ADD_FAILURE() << "format accepted";
    } catch (const EMMMeterError& error) {
        EXPECT_STREQ(error.what(), "Invalid WaveFormat");
    }
}

} // namespace
