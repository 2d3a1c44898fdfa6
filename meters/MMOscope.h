#pragma once

#include "audio/MMDisplay.h"
#include "meters/MMOscopeTypes.h"
#include "meters/OscopeColumns.h"
#include "meters/OscopeGeometry.h"
#include "spectrum/MMDIBGraphicControl.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class TMMOscope;
using TMMOscopeNotify = std::function<void(TMMOscope* sender)>;
// Replaces the built-in trace: draws `rect` (0, 0, columns, height) of the image
// from the column values.
using TMMOscopeDrawLine = std::function<void(TMMOscope* sender, TMMDIBCanvas& dib,
                                             const TRect& rect, const std::int16_t* data)>;
using TMMOscopeSelect = std::function<void(TMMOscope* sender, int min, int max)>;

// The live waveform: one block of PCM per update, one frame per pixel column (or
// fewer or more by Zoom), drawn in one of five kinds; or, with Scroll, a
// recorder that adds one column of extremes per block. Optional amplitude and
// time scales in margins around the plot, a grid, a range selected with the
// right mouse button, and a time and voltage read-out while the left one is held.
class TMMOscope : public TMMDIBGraphicControl, public TMMOscopeDisplay {
    Q_OBJECT
public:
    explicit TMMOscope(QWidget* parent = nullptr);
    ~TMMOscope() override;

    // The connector's display contract.
    void SetStreamFormat(const TWaveFormatEx* format) override;
    TWaveFormatEx StreamFormat() const;
    std::int32_t BytesPerRefresh() const override;
    void ConsumePcm(const std::uint8_t* data) override;
    void ClearDisplay() override;

    TMMOscopeKind Kind() const { return FKind; }
    void SetKind(TMMOscopeKind value);
    TMMBits BitLength() const override { return FLayout.bits; }
    void SetBitLength(TMMBits value);
    TMMMode Mode() const override { return FLayout.mode; }
    void SetMode(TMMMode value);
    TMMChannel Channel() const { return FLayout.channel; }
    void SetChannel(TMMChannel value);
    int SampleRate() const { return FSampleRate; }
    void SetSampleRate(int value); // 8000 .. 88200
    int Gain() const { return FGain; }
    void SetGain(int value); // eighths, -8 .. 32; others are ignored
    int Zoom() const { return FZoom; }
    void SetZoom(int value); // -9 .. 9; 0 is ignored
    int Steps() const { return FSteps; }
    void SetSteps(int value); // 1 .. 9
    TMMOscopeEffect Effect() const { return FEffect; }
    void SetEffect(TMMOscopeEffect value);
    bool LowPass() const { return FLowPass; }
    void SetLowPass(bool value);
    bool DrawMidLine() const { return FDrawMidLine; }
    void SetDrawMidLine(bool value);
    bool DrawGrid() const { return FDrawGrid; }
    void SetDrawGrid(bool value);
    bool DrawAmpScale() const { return FDrawAmpScale; }
    void SetDrawAmpScale(bool value);
    bool DrawTimeScale() const { return FDrawTimeScale; }
    void SetDrawTimeScale(bool value);
    bool Scroll() const override { return FScroll; }
    void SetScroll(bool value);
    bool Accelerate() const override { return FAccelerate; }
    void SetAccelerate(bool value);
    std::int32_t FFTLength() const override { return FFFTLength; }
    void SetFFTLength(int value); // 1 .. 4096, down to a power of two
    int BarWidth() const { return FBarWidth; }
    void SetBarWidth(int value); // at least 1
    bool ShowInfo() const { return FShowInfo; }
    void SetShowInfo(bool value);
    bool UseSelection() const { return FUseSelection; }
    void SetUseSelection(bool value);
    bool Locked() const { return FLocked; }
    void SetLocked(bool value);

    TColor ForegroundColor() const { return FForegroundColor; }
    void SetForegroundColor(TColor value) { SetColorProperty(FForegroundColor, value); }
    TColor InactiveColor() const { return FInactiveColor; }
    void SetInactiveColor(TColor value) { FInactiveColor = value; } // not drawn
    TColor EffectColor() const { return FEffectColor; }
    void SetEffectColor(TColor value) { SetColorProperty(FEffectColor, value); }
    TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(TColor value) { SetColorProperty(FDisabledColor, value); }
    TColor ScaleTextColor() const { return FScaleTextColor; }
    void SetScaleTextColor(TColor value) { SetColorProperty(FScaleTextColor, value); }
    TColor ScaleLineColor() const { return FScaleLineColor; }
    void SetScaleLineColor(TColor value) { SetColorProperty(FScaleLineColor, value); }
    TColor GridColor() const { return FGridColor; }
    void SetGridColor(TColor value) { SetColorProperty(FGridColor, value); }
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor value) { SetColorProperty(FBarColor, value); }
    TColor BarTickColor() const { return FBarTickColor; }
    void SetBarTickColor(TColor value) { SetColorProperty(FBarTickColor, value); }
    TColor SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor value) { SetColorProperty(FSelectionColor, value); }
    TColor SelectionDotColor() const { return FSelectionDotColor; }
    void SetSelectionDotColor(TColor value) { SetColorProperty(FSelectionDotColor, value); }
    TColor LocatorColor() const { return FLocatorColor; }
    void SetLocatorColor(TColor value) { SetColorProperty(FLocatorColor, value); }

    TMMOscopeNotify OnGainOverflow;
    TMMOscopeNotify OnPcmOverflow;
    TMMOscopeNotify OnPostPaint;
    TMMOscopeDrawLine OnDrawLine;
    TMMOscopeSelect OnSelecting;
    TMMOscopeSelect OnSelectEnd;

    // The selected columns S1 .. S2 (-1, -1: none); each end is clamped to
    // -1 .. columns, and a range of no width clears both.
    int SelectionStart() const { return FSelStart; }
    int SelectionEnd() const { return FSelEnd; }
    void SetSelection(int start, int end);
    // A vertical marker line on one column (-1: none).
    int Locator() const { return FLocator; }
    void SetLocator(int column);

    // Layout: the plot in the control's coordinates, its columns C and height H.
    TRect PlotRect() const { return FPlot; }
    int Columns() const { return FColumnCount; }
    int PlotHeight() const { return FHeight; }
    const std::vector<std::int16_t>& ColumnValues() const { return FColumns; }
    // Recorder: the column the next block is written to, and whether the plot
    // has filled (from then on every block scrolls the picture).
    int RecorderHead() const { return FHead; }
    bool RecorderFilled() const { return FFilled; }

    // Duration of one update's block in whole ms.
    int BlockMilliseconds() const;
    // The scales' labels: (row or column in the control, text), one per division.
    std::vector<std::pair<int, QString>> AmpScaleLabels() const;
    std::vector<std::pair<int, QString>> TimeScaleLabels() const;
    // The read-out for a pointer at (x, y) in the control, or empty when none shows.
    QString ReadOut() const { return FReadOut; }
    TRect ReadOutRect() const { return FReadOutRect; }

    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint(QPainter& canvas) override;
    void BevelChanged() override;
    void ColorChanged() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetColorProperty(TColor& field, TColor value);
    void DoLayout();
    void Restart(); // the next drawing starts a fresh picture
    void Fire(const TMMOscopeNotify& handler)
    {
        if (handler)
            handler(this);
    }

    // Drawing (MMOscopeDraw.cpp). A new block adds the recorder's column;
    // otherwise only what is held is drawn again.
    void DrawUpdate(QPainter* screen, bool newBlock);
    void DrawTrace();
    void DrawRecorderColumn();
    void DrawGridLines();
    void DrawSelection(bool outline);
    void DrawZeroLine(int x1, int x2, bool upperInEffect);
    void DrawColumn(int x, int value);
    void StartLine(int value); // the line kind's first point, at column 0
    void ClearColumn(int x);
    void ShiftLeft();
    void DrawHeadBar();
    OscopeRow Map(int value);
    std::uint32_t PixelFor(int y) const; // trace colour by the effect band

    // Scales and read-out (MMOscopeScales.cpp).
    void DrawScales(QPainter& canvas);
    void DrawReadOut(QPainter& canvas);
    void UpdateReadOut(int x, int y);
    void EndReadOut();

    OscopeLayout FLayout;
    TMMOscopeKind FKind = okDots;
    int FSampleRate = 11025;
    int FGain = 0;
    int FZoom = 1;
    int FSteps = 1;
    TMMOscopeEffect FEffect = efNone;
    bool FLowPass = false;
    bool FDrawMidLine = false;
    bool FDrawGrid = false;
    bool FDrawAmpScale = false;
    bool FDrawTimeScale = false;
    bool FScroll = false;
    bool FAccelerate = true;
    int FFFTLength = 128;
    int FBarWidth = 5;
    bool FShowInfo = true;
    bool FUseSelection = false;
    bool FLocked = false;

    TColor FForegroundColor = clAqua;
    TColor FInactiveColor = clTeal;
    TColor FEffectColor = clRed;
    TColor FDisabledColor = clGray;
    TColor FScaleTextColor = clBlack;
    TColor FScaleLineColor = clBlack;
    TColor FGridColor = clGray;
    TColor FBarColor = clGray;
    TColor FBarTickColor = clWhite;
    TColor FSelectionColor = clRed;
    TColor FSelectionDotColor = clRed;
    TColor FLocatorColor = clYellow;

    TRect FPlot;
    int FColumnCount = 4;
    int FHeight = 4;
    int FMid = 2;
    EffectBand FBand;
    std::vector<std::int16_t> FColumns;
    int FSelStart = -1;
    int FSelEnd = -1;
    int FLocator = -1;

    // Recorder.
    int FHead = 0;
    bool FFilled = false;
    bool FRestartDue = true;
    int FLastRow = 0; // where the line kind's last column ended

    // Per drawing: the trace's pixel values and which overflows happened.
    std::uint32_t FTracePixel = 0;
    std::uint32_t FEffectPixel = 0;
    bool FPcmOverflowed = false;
    bool FGainOverflowed = false;

    // Mouse.
    bool FReadOutHeld = false;
    QString FSuspendedHint; // the tooltip, put aside while the read-out shows
    QString FReadOut;
    TRect FReadOutRect;
    bool FSelecting = false;
    int FAnchor = 0;      // the end that stays while an edge is dragged
    int FDragOffset = -1; // pointer minus S1 while the whole range moves; -1: an edge
};
