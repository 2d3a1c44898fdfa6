#pragma once

#include "audio/MMGraphicControl.h"
#include "audio/ScreenCopyPacer.h"
#include "meters/LevelDisplay.h"
#include "meters/LevelErrors.h"
#include "meters/MMScale.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class TMMCustomMeter;
using TMMMeterNotify = std::function<void(TMMCustomMeter* sender)>;

// One tick of the arc scale, from its inner to its outer end or the reverse.
struct TMeterTick {
    TPoint From;
    TPoint To;
    TColor Color = 0;
};

// One dB label of the arc scale, by the top-left corner of its text.
struct TMeterLabel {
    QString Text;
    int X = 0;
    int Y = 0;
};

// An analog VU meter: a needle turning about a pivot below the control over an
// arc scale of coloured ticks and dB labels, with a peak needle and a caption.
// The measuring is the embedded engine's (positions 0..32767 set the angle); the
// scale is drawn on paint and cached, so a new level costs a copy of the cache
// and two lines.
class TMMCustomMeter : public TMMGraphicControl, public TMMLevelDisplay {
    Q_OBJECT
public:
    explicit TMMCustomMeter(QWidget* parent = nullptr);
    ~TMMCustomMeter() override;

    // The connector's display contract.
    void SetStreamFormat(const TWaveFormatEx* format) override;

    int ScaleAngle() const { return FScaleAngle; }
    void SetScaleAngle(int degrees); // 45..180
    int NeedleOffset() const { return FNeedleOffset; }
    void SetNeedleOffset(int pixels); // at least 0
    int NeedleWidth() const { return FNeedleWidth; }
    void SetNeedleWidth(int pixels); // at least 0
    int TopSpace() const { return FTopSpace; }
    void SetTopSpace(int pixels);
    bool DrawScale() const { return FDrawScale; }
    void SetDrawScale(bool value);
    TMMScaleOrigin ScaleOrigin() const { return FScaleOrigin; }
    void SetScaleOrigin(TMMScaleOrigin value);
    int ScaleHeight1() const { return FScaleHeight1; }
    void SetScaleHeight1(int pixels); // at least 0
    int ScaleHeight2() const { return FScaleHeight2; }
    void SetScaleHeight2(int pixels); // at least 0
    int ScaleTicks() const { return FScaleTicks; }
    void SetScaleTicks(int count); // no ticks unless above 1
    int ScaleTicksEnlargeEvery() const { return FEnlargeEvery; }
    void SetScaleTicksEnlargeEvery(int every); // 0: every tick long
    int ScaleTicksTextEvery() const { return FTextEvery; }
    void SetScaleTicksTextEvery(int every); // 0 or less: no labels
    int Point1() const { return FPoint1; }
    void SetPoint1(int percent); // 1..100
    int Point2() const { return FPoint2; }
    void SetPoint2(int percent);                                     // 1..100
    TColor ScaleColor(int zone) const { return FScaleColors[zone]; } // zone 0..2
    void SetScaleColor(int zone, TColor value);                      // Scale1Color ...
    TColor NeedleColor() const { return FNeedleColor; }
    void SetNeedleColor(TColor value);
    TColor PeakColor() const { return FPeakColor; }
    void SetPeakColor(TColor value);
    // The caption font is the widget's font; this is its colour, which the scale
    // labels take as well.
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);
    const QImage& BackGroundDIB() const { return FBackGroundDIB; }
    void SetBackGroundDIB(const QImage& picture); // stretched over the inner area
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& text);
    TMMMeterNotify OnPostPaint; // after every drawing
    TMMMeterNotify OnPcmOverflow;
    TMMMeterNotify OnGainOverflow;

    // Shortest time between two screen copies of a new level, in ms; 0: every one.
    int ScreenInterval() const { return FPacer.Interval(); }
    void SetScreenInterval(int milliseconds) { FPacer.SetInterval(milliseconds); }

    // Geometry: the inner area (W x H), the pivot below it and the needle length.
    int InnerWidth() const { return FInnerWidth; }
    int InnerHeight() const { return FInnerHeight; }
    TPoint Pivot() const;
    int NeedleRadius() const;
    // Where a needle of length radius ends at position a (0..32767), in the
    // inner area's coordinates.
    TPoint NeedlePoint(int a, int radius) const;
    // The ticks and labels the scale picture holds.
    std::vector<TMeterTick> ScaleTickMarks() const;
    std::vector<TMeterLabel> ScaleLabels() const;
    // The current picture of the inner area: scale, caption and needles.
    const QImage& Picture() const { return FWork; }

    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint(QPainter& canvas) override;
    void BevelChanged() override;
    void ColorChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DoLayout();
    // An appearance change: the cached scale is stale until the next paint.
    void Invalidate();
    void BuildScale();
    void DrawNeedles();
    // A new level from the engine, drawn at once over the cached scale.
    void RedrawNow();
    void CopyToScreen();
    QFont LabelFont() const;
    QString LabelText(int tick) const;
    TColor TickColor(int position) const;
    void Fire(const TMMMeterNotify& handler)
    {
        if (handler)
            handler(this);
    }

    int FScaleAngle = 90;
    int FNeedleOffset = 30;
    int FNeedleWidth = 1;
    int FTopSpace = 14;
    bool FDrawScale = true;
    TMMScaleOrigin FScaleOrigin = soInner;
    int FScaleHeight1 = 4;
    int FScaleHeight2 = 8;
    int FScaleTicks = 41;
    int FEnlargeEvery = 4;
    int FTextEvery = 8;
    int FPoint1 = 60;
    int FPoint2 = 80;
    TColor FScaleColors[3] = {clGreen, clYellow, clRed};
    TColor FNeedleColor = clWhite;
    TColor FPeakColor = clRed;
    TColor FFontColor = clSilver;
    QImage FBackGroundDIB;
    QString FCaption = QStringLiteral("dB");

    int FInnerWidth = 1;
    int FInnerHeight = 1;
    QImage FWork;  // the picture being composed and shown
    QImage FCache; // the scale and caption without needles
    bool FCacheValid = false;
    ScreenCopyPacer FPacer;
};

class TMMMeter : public TMMCustomMeter {
    Q_OBJECT
public:
    explicit TMMMeter(QWidget* parent = nullptr);
};
