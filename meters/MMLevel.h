#pragma once

#include "meters/LevelDisplay.h"
#include "meters/LevelErrors.h"
#include "meters/MMLevelTypes.h"
#include "spectrum/MMDIBGraphicControl.h"

#include <functional>

class TMMCustomLevel;
using TMMLevelDrawBar = std::function<void(TMMCustomLevel* sender, TMMDIBCanvas& dib,
                                           const TRect& rect, int nSpots, int peak)>;
using TMMNotifyEvent = std::function<void(TMMCustomLevel* sender)>;

// A segmented ("LED") bar level meter: a row of equal spots lit from one end up
// to the measured level, in three coloured zones, with a peak marker. The
// measuring is the embedded engine's; this class lays out and draws the spots.
class TMMCustomLevel : public TMMDIBGraphicControl, public TMMLevelDisplay {
    Q_OBJECT
public:
    explicit TMMCustomLevel(QWidget* parent = nullptr);
    ~TMMCustomLevel() override;

    // The connector's display contract.
    void SetStreamFormat(const TWaveFormatEx* format) override;

    int NumPeaks() const { return FEngine.NumPeaks(); }
    void SetNumPeaks(int value) { FEngine.SetNumPeaks(value); }

    TMMLevelKind Kind() const { return FKind; }
    void SetKind(TMMLevelKind value);
    TMMLevelDirection Direction() const { return FDirection; }
    void SetDirection(TMMLevelDirection value);
    int SpotWidth() const { return FSpotWidth; }
    void SetSpotWidth(int value); // 1 .. bar length / 3
    int SpotSpace() const { return FSpotSpace; }
    void SetSpotSpace(int value); // 0..10
    int Point1() const { return FPoint1; }
    void SetPoint1(int value); // 1..100
    int Point2() const { return FPoint2; }
    void SetPoint2(int value);                                             // 1..100
    TColor BarColor(int zone) const { return FBarColors[zone]; }           // zone 0..2
    void SetBarColor(int zone, TColor value);                              // Bar1Color ...
    TColor InactiveColor(int zone) const { return FInactiveColors[zone]; } // zone 0..2
    void SetInactiveColor(int zone, TColor value);                         // Inactive1Color ...
    bool ActiveDoted() const { return FActiveDoted; }
    void SetActiveDoted(bool value);
    bool InactiveDoted() const { return FInactiveDoted; }
    void SetInactiveDoted(bool value);

    TMMLevelDrawBar OnDrawBar() const { return FOnDrawBar; }
    void SetOnDrawBar(TMMLevelDrawBar handler);
    TMMNotifyEvent OnPaint;
    TMMNotifyEvent OnClick;
    TMMNotifyEvent OnDblClick;
    TMMNotifyEvent OnPcmOverflow;
    TMMNotifyEvent OnGainOverflow;

    // Layout state.
    int SpotCount() const { return FSpots; }
    int Margin() const { return FMargin; }
    int ZoneLimit1() const { return FZ1; }
    int ZoneLimit2() const { return FZ2; }
    // Zone (0..2) of spot i (1..N).
    int ZoneOf(int spot) const;
    // Spot i's rectangle in the off-screen image (the inner rectangle's coordinates).
    TRect SpotRect(int spot) const;

    void SetBitsPerPixel(int bits) override;
    void SetBounds(int left, int top, int width, int height) override;
    // The picture of the unlit spots every frame starts from.
    const TMMDIBCanvas& BackGroundImage() const { return FBackImage; }

protected:
    void Paint(QPainter& canvas) override;
    void BevelChanged() override;
    void ColorChanged() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void DoLayout();
    void RebuildBackGround();
    // Draws the frame into the off-screen image and copies it to the screen.
    void DrawFrame(QPainter* screen);
    void DrawSpot(int spot, std::uint32_t pixel, bool dotted);
    void Fire(const TMMNotifyEvent& handler)
    {
        if (handler)
            handler(this);
    }

    TMMDIBCanvas FBackImage;

    TMMLevelKind FKind = lkHorizontal;
    TMMLevelDirection FDirection = dirNormal;
    int FSpotWidth = 1;
    int FSpotSpace = 1;
    int FPoint1 = 50;
    int FPoint2 = 85;
    TColor FBarColors[3] = {clAqua, clAqua, clRed};
    TColor FInactiveColors[3] = {clTeal, clTeal, clMaroon};
    bool FActiveDoted = false;
    bool FInactiveDoted = false;
    TMMLevelDrawBar FOnDrawBar;

    int FInnerWidth = 1;
    int FInnerHeight = 1;
    int FSpots = 1;
    int FMargin = 0;
    int FZ1 = 0;
    int FZ2 = 0;
};

class TMMLevel : public TMMCustomLevel {
    Q_OBJECT
public:
    explicit TMMLevel(QWidget* parent = nullptr);
};
