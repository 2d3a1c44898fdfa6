#pragma once

#include "audio/MMGraphicControl.h"
#include "audio/ScreenCopyPacer.h"
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

    // The framework's bounds, then the surface takes the control's size.
    void SetBounds(int left, int top, int width, int height) override;

    // Surface depth: 8 or 24, else EMMDIBError "Bitlength not supported yet".
    virtual void SetBitsPerPixel(int bits);

    // Copies the background picture into the surface, else fills it with Color.
    // Only between BeginDraw and EndDraw of the surface.
    virtual void DIBClearBackGround();

    // Runs procedure(this, flag) at once with Canvas() painting on the control,
    // when the control is visible. The procedure always runs at once and draws
    // its frame off-screen; the copy to the screen is made at most once per
    // ScreenInterval (the others run with no Canvas(), and the newest frame is
    // shown when the interval ends), since every copy is a round trip through
    // the display server and no screen shows hundreds of frames a second.
    // Returns whether it ran.
    bool PaintNow(bool flag, const TPaintNowProc& procedure);

    // Shortest time between two screen copies of PaintNow, in ms; 0: every one.
    int ScreenInterval() const { return FPacer.Interval(); }
    void SetScreenInterval(int milliseconds) { FPacer.SetInterval(milliseconds); }
    // A screen copy is waiting for the end of the interval.
    bool ScreenCopyPending() const { return FPacer.Pending(); }

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
    ScreenCopyPacer FPacer;
};
