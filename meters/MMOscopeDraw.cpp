// Drawing the oscilloscope's image: the trace of one block by kind, the
// recorder's column, grid, selection and locator. Rows count from the top of the
// plot; a value's y counts from the bottom.
#include "meters/MMOscope.h"

#include <algorithm>
#include <cstring>

void TMMOscope::DrawUpdate(QPainter* screen, bool newBlock)
{
    TMMDIBCanvas& dib = DIBCanvas();
    FPcmOverflowed = FGainOverflowed = false;
    dib.BeginDraw();
    if (OnDrawLine) {
        OnDrawLine(this, dib, {0, 0, FColumnCount, FHeight}, FColumns.data());
    } else {
        if (!FScroll || FRestartDue) {
            DIBClearBackGround();
            FHead = 0;
            FFilled = false;
            FRestartDue = false;
        }
        FTracePixel = dib.ColorToPixel(FForegroundColor);
        FEffectPixel = dib.ColorToPixel(FEffectColor);
        if (!isEnabled()) {
            dib.SetColor(FDisabledColor);
            dib.HLine(FMid, 5, FColumnCount - 5);
        } else if (!FScroll) {
            DrawSelection(false);
            if (FDrawMidLine) {
                dib.SetColor(FDisabledColor);
                dib.HLine(FMid, 0, FColumnCount - 1);
            }
            if (FDrawGrid)
                DrawGridLines();
            DrawTrace();
        } else if (newBlock) {
            DrawRecorderColumn();
        }
        if (!FScroll) {
            DrawSelection(true);
            if (FLocator >= 0) {
                dib.SetColor(FLocatorColor);
                dib.VLine(FLocator, 0, FHeight - 1);
            }
        }
    }
    dib.CopyTo(screen, FPlot, 0, 0);
    dib.EndDraw();
    if (FPcmOverflowed)
        Fire(OnPcmOverflow);
    if (FGainOverflowed)
        Fire(OnGainOverflow);
    Fire(OnPostPaint);
}

OscopeRow TMMOscope::Map(int value)
{
    const OscopeRow row = MapValue(value, FGain, FKind, FHeight);
    FPcmOverflowed = FPcmOverflowed || row.pcmOverflow;
    FGainOverflowed = FGainOverflowed || row.gainOverflow;
    return row;
}

std::uint32_t TMMOscope::PixelFor(int y) const
{
    return FEffect != efNone && FBand.Outside(y) ? FEffectPixel : FTracePixel;
}

void TMMOscope::DrawTrace()
{
    if (FKind == okVertLines || FKind == okMirLines)
        DrawZeroLine(0, FColumnCount - 1, FKind == okMirLines && FEffect == efSplit);
    int x = 0;
    for (; x < FColumnCount; x += FSteps) {
        if (x == 0 && FKind == okConLines)
            StartLine(FColumns[0]);
        else
            DrawColumn(x, FColumns[std::size_t(x)]);
    }
    // The line runs on level to where the next drawn column would be.
    if (FKind == okConLines)
        DIBCanvas().LineTo(x, FLastRow);
}

void TMMOscope::StartLine(int value)
{
    FLastRow = Map(value).Row(FHeight);
    DIBCanvas().MoveTo(0, FLastRow);
}

void TMMOscope::DrawZeroLine(int x1, int x2, bool upperInEffect)
{
    TMMDIBCanvas& dib = DIBCanvas();
    dib.SetPixelValue(upperInEffect ? FEffectPixel : FTracePixel);
    dib.HLine(FMid - 1, x1, x2);
    dib.SetPixelValue(FTracePixel);
    dib.HLine(FMid, x1, x2);
}

void TMMOscope::DrawColumn(int x, int value)
{
    TMMDIBCanvas& dib = DIBCanvas();
    const OscopeRow mapped = Map(value);
    const int y = mapped.y;
    const int r = mapped.Row(FHeight);
    const bool peak = FEffect == efPeak;
    const bool split = FEffect == efSplit;
    switch (FKind) {
    case okDots:
        dib.SetPixel(x, r, PixelFor(y));
        break;
    case okConLines:
        dib.SetPixelValue(PixelFor(y));
        dib.LineTo(x, r);
        FLastRow = r;
        break;
    case okVertLines:
        dib.SetPixelValue(split && r < FBand.high ? FEffectPixel : FTracePixel);
        dib.VLine(x, r, FMid);
        dib.SetPixelValue(FEffectPixel);
        if (peak && r < FBand.low)
            dib.VLine(x, r, r + 5);
        else if (peak && r > FBand.high)
            dib.VLine(x, r - 5, r);
        break;
    case okMirLines: {
        const int top = std::min(y, FHeight - y - 1);
        const int bottom = std::max(y, FHeight - y - 1);
        dib.SetPixelValue(FTracePixel);
        dib.VLine(x, top, bottom);
        dib.SetPixelValue(FEffectPixel);
        if (peak && FBand.Outside(y)) {
            dib.VLine(x, top, top + 5);
            dib.VLine(x, bottom - 5, bottom);
        } else if (split && top < FMid) {
            dib.VLine(x, top, FMid - 1);
        }
        break;
    }
    case okSpikes:
        dib.SetPixelValue(FTracePixel);
        dib.VLine(x, r, FHeight);
        dib.SetPixelValue(FEffectPixel);
        if (peak && r < 2 * FBand.low)
            dib.VLine(x, r, r + 4);
        else if (split && y > FBand.high)
            dib.VLine(x, r, FMid - 1);
        break;
    }
}

// One block of the recorder: its two extremes at the head, which moves right
// until the plot is full; from then on the picture moves left under it.
void TMMOscope::DrawRecorderColumn()
{
    if (FFilled)
        ShiftLeft();
    const int x = FHead;
    ClearColumn(x);
    const int first = FColumns[0];
    const int second = FColumns[1];
    switch (FKind) {
    case okDots:
        DrawColumn(x, first);
        DrawColumn(x, second);
        break;
    case okConLines:
        if (x == 0 && !FFilled)
            StartLine(first);
        else
            DIBCanvas().MoveTo(x - 1, FLastRow);
        DrawColumn(x, first);
        DrawColumn(x, second);
        break;
    default:
        if (FKind != okSpikes)
            DrawZeroLine(x, x, FKind == okMirLines && FEffect == efSplit);
        DrawColumn(x, std::abs(first) > std::abs(second) ? first : second);
        break;
    }
    if (FFilled)
        return;
    if (FHead + 1 >= FColumnCount) {
        FFilled = true;
        return;
    }
    ++FHead;
    DrawHeadBar();
}

void TMMOscope::ClearColumn(int x)
{
    TMMDIBCanvas& dib = DIBCanvas();
    if (const std::uint8_t* picture = dib.BackGroundBits()) {
        dib.CopyBits({x, 0, x + 1, FHeight}, picture, x, 0);
        return;
    }
    dib.SetColor(Color());
    dib.VLine(x, 0, FHeight - 1);
}

void TMMOscope::ShiftLeft()
{
    const TDIBSurface& surface = DIBCanvas().Surface();
    const int pixel = surface.BytesPerPixel;
    const std::size_t bytes = std::size_t(surface.Width - 1) * std::size_t(pixel);
    for (int y = 0; y < surface.Height; ++y) {
        std::uint8_t* row = surface.Bits + std::ptrdiff_t(y) * surface.SignedStride;
        std::memmove(row, row + pixel, bytes);
    }
}

// Marks the write position: a one-pixel line with ticks on the amplitude
// divisions, or without Accelerate a BarWidth-wide bar with tick lines.
void TMMOscope::DrawHeadBar()
{
    TMMDIBCanvas& dib = DIBCanvas();
    const int x = FHead;
    const int width = FAccelerate ? 1 : FBarWidth;
    const int n = AmpDivisions(FHeight);
    dib.SetColor(FBarColor);
    dib.FillRect({x, 0, x + width, FHeight});
    dib.SetColor(FBarTickColor);
    for (int k = 0; k <= n; ++k)
        dib.HLine(BarTickRow(k, n, FHeight), x, x + width - 1);
}

void TMMOscope::DrawGridLines()
{
    TMMDIBCanvas& dib = DIBCanvas();
    dib.SetColor(FGridColor);
    const int n = AmpDivisions(FHeight);
    for (int c = 0; c <= n; ++c)
        dib.HLine(GridRow(c, n, FHeight), 0, FColumnCount - 1);
    const int t = TimeDivisions(FColumnCount);
    for (int k = 0; k <= t; ++k)
        dib.VLine(GridColumn(k, t, FColumnCount), 0, FHeight - 1);
}

// The selected columns filled, or their dotted outline.
void TMMOscope::DrawSelection(bool outline)
{
    if (FSelStart < 0)
        return;
    TMMDIBCanvas& dib = DIBCanvas();
    if (!outline) {
        dib.SetColor(FSelectionColor);
        dib.FillRect({FSelStart, 0, FSelEnd + 1, FHeight});
        return;
    }
    dib.SetColor(FSelectionDotColor);
    dib.DottedHLine(1, 0, FSelStart, FSelEnd);
    dib.DottedHLine(1, FHeight - 1, FSelStart, FSelEnd);
    dib.DottedVLine(1, FSelStart, 0, FHeight - 1);
    dib.DottedVLine(1, FSelEnd, 0, FHeight - 1);
}
