// One frame of the analyser into its off-screen surface: background, bars built
// from the bin values, grid and the picture of the chosen kind, copied to the
// screen in one transfer.
#include "spectrum/MMSpectrum.h"

#include "audio/Numeric.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace {

// A straight line whose every pixel takes the colour pixelAt(y) gives for its row.
template <typename PixelAt>
void ZoneLine(TMMDIBCanvas& dib, int x0, int y0, int x1, int y1, const PixelAt& pixelAt)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        dib.SetPixel(x0, y0, pixelAt(y0));
        if (x0 == x1 && y0 == y1)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

} // namespace

int TMMSpectrum::SpotsOf(int value) const
{
    // With OnDrawBar every pixel counts as a spot.
    const int spots = FOnDrawBar ? FHeight : FSpots.spots;
    const double perSpot = double(FHeight) / spots;
    return int(std::clamp<std::int64_t>(RoundHalfEven(value / perSpot + 0.5), 0, spots));
}

void TMMSpectrum::CatchPeaks()
{
    // Caller holds FBarLock.
    const int numPeaks = FNumPeaks;
    const bool spotKind = FKind == skBars || FKind == skPeaks;
    if (numPeaks <= 0 || !(spotKind || FKind == skLines))
        return;
    for (TSpectrumBar& bar : FBars) {
        if (bar.first < 0)
            break;
        const int c = spotKind ? SpotsOf(bar.value) : bar.value;
        if (c >= bar.peak && c > 0) {
            bar.peak = c;
            bar.hold = 2 * FPeakDelay + 1;
        }
    }
}

void TMMSpectrum::DrawFrame(QPainter* screen, bool refresh)
{
    {
        std::lock_guard lock(FBarLock);
        BuildBars();
        CatchPeaks();
        std::copy(FBars.begin(), FBars.end(), FFrame.begin());
    }
    for (int i = 0; i < FGainOverflows; ++i)
        Fire(OnGainOverflow);

    TMMDIBCanvas& dib = DIBCanvas();
    dib.BeginDraw();
    struct EndDrawing {
        TMMDIBCanvas& dib;
        ~EndDrawing() { dib.EndDraw(); }
    } end{dib};
    const bool enabled = isEnabled();
    DrawBackground(dib, refresh);
    if (FDrawGrid && FKind != skScroll)
        DrawGridLines(dib);
    switch (FKind) {
    case skBars:
    case skPeaks:
        DrawSpotBars(dib, enabled);
        break;
    case skDots:
        DrawDots(dib, enabled);
        break;
    case skVLines:
        DrawVLines(dib, enabled);
        break;
    case skLines:
    case skScroll:
        DrawLineKind(dib, enabled);
        break;
    }
    dib.CopyTo(screen, FDisplay, 0, 0);
    if (screen) {
        DrawPeakText(*screen);
        DrawInfoBox(*screen);
    }
}

void TMMSpectrum::DrawBackground(TMMDIBCanvas& dib, bool refresh)
{
    TRect whole{0, 0, FWidth, FHeight};
    if (FKind == skScroll && refresh && dib.Bits() != nullptr) {
        dib.CopyBits({0, 2, FWidth, FHeight}, dib.Bits(), 0, 0);
        dib.SetColor(Color());
        dib.FillRect({0, 0, FWidth, 2});
    } else if (FOnDrawBar || FKind == skScroll) {
        if (OnClearBackground) {
            OnClearBackground(this, dib, whole);
        } else {
            dib.SetColor(Color());
            dib.Clear();
        }
    } else if ((FKind == skBars || FKind == skPeaks) && FDrawInactive && FInactive.Bits()) {
        dib.CopyBits(whole, FInactive.Bits(), 0, 0);
    } else if (OnClearBackground) {
        OnClearBackground(this, dib, whole);
    } else {
        DIBClearBackGround();
    }
}

int TMMSpectrum::HorizontalGridLines(bool logAmp) const
{
    int n = logAmp ? 6 : 10;
    while (FHeight / n < 10 && n > 1)
        --n;
    return n;
}

int TMMSpectrum::VerticalGridLines() const
{
    int d = 32;
    while (FWidth / d < 10 && d > 1)
        d /= 2;
    return d;
}

void TMMSpectrum::DrawGridLines(TMMDIBCanvas& dib)
{
    dib.SetColor(FGridColor);
    const int n = HorizontalGridLines(FLogAmp);
    const double vs = FVerticalScale;
    for (int k = 0; k <= n; ++k) {
        const int row = FLogAmp ? k * (FHeight - 1) / n
                                : FHeight - int(k * vs * 32760 / n / (vs * 32768 / FHeight)) - 1;
        dib.DottedHLine(1, row, 0, FWidth - 1);
    }
    const int d = VerticalGridLines();
    for (int k = 0; k <= d; ++k)
        dib.DottedVLine(1, k * (FWidth - 1) / d, 0, FHeight - 1);
}

TRect TMMSpectrum::NarrowColumns(int first, int end) const
{
    TRect columns{first, 0, std::max(end, first + 1), FHeight};
    if (FSpace < columns.Width()) {
        columns.Left += FSpace / 2;
        columns.Right -= FSpace - FSpace / 2;
    }
    return columns;
}

void TMMSpectrum::DrawSpot(TMMDIBCanvas& dib, const TRect& columns, int spot, bool dotted)
{
    const int base = FHeight - FSpots.bottomOffset - (spot - 1) * (FSpotHeight + FSpotSpace);
    TRect rect{columns.Left, base - FSpotHeight, columns.Right, base};
    if (!dotted) {
        dib.FillRect(rect);
        return;
    }
    // Dots count from the spot's bottom-left corner.
    if (rect.Height() % 2 == 0)
        ++rect.Top;
    dib.FillRectDotted(rect);
}

void TMMSpectrum::DrawSpotBars(TMMDIBCanvas& dib, bool enabled)
{
    const std::uint32_t lit[3] = {dib.ColorToPixel(FBarColors[0]), dib.ColorToPixel(FBarColors[1]),
                                  dib.ColorToPixel(FBarColors[2])};
    const int numPeaks = FNumPeaks;
    for (const TSpectrumBar& bar : FFrame) {
        if (bar.first < 0)
            break;
        const int c = enabled ? SpotsOf(bar.value) : 0;
        if (FOnDrawBar) {
            TRect rect{bar.first, 0, bar.end, FHeight};
            FOnDrawBar(this, dib, rect, c, bar.peak);
            continue;
        }
        if (!enabled)
            continue;
        const TRect columns = NarrowColumns(bar.first, bar.end);
        auto spot = [&](int k) {
            dib.SetPixelValue(lit[ZoneOf(k, FSpots)]);
            DrawSpot(dib, columns, k, FActiveDoted);
        };
        if (FKind == skBars) {
            for (int k = 1; k <= c; ++k)
                spot(k);
        } else if (c > 0) {
            spot(c);
        }
        if (numPeaks > 0 && bar.peak > c) {
            const int count = std::min(bar.peak, numPeaks);
            for (int k = bar.peak; k > bar.peak - count; --k)
                spot(k);
        }
    }
}

void TMMSpectrum::DrawDots(TMMDIBCanvas& dib, bool enabled)
{
    const std::uint32_t off = dib.ColorToPixel(FInactiveColors[0]);
    for (const TSpectrumBar& bar : FFrame) {
        if (bar.first < 0)
            break;
        const int y = std::clamp(FHeight - bar.value - 1, 0, FHeight - 1);
        // Rows count from the top here: a small y is loud.
        const int zone = y <= FSpots.t2 ? 2 : y > FSpots.t1 ? 0 : 1;
        dib.SetPixelValue(enabled ? dib.ColorToPixel(FBarColors[zone]) : off);
        dib.HLine(y, bar.first, std::max(bar.end, bar.first + 1) - 1);
    }
}

void TMMSpectrum::DrawVLines(TMMDIBCanvas& dib, bool enabled)
{
    for (const TSpectrumBar& bar : FFrame) {
        if (bar.first < 0)
            break;
        int v = std::clamp(bar.value, 0, FHeight - 1);
        TRect rect = NarrowColumns(bar.first, bar.end);
        rect.Top = FHeight - (FHeight + v) / 2 - 1;
        rect.Bottom = (FHeight + v) / 2 + 2;
        auto fill = [&](int zone, int limit) {
            dib.SetColor(enabled ? FBarColors[zone] : FInactiveColors[0]);
            dib.FillRect(rect);
            const int shrink = (v - limit) / 2;
            rect.Top += shrink;
            rect.Bottom -= shrink;
            v = limit;
        };
        if (v > FSpots.t2)
            fill(2, FSpots.t2);
        if (v > FSpots.t1)
            fill(1, FSpots.t1);
        fill(0, v);
    }
}

void TMMSpectrum::DrawLineKind(TMMDIBCanvas& dib, bool enabled)
{
    if (FFrame.empty() || FFrame[0].first < 0)
        return;
    const int lift = FKind == skScroll ? FHeight - FHeight / 3 : 1;
    const std::uint32_t single = dib.ColorToPixel(enabled ? FBarColors[0] : FInactiveColors[0]);
    const std::uint32_t lit[3] = {dib.ColorToPixel(FBarColors[0]), dib.ColorToPixel(FBarColors[1]),
                                  dib.ColorToPixel(FBarColors[2])};
    // On 8 bits every pixel takes the zone of its own height; 24 bits draw one colour.
    const bool zoned = dib.BitsPerPixel() == 8;
    auto pixelAt = [&](int y) { return zoned ? lit[ZoneOf(FHeight - lift - y, FSpots)] : single; };
    auto rowOf = [&](int value) { return std::clamp(FHeight - value - lift, 0, FHeight - 1); };
    auto polyline = [&](auto heightOf) {
        int x = 0;
        int y = rowOf(heightOf(FFrame[0]));
        for (const TSpectrumBar& bar : FFrame) {
            if (bar.first < 0)
                break;
            const int nx = bar.first + (bar.end - bar.first) / 2;
            const int ny = rowOf(heightOf(bar));
            ZoneLine(dib, x, y, nx, ny, pixelAt);
            x = nx;
            y = ny;
        }
        ZoneLine(dib, x, y, FWidth - 1, y, pixelAt);
    };
    polyline([](const TSpectrumBar& bar) { return bar.value; });
    if (FKind == skLines && FNumPeaks >= 1)
        polyline([](const TSpectrumBar& bar) { return bar.peak; });
}

void TMMSpectrum::RedrawInactive()
{
    if (FOnDrawBar || FFirstBin.empty())
        return;
    FInactive.BeginDraw();
    FInactive.SetColor(Color());
    FInactive.Clear();
    const std::uint32_t unlit[3] = {FInactive.ColorToPixel(FInactiveColors[0]),
                                    FInactive.ColorToPixel(FInactiveColors[1]),
                                    FInactive.ColorToPixel(FInactiveColors[2])};
    for (int column = 0; column < FWidth;) {
        int end = column + 1;
        while (end < FWidth && FFirstBin[std::size_t(end)] < 0)
            ++end;
        const TRect columns = NarrowColumns(column, end);
        for (int k = 1; k <= FSpots.spots; ++k) {
            FInactive.SetPixelValue(unlit[ZoneOf(k, FSpots)]);
            DrawSpot(FInactive, columns, k, FInactiveDoted);
        }
        column = end;
    }
    FInactive.EndDraw();
}
