#include "audio/MMGraphicControl.h"

#include <QPainter>

TMMGraphicControl::TMMGraphicControl(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted by Paint, so Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    FBevel.OnChange = [this](TMMObject*) { BevelChanged(); };
}

void TMMGraphicControl::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    ColorChanged();
}

void TMMGraphicControl::SetNoFill(bool value)
{
    if (value == FNoFill)
        return;
    FNoFill = value;
    update();
}

TRect TMMGraphicControl::InnerRect() const
{
    const int b = FBevel.BevelExtend();
    return {b, b, width() - b, height() - b};
}

void TMMGraphicControl::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
}

void TMMGraphicControl::Paint(QPainter& canvas)
{
    const TRect inner = FBevel.Paint(canvas, ClientRect(), true);
    if (!FNoFill && !inner.IsEmpty())
        canvas.fillRect(inner.Left, inner.Top, inner.Width(), inner.Height(), ToQColor(FColor));
}

void TMMGraphicControl::BevelChanged()
{
    update();
}

void TMMGraphicControl::ColorChanged()
{
    update();
}

void TMMGraphicControl::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    Paint(canvas);
}
