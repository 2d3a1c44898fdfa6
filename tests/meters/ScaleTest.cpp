#include "meters/MMLevelScale.h"
#include "meters/MMScale.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QRgb Rgb(TColor c)
{
    return ToQColor(c).rgb();
}

// Length of the run of the colour in column x, starting at row y and going down.
int RunDown(const QImage& image, int x, int y, QRgb color)
{
    int n = 0;
    while (y + n < image.height() && image.pixel(x, y + n) == color)
        ++n;
    return n;
}

TEST(Scale, StripSizeCountsTheBaseLineAndItsShade)
{
    TMMScale scale;
    EXPECT_EQ(scale.StripSize(), 7);
    scale.SetConnect(true);
    EXPECT_EQ(scale.StripSize(), 8);
    scale.SetStyle(stLowered);
    EXPECT_EQ(scale.StripSize(), 9);
}

TEST(Scale, RangesAreKept)
{
    TMMScale scale;
    int changes = 0;
    scale.OnChange = [&](TMMObject*) { ++changes; };
    scale.SetTickCount(1);
    scale.SetEnlargeEvery(0);
    scale.SetSize(-3);
    EXPECT_EQ(scale.TickCount(), 2);
    EXPECT_EQ(scale.EnlargeEvery(), 1);
    EXPECT_EQ(scale.Size(), 1);
    EXPECT_EQ(changes, 3);
}

TEST(Scale, AssignCopiesThePublishedValuesOnce)
{
    TMMScale source;
    source.SetVisible(false);
    source.SetColor(clRed);
    source.SetStyle(stRaised);
    source.SetTickCount(21);
    source.SetEnlargeEvery(2);
    source.SetSize(4);
    source.SetOrigin(soOuter);
    source.SetConnect(true);
    TMMLevScale target;
    int changes = 0;
    target.OnChange = [&](TMMObject*) { ++changes; };
    target.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(target.Visible());
    EXPECT_EQ(target.ZoneColor(2), clRed);
    EXPECT_EQ(target.Style(), stRaised);
    EXPECT_EQ(target.TickCount(), 21);
    EXPECT_EQ(target.EnlargeEvery(), 2);
    EXPECT_EQ(target.Size(), 4);
    EXPECT_EQ(target.Origin(), soOuter);
    EXPECT_TRUE(target.Connect());
}

TEST(Scale, DrawingWithoutACanvasIsRefused)
{
    TMMScale scale;
    try {
        scale.DrawStrip({0, 0, 100, 7}, true);
        FAIL() << "drew without a canvas";
    } catch (const EMMScaleError& e) {
        EXPECT_STREQ(e.what(), "Canvas needed for this operation");
    }
    EXPECT_THROW(scale.DrawArc({0, 0, 50, 50}), EMMScaleError);
}

TEST(Scale, EveryFifthTickIsLong)
{
    TMMScale scale;
    scale.SetColor(clWhite);
    QImage image(110, 7, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        scale.SetCanvas(&painter);
        // First edge with inner origin: the ticks stand on the strip's bottom.
        scale.DrawStrip({0, 0, 100, 7}, true);
    }
    const QRgb white = Rgb(clWhite);
    for (int c = 0; c <= 10; ++c) {
        const int x = 10 * c;
        const int expected = c % 5 == 0 ? 7 : 3;
        EXPECT_EQ(RunDown(image, x, 7 - expected, white), expected) << "tick " << c;
        if (expected < 7) {
            EXPECT_EQ(image.pixel(x, 6 - expected), qRgb(0, 0, 0)) << "tick " << c;
        }
        EXPECT_EQ(image.pixel(x + 1, 6), qRgb(0, 0, 0)) << "gap after tick " << c;
    }
}

TEST(Scale, ZoneLimitsOfFiftyAndEightyPercentOnElevenTicks)
{
    TMMLevelScale owner;
    owner.resize(120, 7);
    owner.SetPoint2(80);
    owner.SetScale1Color(clLime);
    owner.SetScale2Color(clYellow);
    owner.SetScale3Color(clRed);
    owner.SetScalePos(spAboveOrLeft);
    owner.Scale().SetVisible(true);
    const QImage shot = owner.grab().toImage();
    EXPECT_EQ(owner.Scale().ZoneLimit(0), 5);
    EXPECT_EQ(owner.Scale().ZoneLimit(1), 9);

    // The same zones drawn on a known strip: ticks 0..4, 5..8, 9..10.
    TMMScale scale;
    scale.SetZoneColors(clLime, clYellow, clRed);
    scale.SetZoneLimits(5, 9);
    QImage image(110, 7, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        scale.SetCanvas(&painter);
        scale.DrawStrip({0, 0, 100, 7}, false); // hanging from the top
    }
    for (int c = 0; c <= 10; ++c) {
        const TColor expected = c <= 4 ? clLime : c <= 8 ? clYellow : clRed;
        EXPECT_EQ(image.pixel(10 * c, 0), Rgb(expected)) << "tick " << c;
    }
    // The owner's strip is coloured the same way (shifted by half a digit).
    bool sawRed = false, sawLime = false;
    for (int x = 0; x < shot.width(); ++x) {
        sawRed = sawRed || shot.pixel(x, 6) == Rgb(clRed);
        sawLime = sawLime || shot.pixel(x, 6) == Rgb(clLime);
    }
    EXPECT_TRUE(sawRed);
    EXPECT_TRUE(sawLime);
}

TEST(Scale, ConnectedVerticalStripHasItsBaseLine)
{
    TMMScale scale;
    scale.SetColor(clWhite);
    scale.SetConnect(true);
    scale.SetTickCount(3);
    QImage image(10, 24, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        scale.SetCanvas(&painter);
        scale.DrawStrip({0, 0, 8, 20}, false); // vertical, hanging from the left
    }
    EXPECT_EQ(RunDown(image, 0, 1, Rgb(clWhite)), 20); // rows 1..20
    EXPECT_EQ(image.pixel(6, 0), Rgb(clWhite));        // first tick long: 7 pixels
    EXPECT_EQ(image.pixel(7, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 10), Rgb(clWhite)); // middle tick short: 3 pixels
    EXPECT_EQ(image.pixel(3, 10), qRgb(0, 0, 0));
}

TEST(Scale, ArcTicksRunClockwiseFromTheStartAngle)
{
    TMMScale scale;
    scale.SetColor(clWhite);
    scale.SetAngles(225, 315);
    QImage image(41, 41, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        scale.SetCanvas(&painter);
        scale.DrawArc({0, 0, 41, 41});
    }
    const QRgb white = Rgb(clWhite);
    // Tick 5 (long) points straight up: 225 - 5 * 27 = 90 degrees.
    EXPECT_EQ(image.pixel(20, 1), white);
    EXPECT_EQ(image.pixel(20, 7), white);
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 0)); // nothing at the centre
    // Nothing straight down, between the end ticks.
    for (int y = 21; y < 41; ++y)
        EXPECT_EQ(image.pixel(20, y), qRgb(0, 0, 0)) << y;
}

TEST(LevelScale, TicksBelowTwoBecomeTwo)
{
    TMMLevelScale scale;
    scale.SetScaleTicks(1);
    EXPECT_EQ(scale.ScaleTicks(), 2);
    scale.SetSensitivy(-200);
    EXPECT_EQ(scale.Sensitivy(), -90);
}

// The main window's scale: 275 x 7, no strip, points 50/80.
struct MainWindowScale {
    TMMLevelScale scale;
    MainWindowScale()
    {
        scale.resize(275, 7);
        scale.Bevel().SetBevelOuter(bvNone);
        scale.SetPoint2(80);
    }
};

TEST(LevelScale, MainWindowLabelsReadMinusThirtyToZero)
{
    MainWindowScale m;
    const auto layout = m.scale.Layout();
    ASSERT_TRUE(layout.Strips.empty());
    std::vector<QString> texts;
    for (const auto& label : layout.Labels)
        texts.push_back(label.Text);
    // Counted from the right end: "0" first; "-35" would start left of the control.
    EXPECT_EQ(texts, (std::vector<QString>{"0", "-5", "-10", "-15", "-20", "-25", "-30"}));
    const QFontMetrics metrics(m.scale.Font());
    for (std::size_t i = 0; i < layout.Labels.size(); ++i) {
        const auto& label = layout.Labels[i];
        const int k = 7 - int(i);
        EXPECT_EQ(label.X + metrics.horizontalAdvance(label.Text), (k * 274 + 3) / 7)
            << "each label ends at its position";
        EXPECT_EQ(label.Color, i < 2 ? clRed : clWhite) << label.Text.toStdString();
    }
}

TEST(LevelScale, RenderedLabelsAreRedOnlyAtTheTopEnd)
{
    MainWindowScale m;
    const QImage shot = m.scale.grab().toImage();
    const auto labels = m.scale.Layout().Labels;
    const int redFrom = labels[1].X; // "-5"
    int red = 0, white = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixel(x, y) == Rgb(clRed)) {
                ++red;
                EXPECT_GE(x, redFrom);
            } else if (shot.pixel(x, y) == Rgb(clWhite)) {
                ++white;
                EXPECT_LT(x, redFrom);
            } else {
                EXPECT_EQ(shot.pixel(x, y), qRgb(0, 0, 0));
            }
        }
    EXPECT_GT(red, 3);
    EXPECT_GT(white, 3 * red);
}

TEST(LevelScale, LabelWiderThanTheControlDrawsNone)
{
    TMMLevelScale scale;
    scale.resize(6, 7);
    EXPECT_TRUE(scale.Layout().Labels.empty());
    EXPECT_NO_THROW(scale.grab());
}

TEST(LevelScale, VerticalScaleCountsDownFromTheTop)
{
    TMMLevelScale scale;
    scale.SetKind(lkVertical);
    scale.resize(30, 300);
    const auto labels = scale.Layout().Labels;
    // "-35" would end below the control and is skipped.
    ASSERT_EQ(labels.size(), 7u);
    EXPECT_EQ(labels.front().Text, "0");
    EXPECT_EQ(labels.front().Color, clRed);
    EXPECT_EQ(labels.back().Text, "-30");
    EXPECT_EQ(labels.back().Color, clWhite);
    for (std::size_t i = 1; i < labels.size(); ++i)
        EXPECT_GT(labels[i].Y, labels[i - 1].Y);
}

TEST(LevelScale, LinearLabelsSpreadByAmplitude)
{
    TMMLevelScale scale;
    scale.resize(400, 7);
    scale.SetLogAmp(false);
    std::vector<QString> texts;
    for (const auto& label : scale.Layout().Labels)
        texts.push_back(label.Text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "0");
    // Equal amplitude steps crowd the dB values toward the top.
    EXPECT_EQ(texts[1], "-1");
}

TEST(LevelScale, SymmetricLabelsMirrorWithAPlusSign)
{
    TMMLevelScale scale;
    scale.resize(600, 7);
    scale.SetDirection(dirSymetric);
    int plus = 0, minus = 0;
    for (const auto& label : scale.Layout().Labels) {
        plus += label.Text.startsWith('+');
        minus += label.Text.startsWith('-');
    }
    EXPECT_GT(minus, 0);
    EXPECT_EQ(plus, minus);
}

} // namespace
