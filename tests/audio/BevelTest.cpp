#include "audio/MMBevel.h"
#include "audio/MMGraphicControl.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct CountingBevel {
    TMMBevel bevel;
    int changes = 0;
    int changings = 0;
    CountingBevel()
    {
        bevel.OnChange = [this](TMMObject*) { ++changes; };
        bevel.OnChanging = [this](TMMObject*) { ++changings; };
    }
};

TEST(Bevel, StartsAsALoweredOnePixelFrame)
{
    const TMMBevel b;
    EXPECT_EQ(b.BevelInner(), bvNone);
    EXPECT_EQ(b.BevelOuter(), bvLowered);
    EXPECT_EQ(b.BevelInnerWidth(), 1);
    EXPECT_EQ(b.BevelOuterWidth(), 1);
    EXPECT_EQ(b.BorderStyle(), bsNone);
    EXPECT_EQ(b.BorderWidth(), 0);
    EXPECT_EQ(b.BorderSpace(), 0);
    EXPECT_EQ(b.BorderColor(), clBtnFace);
    EXPECT_EQ(b.BorderSpaceColor(), clBlack);
    EXPECT_EQ(b.OuterLightColor(), clBtnHighlight);
    EXPECT_EQ(b.InnerLightColor(), clBtnHighlight);
    EXPECT_EQ(b.OuterShadowColor(), clBtnShadow);
    EXPECT_EQ(b.InnerShadowColor(), clBtnShadow);
    EXPECT_EQ(b.BevelExtend(), 1);
}

TEST(Bevel, OnlyARealChangeIsAnnounced)
{
    CountingBevel c;
    c.bevel.SetBorderWidth(2);
    c.bevel.SetBorderWidth(2);
    c.bevel.SetBevelOuter(bvLowered);
    EXPECT_EQ(c.changes, 1);
}

TEST(Bevel, AssignCopiesEverythingAndAnnouncesOnce)
{
    TMMBevel source;
    source.SetBevelInner(bvRaised);
    source.SetBevelOuter(bvNone);
    source.SetBevelInnerWidth(3);
    source.SetBevelOuterWidth(4);
    source.SetBorderStyle(bsSingle);
    source.SetBorderWidth(5);
    source.SetBorderSpace(6);
    source.SetBorderColor(clRed);
    source.SetBorderSpaceColor(clLime);
    source.SetOuterLightColor(clYellow);
    source.SetInnerLightColor(clAqua);
    source.SetOuterShadowColor(clTeal);
    source.SetInnerShadowColor(clMaroon);

    CountingBevel c;
    c.bevel.Assign(source);
    EXPECT_EQ(c.changes, 1);
    EXPECT_EQ(c.changings, 1);
    EXPECT_EQ(c.bevel.BevelInner(), bvRaised);
    EXPECT_EQ(c.bevel.BevelOuter(), bvNone);
    EXPECT_EQ(c.bevel.BevelInnerWidth(), 3);
    EXPECT_EQ(c.bevel.BevelOuterWidth(), 4);
    EXPECT_EQ(c.bevel.BorderStyle(), bsSingle);
    EXPECT_EQ(c.bevel.BorderWidth(), 5);
    EXPECT_EQ(c.bevel.BorderSpace(), 6);
    EXPECT_EQ(c.bevel.BorderColor(), clRed);
    EXPECT_EQ(c.bevel.BorderSpaceColor(), clLime);
    EXPECT_EQ(c.bevel.OuterLightColor(), clYellow);
    EXPECT_EQ(c.bevel.InnerLightColor(), clAqua);
    EXPECT_EQ(c.bevel.OuterShadowColor(), clTeal);
    EXPECT_EQ(c.bevel.InnerShadowColor(), clMaroon);
    // single 1 + border 5 + space 6 + inner 3 (no outer bevel)
    EXPECT_EQ(c.bevel.BevelExtend(), 15);
}

TEST(Bevel, PaintDrawsEachRingAndReturnsTheInside)
{
    TMMBevel b;
    b.SetBorderStyle(bsSingle);
    b.SetBevelOuter(bvRaised);
    b.SetBorderWidth(1);
    b.SetBorderColor(clRed);
    b.SetBevelInner(bvLowered);
    b.SetBorderSpace(1);
    b.SetBorderSpaceColor(clLime);
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::blue);
    TRect inner;
    {
        QPainter painter(&image);
        inner = b.Paint(painter, {0, 0, 12, 12}, true);
    }
    EXPECT_EQ(inner, (TRect{5, 5, 7, 7}));
    EXPECT_EQ(inner.Left, b.BevelExtend());
    EXPECT_EQ(image.pixel(0, 5), qRgb(0, 0, 0));        // single border: window frame
    EXPECT_EQ(image.pixel(1, 5), qRgb(255, 255, 255));  // raised: light left
    EXPECT_EQ(image.pixel(10, 5), qRgb(128, 128, 128)); // and shadow right
    EXPECT_EQ(image.pixel(2, 5), qRgb(255, 0, 0));      // border
    EXPECT_EQ(image.pixel(3, 5), qRgb(128, 128, 128));  // lowered: shadow left
    EXPECT_EQ(image.pixel(5, 8), qRgb(255, 255, 255));  // and light bottom
    EXPECT_EQ(image.pixel(4, 5), qRgb(0, 255, 0));      // spacing ring
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 255));      // inside untouched

    image.fill(Qt::blue);
    {
        QPainter painter(&image);
        inner = b.Paint(painter, {0, 0, 12, 12}, false);
    }
    EXPECT_EQ(inner, (TRect{5, 5, 7, 7}));
    EXPECT_EQ(image.pixel(2, 5), qRgb(0, 0, 255)); // border room kept, not painted
}

TEST(GraphicControl, PaintsTheFrameAndFillsTheInside)
{
    TMMGraphicControl control;
    control.resize(10, 8);
    control.SetColor(clYellow);
    control.Bevel().SetBorderWidth(1);
    EXPECT_EQ(control.InnerRect(), (TRect{2, 2, 8, 6}));
    QImage shot = control.grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(shot.pixel(9, 7), qRgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(1, 3), qRgb(192, 192, 192)); // border in button face
    EXPECT_EQ(shot.pixel(4, 4), qRgb(255, 255, 0));

    control.SetNoFill(true);
    QImage unfilled(10, 8, QImage::Format_RGB32);
    unfilled.fill(Qt::blue);
    control.render(&unfilled, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(unfilled.pixel(4, 4), qRgb(0, 0, 255));
}

} // namespace
