#pragma once

#include "audio/MMGraphicControl.h"
#include "meters/MMScale.h"

#include <QImage>
#include <functional>

enum TMMFocusAction : std::uint8_t { faHandleColor, faFrameRect, faAll };
enum TMMHandleStyle : std::uint8_t { hsEllipse, hsOwnerDraw };

class TMMCustomWheel;
using TMMDrawHandleEvent = std::function<void(TMMCustomWheel* sender, QPainter& canvas,
                                              bool focused, TPoint position, TRect rect)>;

// A rotary knob: a face picture with a tick scale around it and a handle that
// shows the value between the start angle (minimum) and the end angle (maximum).
// It is turned by pointing with the mouse, by dragging up and down, or by keys.
class TMMCustomWheel : public TMMGraphicControl {
    Q_OBJECT
public:
    explicit TMMCustomWheel(QWidget* parent = nullptr);

    int Value() const { return FValue; }
    void SetValue(int value);
    int Minimum() const { return FMinimum; }
    int Maximum() const { return FMaximum; }
    int StartAngle() const { return FStartAngle; }
    void SetStartAngle(int value);
    int EndAngle() const { return FEndAngle; }
    void SetEndAngle(int value);
    TColor HandleColor() const { return FHandleColor; }
    void SetHandleColor(TColor value);
    TColor FocusedColor() const { return FFocusedColor; }
    void SetFocusedColor(TColor value);
    TMMFocusAction FocusAction() const { return FFocusAction; }
    void SetFocusAction(TMMFocusAction value);
    bool UpDown() const { return FUpDown; }
    void SetUpDown(bool value) { FUpDown = value; }
    int ScrollSize() const { return FScrollSize; }
    void SetScrollSize(int value) { FScrollSize = value > 0 ? value : 1; }
    int LineStep() const { return FLineStep; }
    void SetLineStep(int value) { FLineStep = value; }
    int PageStep() const { return FPageStep; }
    void SetPageStep(int value) { FPageStep = value; }
    TMMScale& Scale() { return FScale; }
    int Radius() const { return FRadius; }
    void SetRadius(int value);
    TMMHandleStyle HandleStyle() const { return FHandleStyle; }
    void SetHandleStyle(TMMHandleStyle value);
    int HandleSize() const { return FHandleSize; }
    void SetHandleSize(int value);
    int HandleMargin() const { return FHandleMargin; }
    void SetHandleMargin(int value);
    int FrameSpace() const { return FFrameSpace; }
    void SetFrameSpace(int value);
    int ScaleMargin() const { return FScaleMargin; }
    void SetScaleMargin(int value);
    const QImage& BackBmp() const { return FBackBmp; }
    void SetBackBmp(const QImage& picture);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // The radius the handle centre turns on, and the centre for the current value.
    int HandleRadius() const;
    TPoint HandleCentre() const;

    std::function<void(TMMCustomWheel* sender)> OnChange;
    TMMDrawHandleEvent OnDrawHandle;

protected:
    // The internal range; Value is clamped into it.
    void SetRange(int minimum, int maximum);
    // Value changed: tells OnChange.
    virtual void Change();
    void Paint(QPainter& canvas) override;
    void BevelChanged() override;
    void ColorChanged() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int ScaleExtent() const;
    void PointAt(const QPoint& point);
    void FaceChanged();
    void Resize();
    void DrawFace(QPainter& canvas);
    TColor CurrentHandleColor() const;

    int FValue = 0;
    int FMinimum = 0;
    int FMaximum = 10;
    int FStartAngle = 225;
    int FEndAngle = 315;
    TColor FHandleColor = clMaroon;
    TColor FFocusedColor = clRed;
    TMMFocusAction FFocusAction = faAll;
    bool FUpDown = false;
    int FScrollSize = 160;
    int FLineStep = 1;
    int FPageStep = 2;
    TMMScale FScale;
    int FRadius = 0;
    TMMHandleStyle FHandleStyle = hsEllipse;
    int FHandleSize = 4;
    int FHandleMargin = 4;
    int FFrameSpace = 4;
    int FScaleMargin = 3;
    QImage FBackBmp;
    bool FAutoSize = true;
    QImage FFace; // cached until size, focus, colour or range change
    int FDragY = 0;
    int FDragValue = 0;
};
