// The oscilloscope's mouse: the left button holds the time and voltage read-out,
// the right button selects a range of columns (grabbing an edge, moving the
// whole range, or starting a new one).
#include "meters/MMOscope.h"

#include <QMouseEvent>
#include <QToolTip>

void TMMOscope::mousePressEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && FShowInfo && isEnabled()) {
        FReadOutHeld = true;
        FSuspendedHint = toolTip();
        setToolTip(QString());
        QToolTip::hideText();
        UpdateReadOut(p.x(), p.y());
        return;
    }
    if (event->button() != Qt::RightButton || !FUseSelection || FLocked ||
        !FPlot.Contains(p.x(), p.y()))
        return;
    const int x = p.x() - FPlot.Left;
    const bool selected = FSelStart >= 0;
    FSelecting = true;
    FDragOffset = -1;
    if (selected && x >= FSelStart - 3 && x <= FSelStart + 2) {
        FAnchor = FSelEnd;
    } else if (selected && x >= FSelEnd - 2 && x <= FSelEnd + 3) {
        FAnchor = FSelStart;
    } else if (selected && x > FSelStart && x < FSelEnd) {
        FDragOffset = x - FSelStart;
        setCursor(Qt::ClosedHandCursor);
    } else {
        FAnchor = x;
        SetSelection(x, x + 1);
    }
}

void TMMOscope::mouseMoveEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint();
    if (FReadOutHeld) {
        UpdateReadOut(p.x(), p.y());
        return;
    }
    const int x = p.x() - FPlot.Left;
    if (FSelecting) {
        if (FDragOffset >= 0) {
            const int width = FSelEnd - FSelStart;
            const int start = std::clamp(x - FDragOffset, 0, FColumnCount - width);
            SetSelection(start, start + width);
        } else {
            SetSelection(FAnchor, std::clamp(x, 0, FColumnCount));
        }
        return;
    }
    Qt::CursorShape shape = Qt::CrossCursor;
    if (FUseSelection && !FLocked && FSelStart >= 0) {
        if ((x >= FSelStart - 3 && x <= FSelStart + 2) || (x >= FSelEnd - 2 && x <= FSelEnd + 3))
            shape = Qt::SizeHorCursor;
        else if (x > FSelStart && x < FSelEnd)
            shape = Qt::OpenHandCursor;
    }
    setCursor(shape);
}

void TMMOscope::mouseReleaseEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        EndReadOut();
        return;
    }
    if (event->button() != Qt::RightButton || !FSelecting)
        return;
    FSelecting = false;
    setCursor(Qt::CrossCursor);
    if (FSelEnd == FSelStart + 1)
        SetSelection(-1, -1);
    if (OnSelectEnd)
        OnSelectEnd(this, FSelStart, FSelEnd);
}
