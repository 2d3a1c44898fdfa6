#include "spectrum/MMDIBCanvas.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Runs a drawing frame on a fresh surface of the given size and depth.
struct Frame {
    TMMDIBCanvas canvas;
    Frame(int width, int height, int bits = 8)
    {
        canvas.SetBitsPerPixel(bits);
        canvas.SetSize(width, height);
        canvas.BeginDraw();
    }
    ~Frame()
    {
        if (canvas.Drawing())
            canvas.EndDraw();
    }
    // Lit pixels as a picture of '#' and '.', one string per line, top first.
    std::vector<std::string> Picture(std::uint32_t lit) const
    {
        std::vector<std::string> lines;
        for (int y = 0; y < canvas.Height(); ++y) {
            std::string line;
            for (int x = 0; x < canvas.Width(); ++x)
                line += canvas.Pixel(x, y) == lit ? '#' : '.';
            lines.push_back(line);
        }
        return lines;
    }
};

using Lines = std::vector<std::string>;

TEST(DIBPalette, StandardColoursLandOnExactStaticEntries)
{
    const TDIBPalette palette;
    EXPECT_EQ(palette.NearestIndex(clBlack), 0);
    EXPECT_EQ(palette.NearestIndex(clRed), 249);
    EXPECT_EQ(palette.NearestIndex(clLime), 250);
    EXPECT_EQ(palette.NearestIndex(clYellow), 251);
    EXPECT_EQ(palette.NearestIndex(clAqua), 254);
    EXPECT_EQ(palette.NearestIndex(clWhite), 255);
    EXPECT_EQ(palette.NearestIndex(clMaroon), 1);
    EXPECT_EQ(palette.NearestIndex(clTeal), 6);
    EXPECT_EQ(palette.NearestIndex(clSilver), 7);
    EXPECT_EQ(palette.NearestIndex(clGray), 248);
    EXPECT_EQ(palette.NearestIndex(clBtnFace), 7); // system colour resolved first
    for (int i = 10; i <= 245; ++i)
        EXPECT_EQ(palette.Entry(i), qRgb(0, 0, 0)) << i;
}

TEST(DIBPalette, OtherColoursTakeTheNearestStaticEntry)
{
    const TDIBPalette palette;
    // red 0x56, green 0x34, blue 0x12: nearest is dark red (128, 0, 0).
    EXPECT_EQ(palette.NearestIndex(0x00123456), 1);
    EXPECT_EQ(palette.NearestIndex(RGBColor(250, 250, 250)), 255);
    EXPECT_EQ(palette.NearestIndex(RGBColor(100, 100, 100)), 248);
}

TEST(DIBPalette, CustomPaletteFillsTheMiddleOnlyWhenAcceptable)
{
    TLogPalette custom;
    custom.Entries.assign(256, qRgb(1, 2, 3));
    custom.Entries[100] = qRgb(10, 200, 30);
    TDIBPalette palette;
    palette.Build(nullptr, &custom);
    EXPECT_EQ(palette.Entry(100), qRgb(10, 200, 30));
    EXPECT_EQ(palette.Entry(5), qRgb(128, 0, 128)); // statics stay
    EXPECT_EQ(palette.NearestIndex(RGBColor(10, 200, 30)), 100);

    custom.Version = 0x200;
    palette.Build(nullptr, &custom);
    EXPECT_EQ(palette.Entry(100), qRgb(0, 0, 0));
}

TEST(DIBCanvas, TwentyFourBitPixelsAreBlueGreenRedBytes)
{
    Frame f(3, 2, 24);
    f.canvas.SetColor(clRed);
    f.canvas.SetPixel(1, 0, f.canvas.ColorToPixel(RGBColor(0x11, 0x22, 0x33)));
    f.canvas.HLine(1, 0, 2);
    const TDIBSurface& s = f.canvas.Surface();
    EXPECT_EQ(s.Stride, 12); // 9 bytes rounded up to 4
    // Bottom line is first in memory.
    const std::uint8_t* bottom = f.canvas.Bits();
    EXPECT_EQ(bottom[0], 0x00);
    EXPECT_EQ(bottom[1], 0x00);
    EXPECT_EQ(bottom[2], 0xFF);
    const std::uint8_t* top = bottom + s.Stride;
    EXPECT_EQ(top[3], 0x33);
    EXPECT_EQ(top[4], 0x22);
    EXPECT_EQ(top[5], 0x11);
    EXPECT_EQ(s.Bits, top);
    EXPECT_EQ(s.SignedStride, -12);
}

TEST(DIBCanvas, EightBitColourWordRepeatsTheIndex)
{
    Frame f(5, 3);
    f.canvas.SetColor(clLime);
    EXPECT_EQ(f.canvas.Surface().ColorWord, 0xFAFAFAFAu);
    EXPECT_EQ(f.canvas.Surface().Stride, 8);
}

TEST(DIBCanvas, EmptySizeIsMadeAsOnePixel)
{
    Frame f(0, 0);
    EXPECT_EQ(f.canvas.Surface().Width, 1);
    EXPECT_EQ(f.canvas.Surface().Height, 1);
    EXPECT_EQ(f.canvas.Surface().Stride, 4);
    ASSERT_NE(f.canvas.Bits(), nullptr);
}

TEST(DIBCanvas, UnsupportedDepthIsRefusedAndEightKept)
{
    TMMDIBCanvas canvas;
    try {
        canvas.SetBitsPerPixel(16);
        FAIL() << "16 bits accepted";
    } catch (const EMMDIBError& e) {
        EXPECT_STREQ(e.what(), "Bitlength not supported yet");
        EXPECT_STREQ(e.ClassName(), "EMMDIBError");
    }
    EXPECT_EQ(canvas.BitsPerPixel(), 8);
}

TEST(DIBCanvas, ResizeWhileDrawingWaitsForTheNextFrame)
{
    Frame f(4, 4);
    f.canvas.SetSize(10, 6);
    EXPECT_EQ(f.canvas.Surface().Width, 4);
    f.canvas.SetColor(clWhite);
    f.canvas.FillRect({0, 0, 10, 6}); // clip already 10 x 6, memory still 4 x 4
    EXPECT_EQ(f.canvas.Pixel(3, 3), 255u);
    f.canvas.EndDraw();
    f.canvas.BeginDraw();
    EXPECT_EQ(f.canvas.Surface().Width, 10);
    EXPECT_EQ(f.canvas.Surface().Height, 6);
    EXPECT_EQ(f.canvas.Pixel(3, 3), 0u); // new picture starts black
}

TEST(DIBCanvas, ForcedRecreationWhileDrawingRaisesWithTheOwnersClass)
{
    QWidget owner;
    TMMDIBCanvas canvas(&owner);
    canvas.BeginDraw();
    try {
        canvas.RecreateDIB();
        FAIL() << "re-created while drawing";
    } catch (const EMMDIBError& e) {
        EXPECT_STREQ(e.what(), "QWidget: Attempt to create new DIB while initialized for drawing");
    }
    canvas.EndDraw();
    EXPECT_NO_THROW(canvas.RecreateDIB());
}

TEST(DIBCanvas, DrawingHoldsTheProcessWideLock)
{
    TMMDIBCanvas a;
    a.BeginDraw();
    bool otherThreadGotIt = true;
    std::thread([&] {
        otherThreadGotIt = TMMDIBCanvas::DrawLock().try_lock();
        if (otherThreadGotIt)
            TMMDIBCanvas::DrawLock().unlock();
    }).join();
    EXPECT_FALSE(otherThreadGotIt);
    a.EndDraw();
    std::thread([&] {
        otherThreadGotIt = TMMDIBCanvas::DrawLock().try_lock();
        if (otherThreadGotIt)
            TMMDIBCanvas::DrawLock().unlock();
    }).join();
    EXPECT_TRUE(otherThreadGotIt);
}

TEST(DIBCanvasRaster, FillIsClippedAtEveryEdge)
{
    Frame f(6, 5);
    f.canvas.SetClipRect({1, 1, 5, 4});
    f.canvas.SetColor(clWhite);
    f.canvas.FillRect({-3, -3, 9, 9});
    EXPECT_EQ(f.Picture(255), (Lines{"......", ".####.", ".####.", ".####.", "......"}));
}

TEST(DIBCanvasRaster, RunsAndPixelsOutsideThePictureDrawNothing)
{
    Frame f(4, 3);
    f.canvas.SetColor(clWhite);
    f.canvas.HLine(-1, -5, 10);
    f.canvas.HLine(3, -5, 10);
    f.canvas.VLine(-1, -5, 10);
    f.canvas.VLine(4, -5, 10);
    f.canvas.SetPixel(-1, 0, 255);
    f.canvas.SetPixel(0, 3, 255);
    f.canvas.DottedHLine(1, 5, 0, 3);
    f.canvas.FillRect({4, 0, 8, 3});
    EXPECT_EQ(f.Picture(255), (Lines{"....", "....", "...."}));
    f.canvas.HLine(1, 10, -10); // reversed ends
    f.canvas.VLine(2, 5, -5);
    EXPECT_EQ(f.Picture(255), (Lines{"..#.", "####", "..#."}));
}

TEST(DIBCanvasRaster, LinesFollowTheIntegerAlgorithmAndClip)
{
    Frame f(5, 4);
    f.canvas.SetColor(clWhite);
    f.canvas.MoveTo(0, 0);
    f.canvas.LineTo(4, 2);
    // Half-way points round toward the end point.
    EXPECT_EQ(f.Picture(255), (Lines{"#....", ".##..", "...##", "....."}));
    EXPECT_EQ(f.canvas.Surface().Position, (TPoint{4, 2}));

    Frame g(4, 4);
    g.canvas.SetColor(clWhite);
    g.canvas.MoveTo(-3, -3);
    g.canvas.LineTo(8, 8);
    EXPECT_EQ(g.Picture(255), (Lines{"#...", ".#..", "..#.", "...#"}));
}

TEST(DIBCanvasRaster, DottedRunsStartAtTheirFirstEnd)
{
    Frame f(9, 3);
    f.canvas.SetColor(clWhite);
    f.canvas.DottedHLine(1, 0, 1, 8);
    f.canvas.DottedHLine(2, 1, 0, 8);
    f.canvas.DottedVLine(1, 8, 1, 2);
    EXPECT_EQ(f.Picture(255), (Lines{".#.#.#.#.", "#..#..#.#", "........."}));
}

TEST(DIBCanvasRaster, DottedRectangleKeepsItsPhaseWhenClipped)
{
    Frame f(8, 6);
    f.canvas.SetColor(clWhite);
    f.canvas.SetClipRect({4, 2, 8, 6});
    // Lit pixels sit at even offsets from (3, 1), even where the clip cuts the corner off.
    f.canvas.FillRectDotted({3, 1, 8, 6});
    EXPECT_EQ(f.Picture(255),
              (Lines{"........", "........", "........", ".....#.#", "........", ".....#.#"}));
}

TEST(DIBCanvasRaster, ClearFillsTheWholePicture)
{
    Frame f(3, 2, 24);
    f.canvas.SetClipRect({0, 0, 1, 1});
    f.canvas.SetColor(clAqua);
    f.canvas.Clear();
    EXPECT_EQ(f.Picture(0x00FFFF), (Lines{"###", "###"}));
}

// Fills each pixel with a value telling where it came from.
void Number(TMMDIBCanvas& canvas)
{
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            canvas.SetPixel(x, y, std::uint32_t(y * 16 + x));
}

TEST(DIBCanvasRaster, CopyWithinThePictureMovesRowsInTheSafeDirection)
{
    for (int shift : {1, -1}) {
        Frame f(4, 5);
        Number(f.canvas);
        // Move lines 1..3 by one line (down, then up); overlapping rows must survive.
        const int from = shift > 0 ? 0 : 1;
        f.canvas.CopyBits({0, from + shift, 4, from + shift + 4}, f.canvas.Bits(), 0, from);
        for (int y = from + shift; y < from + shift + 4; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(f.canvas.Pixel(x, y), std::uint32_t((y - shift) * 16 + x))
                    << "shift " << shift << " at " << x << "," << y;
    }
}

TEST(DIBCanvasRaster, CopyWithinALineOverlapsBothWays)
{
    for (int shift : {2, -2}) {
        Frame f(6, 1, 24);
        Number(f.canvas);
        const int from = shift > 0 ? 0 : 2;
        f.canvas.CopyBits({from + shift, 0, from + shift + 4, 1}, f.canvas.Bits(), from, 0);
        for (int x = from + shift; x < from + shift + 4; ++x)
            EXPECT_EQ(f.canvas.Pixel(x, 0), std::uint32_t(x - shift)) << shift;
    }
}

TEST(DIBCanvasRaster, CopyIsClippedAndKeepsTheSourceInside)
{
    Frame source(4, 4);
    Number(source.canvas);
    Frame f(4, 4);
    f.canvas.SetClipRect({1, 1, 4, 4});
    f.canvas.CopyBits({-1, -1, 3, 3}, source.canvas.Bits(), 0, 0);
    EXPECT_EQ(f.canvas.Pixel(0, 0), 0u);
    EXPECT_EQ(f.canvas.Pixel(1, 1), std::uint32_t(2 * 16 + 2));
    EXPECT_EQ(f.canvas.Pixel(2, 2), std::uint32_t(3 * 16 + 3));
    EXPECT_EQ(f.canvas.Pixel(3, 3), 0u);
    // A source point near the far edge copies only what exists.
    f.canvas.CopyBits({1, 1, 4, 4}, source.canvas.Bits(), 3, 3);
    EXPECT_EQ(f.canvas.Pixel(1, 1), std::uint32_t(3 * 16 + 3));
    EXPECT_EQ(f.canvas.Pixel(2, 1), std::uint32_t(2 * 16 + 3)); // left from the first copy
}

TEST(DIBCanvasBackGround, StretchedOrTiled)
{
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(255, 255, 255));

    TMMDIBCanvas canvas;
    canvas.SetBitsPerPixel(24);
    canvas.SetSize(4, 4);
    canvas.SetBackGroundBitmap(picture);
    canvas.BeginDraw();
    canvas.CopyBits({0, 0, 4, 4}, canvas.BackGroundBits(), 0, 0);
    EXPECT_EQ(canvas.Pixel(1, 1), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(2, 1), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(1, 2), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(3, 3), 0xFFFFFFu);
    canvas.EndDraw();

    canvas.SetStretchBackGround(false);
    canvas.BeginDraw();
    canvas.CopyBits({0, 0, 4, 4}, canvas.BackGroundBits(), 0, 0);
    EXPECT_EQ(canvas.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(2, 0), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(3, 2), 0x00FF00u);
    canvas.EndDraw();
}

TEST(DIBCanvasBackGround, IndexedPictureLendsItsPalette)
{
    QImage picture(1, 1, QImage::Format_Indexed8);
    QList<QRgb> table(256, qRgb(0, 0, 0));
    table[20] = qRgb(12, 34, 56);
    picture.setColorTable(table);
    picture.fill(20);
    TMMDIBCanvas canvas;
    canvas.SetSize(2, 2);
    canvas.SetBackGroundBitmap(picture);
    canvas.BeginDraw();
    EXPECT_EQ(canvas.Palette().Entry(20), qRgb(12, 34, 56));
    EXPECT_EQ(canvas.BackGroundBits()[0], 20);
    canvas.EndDraw();
}

TEST(DIBCanvasScreen, CopyToPaintsTheBlockAtTheDestination)
{
    Frame f(4, 3);
    f.canvas.SetColor(clRed);
    f.canvas.FillRect({1, 0, 2, 3});
    f.canvas.SetColor(clLime);
    f.canvas.SetPixel(3, 2, f.canvas.ColorToPixel(clLime));
    QImage screen(10, 10, QImage::Format_RGB32);
    screen.fill(Qt::blue);
    {
        QPainter painter(&screen);
        f.canvas.CopyTo(&painter, {5, 5, 8, 8}, 1, 0); // 3 x 3 from (1, 0)
    }
    EXPECT_EQ(screen.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(6, 5), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(7, 7), qRgb(0, 255, 0));
    EXPECT_EQ(screen.pixel(8, 8), qRgb(0, 0, 255)); // outside the block
    EXPECT_EQ(screen.pixel(4, 5), qRgb(0, 0, 255));
    f.canvas.CopyTo(nullptr, {0, 0, 1, 1}, 0, 0); // no target: nothing
}

TEST(DIBCanvasText, TextLandsInsideItsBoxInTheColour)
{
    Frame f(40, 20);
    f.canvas.Font().setPixelSize(10);
    f.canvas.TextOut(2, 3, QStringLiteral("-30"), clWhite);
    const int width = f.canvas.TextWidth(QStringLiteral("-30"));
    const int height = f.canvas.TextHeight(QStringLiteral("-30"));
    int lit = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            if (f.canvas.Pixel(x, y) == 255) {
                ++lit;
                EXPECT_TRUE(x >= 2 && x < 2 + width && y >= 3 && y < 3 + height) << x << "," << y;
            } else {
                EXPECT_EQ(f.canvas.Pixel(x, y), 0u);
            }
    EXPECT_GT(lit, 10);
}

} // namespace

namespace {

TEST(DIBCanvas, ColourLookupFollowsANewPalette)
{
    TMMDIBCanvas canvas;
    const TColor green = RGBColor(10, 200, 30);
    EXPECT_EQ(canvas.ColorToPixel(green), 250u); // nearest static: lime
    TLogPalette custom;
    custom.Entries.assign(256, qRgb(0, 0, 0));
    custom.Entries[100] = qRgb(10, 200, 30);
    canvas.SetPalette(&custom);
    canvas.BeginDraw();
    EXPECT_EQ(canvas.ColorToPixel(green), 100u);
    canvas.EndDraw();
}

} // namespace
