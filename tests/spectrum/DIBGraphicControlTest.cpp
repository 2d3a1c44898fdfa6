#include "spectrum/MMDIBGraphicControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <vector>

namespace {

bool WaitExposed(QWidget& widget)
{
    QElapsedTimer timer;
    timer.start();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()) && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return widget.windowHandle() && widget.windowHandle()->isExposed();
}

TEST(DIBGraphicControl, SurfaceFollowsTheControlsSize)
{
    TMMDIBGraphicControl control;
    control.SetBounds(0, 0, 30, 12);
    EXPECT_EQ(control.DIBCanvas().Width(), 30) << "at once, though hidden";
    EXPECT_EQ(control.DIBCanvas().Height(), 12);
    control.show();
    control.resize(40, 16);
    QCoreApplication::processEvents();
    EXPECT_EQ(control.DIBCanvas().Width(), 40);
    EXPECT_EQ(control.DIBCanvas().Height(), 16);
}

TEST(DIBGraphicControl, PaintNowDrawsOnTheScreenAtOnce)
{
    TMMDIBGraphicControl control;
    control.resize(20, 10);
    int runs = 0;
    bool hadCanvas = false;
    const auto procedure = [&](TMMDIBGraphicControl* c, bool flag) {
        ++runs;
        hadCanvas = c->Canvas() != nullptr;
        EXPECT_TRUE(flag);
    };
    EXPECT_FALSE(control.PaintNow(true, procedure)) << "hidden controls do not paint";
    EXPECT_EQ(runs, 0);

    control.show();
    ASSERT_TRUE(WaitExposed(control));
    EXPECT_TRUE(control.PaintNow(true, procedure));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(hadCanvas);
    EXPECT_EQ(control.Canvas(), nullptr) << "the painter lives only during the paint";
}

TEST(DIBGraphicControl, ScreenCopiesAreSpacedButEveryFrameIsDrawn)
{
    TMMDIBGraphicControl control;
    control.resize(20, 10);
    control.show();
    ASSERT_TRUE(WaitExposed(control));
    std::vector<bool> canvases;
    const auto procedure = [&](TMMDIBGraphicControl* c, bool) {
        canvases.push_back(c->Canvas() != nullptr);
    };

    control.SetScreenInterval(0);
    control.PaintNow(false, procedure);
    control.PaintNow(false, procedure);
    EXPECT_EQ(canvases, (std::vector<bool>{true, true})) << "interval 0: every frame on screen";
    EXPECT_FALSE(control.ScreenCopyPending());

    canvases.clear();
    control.SetScreenInterval(60'000);
    control.PaintNow(false, procedure); // the last copy was a moment ago
    control.PaintNow(false, procedure);
    EXPECT_EQ(canvases, (std::vector<bool>{false, false})) << "drawn off-screen at once";
    EXPECT_TRUE(control.ScreenCopyPending()) << "the newest frame is shown later";
}

TEST(DIBGraphicControl, ClearBackGroundUsesThePictureOrTheColour)
{
    TMMDIBGraphicControl control;
    control.resize(4, 4);
    QCoreApplication::processEvents();
    control.DIBCanvas().SetSize(4, 4);
    control.SetColor(clYellow);
    control.DIBCanvas().BeginDraw();
    control.DIBClearBackGround();
    EXPECT_EQ(control.DIBCanvas().Pixel(3, 3), 251u);
    control.DIBCanvas().EndDraw();

    QImage picture(1, 1, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    control.SetBackGroundDIB(picture);
    EXPECT_FALSE(control.PaletteRealize()) << "not used until UseBackGroundDIB";
    control.SetUseBackGroundDIB(true);
    EXPECT_TRUE(control.PaletteRealize());
    control.DIBCanvas().BeginDraw();
    control.DIBClearBackGround();
    EXPECT_EQ(control.DIBCanvas().Pixel(2, 1), 249u);
    control.DIBCanvas().EndDraw();

    control.SetUseBackGroundDIB(false);
    EXPECT_FALSE(control.PaletteRealize());
    EXPECT_TRUE(control.DIBCanvas().BackGroundBitmap().isNull());
}

TEST(DIBGraphicControl, UsingAnEmptyPictureChangesNothing)
{
    TMMDIBGraphicControl control;
    control.SetUseBackGroundDIB(true);
    EXPECT_FALSE(control.PaletteRealize());
    EXPECT_THROW(control.SetBitsPerPixel(16), EMMDIBError);
    EXPECT_EQ(control.DIBCanvas().BitsPerPixel(), 8);
}

} // namespace
