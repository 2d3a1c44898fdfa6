#include "mixer/MMWheel.h"

#include "mixer/WheelGeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

TMMCustomWheel::TMMCustomWheel(QWidget* parent) : TMMGraphicControl(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    FBackBmp = QImage(100, 100, QImage::Format_ARGB32_Premultiplied);
    FBackBmp.fill(Qt::transparent);
    FScale.SetAngles(FStartAngle, FEndAngle);
    FScale.OnChange = [this](TMMObject*) {
        Resize();
        FaceChanged();
    };
    resize(100, 100);
}

void TMMCustomWheel::SetValue(int value)
{
    value = std::clamp(value, FMinimum, std::max(FMinimum, FMaximum));
    if (value == FValue)
        return;
    FValue = value;
    update();
    Change();
}

void TMMCustomWheel::Change()
{
    if (OnChange)
        OnChange(this);
}

void TMMCustomWheel::SetRange(int minimum, int maximum)
{
    if (minimum == FMinimum && maximum == FMaximum)
        return;
    FMinimum = minimum;
    FMaximum = maximum;
    FaceChanged();
    SetValue(FValue);
}

void TMMCustomWheel::SetStartAngle(int value)
{
    if (value == FStartAngle)
        return;
    FStartAngle = value;
    FScale.SetAngles(FStartAngle, FEndAngle);
    FaceChanged();
}

void TMMCustomWheel::SetEndAngle(int value)
{
    if (value == FEndAngle)
        return;
    FEndAngle = value;
    FScale.SetAngles(FStartAngle, FEndAngle);
    FaceChanged();
}

void TMMCustomWheel::SetHandleColor(TColor value)
{
    SetProperty(FHandleColor, value, [this] { update(); });
}

void TMMCustomWheel::SetFocusedColor(TColor value)
{
    SetProperty(FFocusedColor, value, [this] { update(); });
}

void TMMCustomWheel::SetFocusAction(TMMFocusAction value)
{
    SetProperty(FFocusAction, value, [this] { FaceChanged(); });
}

void TMMCustomWheel::SetRadius(int value)
{
    SetProperty(FRadius, std::max(0, value), [this] { update(); });
}

void TMMCustomWheel::SetHandleStyle(TMMHandleStyle value)
{
    SetProperty(FHandleStyle, value, [this] { update(); });
}

void TMMCustomWheel::SetHandleSize(int value)
{
    SetProperty(FHandleSize, std::max(1, value), [this] { update(); });
}

void TMMCustomWheel::SetHandleMargin(int value)
{
    SetProperty(FHandleMargin, std::max(0, value), [this] { update(); });
}

void TMMCustomWheel::SetFrameSpace(int value)
{
    SetProperty(FFrameSpace, std::max(0, value), [this] {
        Resize();
        FaceChanged();
    });
}

void TMMCustomWheel::SetScaleMargin(int value)
{
    SetProperty(FScaleMargin, std::max(0, value), [this] { update(); });
}

void TMMCustomWheel::SetBackBmp(const QImage& picture)
{
    FBackBmp = picture;
    Resize();
    FaceChanged();
}

void TMMCustomWheel::SetAutoSize(bool value)
{
    SetProperty(FAutoSize, value, [this] { Resize(); });
}

int TMMCustomWheel::ScaleExtent() const
{
    return FScale.Visible() ? FScale.Size() : 0;
}

void TMMCustomWheel::Resize()
{
    if (!FAutoSize || FBackBmp.isNull())
        return;
    const int border = 2 * (Bevel().BevelExtend() + FFrameSpace + ScaleExtent());
    resize(FBackBmp.width() + border, FBackBmp.height() + border);
}

void TMMCustomWheel::FaceChanged()
{
    FFace = QImage();
    update();
}

void TMMCustomWheel::BevelChanged()
{
    Resize();
    FaceChanged();
}

void TMMCustomWheel::ColorChanged()
{
    FaceChanged();
}

void TMMCustomWheel::resizeEvent(QResizeEvent* event)
{
    TMMGraphicControl::resizeEvent(event);
    FaceChanged();
}

int TMMCustomWheel::HandleRadius() const
{
    if (FRadius != 0)
        return FRadius;
    int radius =
        std::min(width(), height()) / 2 - FHandleMargin - Bevel().BevelExtend() - FFrameSpace;
    if (FScale.Visible())
        radius -= FScale.Size() + FScaleMargin;
    return radius;
}

TPoint TMMCustomWheel::HandleCentre() const
{
    const double angle =
        wheel::HandleAngle(FValue, FMinimum, FMaximum, FStartAngle, FEndAngle) * M_PI / 180.0;
    const int radius = HandleRadius();
    return {width() / 2 + int(std::nearbyint(std::cos(angle) * radius)),
            height() / 2 - int(std::nearbyint(std::sin(angle) * radius))};
}

TColor TMMCustomWheel::CurrentHandleColor() const
{
    const bool focusColours = FFocusAction == faHandleColor || FFocusAction == faAll;
    return hasFocus() && focusColours ? FFocusedColor : FHandleColor;
}

void TMMCustomWheel::DrawFace(QPainter& canvas)
{
    const TRect inner = Bevel().Paint(canvas, ClientRect(), true);
    canvas.fillRect(inner.Left, inner.Top, inner.Width(), inner.Height(), ToQColor(Color()));
    const TRect scaleRect{inner.Left + FFrameSpace, inner.Top + FFrameSpace,
                          inner.Right - FFrameSpace, inner.Bottom - FFrameSpace};
    const int extent = ScaleExtent();
    const QRect face(scaleRect.Left + extent, scaleRect.Top + extent,
                     scaleRect.Width() - 2 * extent, scaleRect.Height() - 2 * extent);
    // The picture's transparent pixels let the control colour through.
    if (!FBackBmp.isNull() && face.isValid())
        canvas.drawImage(face, FBackBmp);
    if (FScale.Visible()) {
        FScale.SetAngles(FStartAngle, FEndAngle);
        FScale.SetCanvas(&canvas);
        FScale.DrawArc(scaleRect);
        FScale.SetCanvas(nullptr);
    }
    if (hasFocus() && (FFocusAction == faFrameRect || FFocusAction == faAll)) {
        canvas.setPen(QPen(ToQColor(CurrentHandleColor()), 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(inner.Left, inner.Top, inner.Width() - 1, inner.Height() - 1);
    }
}

void TMMCustomWheel::Paint(QPainter& canvas)
{
    if (FFace.size() != size()) {
        FFace = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        QPainter facePainter(&FFace);
        DrawFace(facePainter);
    }
    canvas.drawImage(0, 0, FFace);
    const TPoint centre = HandleCentre();
    const int half = FHandleSize / 2;
    const TRect rect{centre.X - half, centre.Y - half, centre.X - half + FHandleSize,
                     centre.Y - half + FHandleSize};
    if (FHandleStyle == hsOwnerDraw) {
        if (OnDrawHandle)
            OnDrawHandle(this, canvas, hasFocus(), centre, rect);
        return;
    }
    canvas.setRenderHint(QPainter::Antialiasing, true);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(ToQColor(CurrentHandleColor()));
    canvas.drawEllipse(QRectF(rect.Left, rect.Top, FHandleSize, FHandleSize));
}

void TMMCustomWheel::PointAt(const QPoint& point)
{
    const double cx = width() / 2.0, cy = height() / 2.0;
    if (point.x() == cx && point.y() == cy)
        return; // the centre has no direction
    const double angle = wheel::PointAngle(point.x(), point.y(), cx, cy);
    SetValue(wheel::ValueAtAngle(angle, FMinimum, FMaximum, FStartAngle, FEndAngle));
}

void TMMCustomWheel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        TMMGraphicControl::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (FUpDown) {
        FDragY = event->position().toPoint().y();
        FDragValue = FValue;
    } else {
        PointAt(event->position().toPoint());
    }
}

void TMMCustomWheel::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (FUpDown) {
        const int moved = FDragY - event->position().toPoint().y();
        SetValue(FDragValue +
                 int(std::nearbyint(double(FMaximum - FMinimum) * moved / FScrollSize)));
    } else {
        PointAt(event->position().toPoint());
    }
}

void TMMCustomWheel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !FUpDown)
        PointAt(event->position().toPoint());
}

void TMMCustomWheel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
        SetValue(FValue + FPageStep);
        break;
    case Qt::Key_PageDown:
        SetValue(FValue - FPageStep);
        break;
    case Qt::Key_End:
        SetValue(FMinimum);
        break;
    case Qt::Key_Home:
        SetValue(FMaximum);
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        SetValue(FValue + FLineStep);
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        SetValue(FValue - FLineStep);
        break;
    default:
        TMMGraphicControl::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TMMCustomWheel::focusInEvent(QFocusEvent* event)
{
    TMMGraphicControl::focusInEvent(event);
    FaceChanged();
}

void TMMCustomWheel::focusOutEvent(QFocusEvent* event)
{
    TMMGraphicControl::focusOutEvent(event);
    FaceChanged();
}
