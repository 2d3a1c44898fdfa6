#include "audio/MMBevel.h"

#include <QPainter>

namespace {

// A frame of the given width: topLeft on the top and left edges, bottomRight on
// the bottom and right; r shrinks by the width.
void Frame3D(QPainter& painter, TRect& r, TColor topLeft, TColor bottomRight, int width)
{
    const QColor light = ToQColor(topLeft), dark = ToQColor(bottomRight);
    for (int i = 0; i < width && !r.IsEmpty(); ++i) {
        painter.fillRect(r.Left, r.Top, r.Width() - 1, 1, light);
        painter.fillRect(r.Left, r.Top, 1, r.Height() - 1, light);
        painter.fillRect(r.Right - 1, r.Top, 1, r.Height(), dark);
        painter.fillRect(r.Left, r.Bottom - 1, r.Width(), 1, dark);
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
}

void Bevel(QPainter& painter, TRect& r, TBevelCut cut, TColor light, TColor shadow, int width)
{
    if (cut == bvNone)
        return;
    if (cut == bvSpace)
        r = {r.Left + width, r.Top + width, r.Right - width, r.Bottom - width};
    else if (cut == bvLowered)
        Frame3D(painter, r, shadow, light, width);
    else
        Frame3D(painter, r, light, shadow, width);
}

} // namespace

void TMMBevel::Assign(const TMMBevel& source)
{
    BeginUpdate();
    SetBevelInner(source.FBevelInner);
    SetBevelOuter(source.FBevelOuter);
    SetBevelInnerWidth(source.FBevelInnerWidth);
    SetBevelOuterWidth(source.FBevelOuterWidth);
    SetBorderStyle(source.FBorderStyle);
    SetBorderWidth(source.FBorderWidth);
    SetBorderSpace(source.FBorderSpace);
    SetBorderColor(source.FBorderColor);
    SetBorderSpaceColor(source.FBorderSpaceColor);
    SetOuterLightColor(source.FOuterLightColor);
    SetInnerLightColor(source.FInnerLightColor);
    SetOuterShadowColor(source.FOuterShadowColor);
    SetInnerShadowColor(source.FInnerShadowColor);
    EndUpdate();
}

int TMMBevel::BevelExtend() const
{
    int width = FBorderWidth + FBorderSpace;
    if (FBevelOuter != bvNone)
        width += FBevelOuterWidth;
    if (FBevelInner != bvNone)
        width += FBevelInnerWidth;
    if (FBorderStyle == bsSingle)
        ++width;
    return width;
}

TRect TMMBevel::Paint(QPainter& painter, TRect r, bool drawBorder) const
{
    if (FBorderStyle == bsSingle)
        Frame3D(painter, r, clWindowFrame, clWindowFrame, 1);
    Bevel(painter, r, FBevelOuter, FOuterLightColor, FOuterShadowColor, FBevelOuterWidth);
    if (drawBorder)
        Frame3D(painter, r, FBorderColor, FBorderColor, FBorderWidth);
    else
        r = {r.Left + FBorderWidth, r.Top + FBorderWidth, r.Right - FBorderWidth,
             r.Bottom - FBorderWidth};
    Bevel(painter, r, FBevelInner, FInnerLightColor, FInnerShadowColor, FBevelInnerWidth);
    if (FBorderSpace > 0)
        Frame3D(painter, r, FBorderSpaceColor, FBorderSpaceColor, FBorderSpace);
    return r;
}
