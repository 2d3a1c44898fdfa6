#pragma once

#include "audio/MMColors.h"
#include "audio/MMGeometry.h"
#include "audio/MMObject.h"

class QPainter;

enum TBevelCut : std::uint8_t { bvNone = 0, bvLowered = 1, bvRaised = 2, bvSpace = 3 };
enum TBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };

// The frame drawn around a control: an optional single border, an outer bevel, a
// coloured border, an inner bevel and a spacing ring, from the outside in.
class TMMBevel : public TMMObject {
public:
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value) { Set(FBevelInner, value); }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value) { Set(FBevelOuter, value); }
    int BevelInnerWidth() const { return FBevelInnerWidth; }
    void SetBevelInnerWidth(int value) { Set(FBevelInnerWidth, value); }
    int BevelOuterWidth() const { return FBevelOuterWidth; }
    void SetBevelOuterWidth(int value) { Set(FBevelOuterWidth, value); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value) { Set(FBorderStyle, value); }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value) { Set(FBorderWidth, value); }
    int BorderSpace() const { return FBorderSpace; }
    void SetBorderSpace(int value) { Set(FBorderSpace, value); }
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value) { Set(FBorderColor, value); }
    TColor BorderSpaceColor() const { return FBorderSpaceColor; }
    void SetBorderSpaceColor(TColor value) { Set(FBorderSpaceColor, value); }
    TColor OuterLightColor() const { return FOuterLightColor; }
    void SetOuterLightColor(TColor value) { Set(FOuterLightColor, value); }
    TColor InnerLightColor() const { return FInnerLightColor; }
    void SetInnerLightColor(TColor value) { Set(FInnerLightColor, value); }
    TColor OuterShadowColor() const { return FOuterShadowColor; }
    void SetOuterShadowColor(TColor value) { Set(FOuterShadowColor, value); }
    TColor InnerShadowColor() const { return FInnerShadowColor; }
    void SetInnerShadowColor(TColor value) { Set(FInnerShadowColor, value); }

    // Copies all thirteen values; the owner hears of it once.
    void Assign(const TMMBevel& source);

    // Pixels the frame takes on every side.
    int BevelExtend() const;

    // Draws the frame into r and returns the rectangle left inside it. Without
    // drawBorder the coloured border's room is kept but not painted.
    TRect Paint(QPainter& painter, TRect r, bool drawBorder) const;

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvLowered;
    int FBevelInnerWidth = 1;
    int FBevelOuterWidth = 1;
    TBorderStyle FBorderStyle = bsNone;
    int FBorderWidth = 0;
    int FBorderSpace = 0;
    TColor FBorderColor = clBtnFace;
    TColor FBorderSpaceColor = clBlack;
    TColor FOuterLightColor = clBtnHighlight;
    TColor FInnerLightColor = clBtnHighlight;
    TColor FOuterShadowColor = clBtnShadow;
    TColor FInnerShadowColor = clBtnShadow;
};
