#include "spectrum/MMDIBGraphicControl.h"

#include <QPainter>
#include <QResizeEvent>

TMMDIBGraphicControl::TMMDIBGraphicControl(QWidget* parent)
    : TMMGraphicControl(parent), FDIBCanvas(this), FPacer(*this, [this] { repaint(); })
{
    FDIBCanvas.SetSize(width(), height());
}

void TMMDIBGraphicControl::SetBackGroundDIB(const QImage& picture)
{
    FBackGroundDIB = picture;
    ApplyBackGround();
    update();
}

void TMMDIBGraphicControl::SetUseBackGroundDIB(bool value)
{
    if (value == FUseBackGroundDIB)
        return;
    FUseBackGroundDIB = value;
    ApplyBackGround();
    update();
}

void TMMDIBGraphicControl::ApplyBackGround()
{
    if (FUseBackGroundDIB && !FBackGroundDIB.isNull()) {
        FDIBCanvas.SetPaletteRealize(true);
        FDIBCanvas.SetBackGroundBitmap(FBackGroundDIB);
    } else {
        FDIBCanvas.SetBackGroundBitmap(QImage());
        FDIBCanvas.SetPaletteRealize(false);
    }
}

void TMMDIBGraphicControl::SetBounds(int left, int top, int width, int height)
{
    TMMGraphicControl::SetBounds(left, top, width, height);
    FDIBCanvas.SetSize(width, height);
}

void TMMDIBGraphicControl::SetBitsPerPixel(int bits)
{
    FDIBCanvas.SetBitsPerPixel(bits);
    update();
}

void TMMDIBGraphicControl::DIBClearBackGround()
{
    if (const std::uint8_t* picture = FDIBCanvas.BackGroundBits()) {
        FDIBCanvas.CopyBits({0, 0, FDIBCanvas.Width(), FDIBCanvas.Height()}, picture, 0, 0);
    } else {
        FDIBCanvas.SetColor(Color());
        FDIBCanvas.Clear();
    }
}

bool TMMDIBGraphicControl::PaintNow(bool flag, const TPaintNowProc& procedure)
{
    if (!isVisible() || !procedure)
        return false;
    if (FPacer.CopyDue()) {
        FPaintNow = &procedure;
        FPaintNowFlag = flag;
        repaint(); // synchronous: paintEvent runs the procedure before this returns
        const bool ran = FPaintNow == nullptr;
        FPaintNow = nullptr;
        if (ran) {
            FPacer.Copied();
            return true;
        }
    }
    // Off screen, or the screen was updated a moment ago: the frame is still drawn
    // at once, without a Canvas(), and shown by a later copy.
    procedure(this, flag);
    FPacer.Defer();
    return true;
}

void TMMDIBGraphicControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    FCanvas = &painter;
    struct Reset {
        QPainter*& canvas;
        ~Reset() { canvas = nullptr; }
    } reset{FCanvas};
    if (FPaintNow) {
        const TPaintNowProc* procedure = FPaintNow;
        FPaintNow = nullptr;
        (*procedure)(this, FPaintNowFlag);
    } else {
        Paint(painter);
    }
}

void TMMDIBGraphicControl::resizeEvent(QResizeEvent* event)
{
    TMMGraphicControl::resizeEvent(event);
    FDIBCanvas.SetSize(width(), height());
}
