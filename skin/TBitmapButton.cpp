#include "skin/TBitmapButton.h"

#include <QPainter>
#include <qdrawutil.h>

namespace {

constexpr int kFaceCount = 3;
constexpr int kCorner = 6; // rounded corners and bevel, kept unstretched

} // namespace

TBitmapButton::TBitmapButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setToolTip(text);
}

void TBitmapButton::SetFaces(const QImage& faces)
{
    FFaces = faces;
    update();
}

int TBitmapButton::FaceIndex() const
{
    if (!isEnabled())
        return 2;
    return isDown() || isChecked() ? 1 : 0;
}

void TBitmapButton::paintEvent(QPaintEvent* event)
{
    if (FFaces.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    const int faceWidth = FFaces.width() / kFaceCount;
    const QPixmap face =
        QPixmap::fromImage(FFaces.copy(FaceIndex() * faceWidth, 0, faceWidth, FFaces.height()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    qDrawBorderPixmap(&painter, rect(), QMargins(kCorner, kCorner, kCorner, kCorner), face);

    // Pressed, the caption sinks with the face.
    const QRect caption = rect().translated(FaceIndex() == 1 ? QPoint(0, 1) : QPoint());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.setFont(font());
    painter.drawText(caption, Qt::AlignCenter, text());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}
