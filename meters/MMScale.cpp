#include "meters/MMScale.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

void TMMCustomScale::SetColor(TColor value)
{
    SetZoneColors(value, value, value);
}

void TMMCustomScale::SetZoneColors(TColor zone1, TColor zone2, TColor zone3)
{
    if (FColors[0] == zone1 && FColors[1] == zone2 && FColors[2] == zone3)
        return;
    FColors[0] = zone1;
    FColors[1] = zone2;
    FColors[2] = zone3;
    Changed(false);
}

void TMMCustomScale::SetTickCount(int value)
{
    Set(FTickCount, std::max(value, 2));
}

void TMMCustomScale::SetEnlargeEvery(int value)
{
    Set(FEnlargeEvery, std::max(value, 1));
}

void TMMCustomScale::SetSize(int value)
{
    Set(FSize, std::max(value, 1));
}

void TMMCustomScale::SetZoneLimits(int limit1, int limit2)
{
    if (FLimits[0] == limit1 && FLimits[1] == limit2)
        return;
    FLimits[0] = limit1;
    FLimits[1] = limit2;
    Changed(false);
}

void TMMCustomScale::SetAngles(int startAngle, int endAngle)
{
    if (FStartAngle == startAngle && FEndAngle == endAngle)
        return;
    FStartAngle = startAngle;
    FEndAngle = endAngle;
    Changed(false);
}

void TMMCustomScale::Assign(const TMMCustomScale& source)
{
    BeginUpdate();
    SetVisible(source.FVisible);
    SetColor(source.Color());
    SetStyle(source.FStyle);
    SetTickCount(source.FTickCount);
    SetEnlargeEvery(source.FEnlargeEvery);
    SetSize(source.FSize);
    SetOrigin(source.FOrigin);
    SetConnect(source.FConnect);
    EndUpdate();
}

int TMMCustomScale::StripSize() const
{
    int size = FSize;
    if (FConnect) {
        ++size;
        if (FStyle != stColor)
            ++size;
    }
    return size;
}

QPainter& TMMCustomScale::RequireCanvas() const
{
    if (!FCanvas)
        throw EMMScaleError("Canvas needed for this operation");
    return *FCanvas;
}

bool TMMCustomScale::ZonesUsed() const
{
    if (FColors[0] == FColors[1] && FColors[1] == FColors[2])
        return false;
    if (FStyle != stColor)
        return false;
    return !(FLimits[0] < 0 || FLimits[1] < FLimits[0] || FLimits[0] > FTickCount ||
             FLimits[1] > FTickCount);
}

namespace {

// Pixels from (x1, y1) to (x2, y2) inclusive on one row or column.
void Segment(QPainter& p, int x1, int y1, int x2, int y2, TColor color)
{
    p.fillRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1,
               ToQColor(color));
}

} // namespace

void TMMCustomScale::StyledLine(int x1, int y1, int x2, int y2, TColor color, bool vertical)
{
    QPainter& p = *FCanvas;
    if (FStyle == stColor) {
        Segment(p, x1, y1, x2, y2, color);
        return;
    }
    const TColor first = FStyle == stLowered ? clBlack : clWhite;
    const TColor second = FStyle == stLowered ? clWhite : clBlack;
    const int dx = vertical ? 1 : 0, dy = vertical ? 0 : 1;
    Segment(p, x1, y1, x2, y2, first);
    Segment(p, x1 + dx, y1 + dy, x2 + dx, y2 + dy, second);
}

void TMMCustomScale::DrawStrip(const TRect& r, bool firstEdge)
{
    RequireCanvas();
    const bool vertical = r.Height() >= r.Width();
    const float len = float(vertical ? r.Height() : r.Width());
    const bool hang = (!firstEdge) == (FOrigin == soInner);
    const bool zones = ZonesUsed();
    const float b1 = zones ? float(FLimits[0]) / float(FTickCount) * len : len;
    const float b2 = zones ? float(FLimits[1]) / float(FTickCount) * len : len;
    auto zoneColor = [&](float pos) {
        if (!zones)
            return FColors[0];
        return pos > b2 ? FColors[2] : pos > b1 ? FColors[1] : FColors[0];
    };

    int shift = 0; // vertical-strip ticks keep clear of a shaded base line
    if (FConnect) {
        const int e = FStyle != stColor ? 1 : 0;
        // The line's end points, drawn as the platform's lines: the last one excluded.
        const int start = vertical ? r.Top + 1 : r.Left;
        const int end = (vertical ? r.Bottom + 1 : r.Right + 1) - 1;
        const int across =
            vertical ? (hang ? r.Left : r.Right - 1 - e) : (hang ? r.Top - 1 : r.Bottom - e);
        int splits[2] = {end + 1, end + 1};
        if (zones) {
            splits[0] = start + int(std::trunc(b1 + len / float(FTickCount)));
            splits[1] = start + int(std::trunc(b2 + len / float(FTickCount)));
        }
        const int bounds[4] = {start, std::min(splits[0], end + 1), std::min(splits[1], end + 1),
                               end + 1};
        for (int piece = 0; piece < 3; ++piece) {
            const int from = std::max(bounds[piece], start), to = bounds[piece + 1] - 1;
            if (from > to)
                continue;
            if (vertical)
                StyledLine(across, from, across, to, FColors[zones ? piece : 0], true);
            else
                StyledLine(from, across, to, across, FColors[zones ? piece : 0], false);
        }
        if (vertical)
            shift = hang ? e : -e;
    }

    for (int c = 0; c < FTickCount; ++c) {
        const float pos = len / float(FTickCount - 1) * float(c);
        const int m = c % FEnlargeEvery == 0 ? FSize : FSize / 2;
        if (m <= 0)
            continue;
        const TColor color = zoneColor(pos);
        if (vertical) {
            const int y = int(std::nearbyint(double(float(r.Top) + pos)));
            if (hang)
                StyledLine(r.Left + shift, y, r.Left + shift + m - 1, y, color, false);
            else
                StyledLine(r.Right - 1 + shift - (m - 1), y, r.Right - 1 + shift, y, color, false);
        } else {
            const int x = int(std::trunc(float(r.Left) + pos));
            if (hang)
                StyledLine(x, r.Top, x, r.Top + m - 1, color, true);
            else
                StyledLine(x, r.Bottom - m, x, r.Bottom - 1, color, true);
        }
    }
}

void TMMCustomScale::DrawArc(const TRect& r)
{
    QPainter& p = RequireCanvas();
    const float cx = float(r.Left) + float(r.Width()) / 2.0f;
    const float cy = float(r.Top) + float(r.Height()) / 2.0f;
    const float radius = std::min(float(r.Width()) / 2.0f, float(r.Height()) / 2.0f);
    const float step = float(360 - FEndAngle + FStartAngle) / float(FTickCount - 1);
    const float size = float(FSize);
    // Below the centre's coordinate round, at or above it truncate.
    auto coordinate = [](float v, float centre) {
        return v < centre ? int(std::nearbyint(double(v))) : int(std::trunc(v));
    };
    auto point = [&](float rho, float degrees) {
        const double a = double(degrees) * M_PI / 180.0;
        const float x = cx + float(std::cos(a)) * rho;
        const float y = cy - float(std::sin(a)) * rho;
        return QPoint(coordinate(x, cx), coordinate(y, cy));
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ToQColor(FColors[0]), 1));
    for (int c = 0; c < FTickCount; ++c) {
        const float angle = float(FStartAngle) - step * float(c);
        float outer = radius, inner = radius - size;
        if (c % FEnlargeEvery != 0) {
            if (FOrigin == soOuter)
                inner = radius - size / 2.0f;
            else
                outer = radius - size / 2.0f + 1.0f;
        }
        p.drawLine(point(outer, angle), point(inner, angle));
    }
    if (FConnect) {
        const float rho = FOrigin == soOuter ? radius : radius - size;
        const QRectF box(double(cx - rho), double(cy - rho), double(2 * rho), double(2 * rho));
        const int endAngle = FStartAngle - int(step * float(FTickCount - 1));
        // Qt counts angles counter-clockwise in sixteenths of a degree.
        const int start16 = endAngle * 16, span16 = (FStartAngle - endAngle) * 16;
        if (FStyle == stColor) {
            p.drawArc(box, start16, span16);
        } else {
            // Shaded by quadrant: light from the upper left, dark to the lower right.
            const TColor upper = FStyle == stLowered ? clBlack : clWhite;
            const TColor lower = FStyle == stLowered ? clWhite : clBlack;
            for (int a = endAngle; a < FStartAngle; ++a) {
                const int normal = ((a % 360) + 360) % 360;
                const bool upperLeft = normal >= 45 && normal < 225;
                p.setPen(QPen(ToQColor(upperLeft ? upper : lower), 1));
                p.drawArc(box, a * 16, 16);
                p.setPen(QPen(ToQColor(upperLeft ? lower : upper), 1));
                p.drawArc(box.adjusted(1, 1, -1, -1), a * 16, 16);
            }
        }
    }
    p.restore();
}
