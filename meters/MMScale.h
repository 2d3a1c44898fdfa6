#pragma once

#include "audio/MMColors.h"
#include "audio/MMGeometry.h"
#include "audio/MMObject.h"
#include "platform/Exception.h"

class QPainter;

SONAVIA_ERROR_CLASS(EMMScaleError, platform::Exception)

enum TMMScaleOrigin : std::uint8_t { soInner = 0, soOuter = 1 };
enum TMMScaleStyle : std::uint8_t { stColor = 0, stLowered = 1, stRaised = 2 };

// A row of tick marks drawn along an edge of its owner (a strip) or around a
// circle (an arc, for knobs). Ticks can take three zone colours; every change is
// announced to the owner, which repaints.
class TMMCustomScale : public TMMObject {
public:
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { Set(FVisible, value); }
    // The first zone colour; setting it sets all three.
    TColor Color() const { return FColors[0]; }
    void SetColor(TColor value);
    TMMScaleStyle Style() const { return FStyle; }
    void SetStyle(TMMScaleStyle value) { Set(FStyle, value); }
    int TickCount() const { return FTickCount; }
    void SetTickCount(int value); // at least 2
    int EnlargeEvery() const { return FEnlargeEvery; }
    void SetEnlargeEvery(int value); // at least 1
    int Size() const { return FSize; }
    void SetSize(int value); // at least 1
    TMMScaleOrigin Origin() const { return FOrigin; }
    void SetOrigin(TMMScaleOrigin value) { Set(FOrigin, value); }
    bool Connect() const { return FConnect; }
    void SetConnect(bool value) { Set(FConnect, value); }

    // Set by the owner.
    void SetZoneColors(TColor zone1, TColor zone2, TColor zone3);
    TColor ZoneColor(int zone) const { return FColors[zone]; } // zone 0..2
    void SetZoneLimits(int limit1, int limit2);                // in ticks
    int ZoneLimit(int index) const { return FLimits[index]; }  // index 0..1
    void SetAngles(int startAngle, int endAngle);
    void SetCanvas(QPainter* canvas) { FCanvas = canvas; }
    QPainter* Canvas() const { return FCanvas; }

    // Copies Visible, Color, Style, TickCount, EnlargeEvery, Size, Origin, Connect.
    void Assign(const TMMCustomScale& source);

    // Thickness of a strip: Size, plus the base line and its shade when connected.
    int StripSize() const;
    // Ticks into r; firstEdge: the strip lies on its owner's top or left edge.
    void DrawStrip(const TRect& r, bool firstEdge);
    // Ticks around the circle inscribed in r, clockwise from the start angle.
    void DrawArc(const TRect& r);

private:
    QPainter& RequireCanvas() const;
    bool ZonesUsed() const;
    // A straight line in the style: one colour, or a black and white pair.
    void StyledLine(int x1, int y1, int x2, int y2, TColor color, bool vertical);

    bool FVisible = true;
    TColor FColors[3] = {clBlack, clBlack, clBlack};
    TMMScaleStyle FStyle = stColor;
    int FTickCount = 11;
    int FEnlargeEvery = 5;
    int FSize = 7;
    TMMScaleOrigin FOrigin = soInner;
    bool FConnect = false;
    int FLimits[2] = {0, 0};
    int FStartAngle = 225;
    int FEndAngle = 315;
    QPainter* FCanvas = nullptr;
};

// The full scale object, with its line style.
class TMMScale : public TMMCustomScale {};

// The scale of a level scale control: no style of its own (always flat colour).
class TMMLevScale : public TMMCustomScale {};
