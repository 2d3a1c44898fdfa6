#pragma once

#include "audio/MMGraphicControl.h"
#include "spectrum/MMDIBCanvas.h"

#include <QImage>
#include <functional>

// A drawn display with its own off-screen surface the size of the control. It can
// show a background picture and can paint a frame at once, outside Qt's normal
// paint cycle, which the displays use for every analysed block.
class TMMDIBGraphicControl : public TMMGraphicControl {
    Q_OBJECT
public:
    using TPaintNowProc = std::function<void(TMMDIBGraphicControl* control, bool flag)>;

    explicit TMMDIBGraphicControl(QWidget* parent = nullptr);

    TMMDIBCanvas& DIBCanvas() { return FDIBCanvas; }
    const TMMDIBCanvas& DIBCanvas() const { return FDIBCanvas; }

    const QImage& BackGroundDIB() const { return FBackGroundDIB; }
    void SetBackGroundDIB(const QImage& picture);
    bool UseBackGroundDIB() const { return FUseBackGroundDIB; }
    void SetUseBackGroundDIB(bool value);
    bool PaletteRealize() const { return FDIBCanvas.PaletteRealize(); }
    void SetPaletteRealize(bool value) { FDIBCanvas.SetPaletteRealize(value); }
    bool PaletteMapped() const { return FDIBCanvas.PaletteMapped(); }
    void SetPaletteMapped(bool value) { FDIBCanvas.SetPaletteMapped(value); }
    int Tag2 = 0; // free for the application

    // Surface depth: 8 or 24, else EMMDIBError "Bitlength not supported yet".
    virtual void SetBitsPerPixel(int bits);

    // Copies the background picture into the surface, else fills it with Color.
    // Only between BeginDraw and EndDraw of the surface.
    virtual void DIBClearBackGround();

    // Runs procedure(this, flag) at once with Canvas() painting on the control,
    // when the control is visible (with no Canvas() while its window is not yet
    // on screen). Returns whether it ran.
    bool PaintNow(bool flag, const TPaintNowProc& procedure);

    // The painter of the running paint (normal or immediate); nullptr outside one.
    QPainter* Canvas() const { return FCanvas; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Applies UseBackGroundDIB to the surface.
    void ApplyBackGround();

private:
    TMMDIBCanvas FDIBCanvas;
    QImage FBackGroundDIB;
    bool FUseBackGroundDIB = false;
    QPainter* FCanvas = nullptr;
    const TPaintNowProc* FPaintNow = nullptr;
    bool FPaintNowFlag = false;
};
