#include "skin/TShapedSkin.h"

#include "skin/Outline.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

TShapedSkin::TShapedSkin(QWidget& parent)
    : QWidget(&parent), FWindow(*parent.window()),
      FSavedFrameless(FWindow.windowFlags().testFlag(Qt::FramelessWindowHint))
{
    resize(105, 105);
}

void TShapedSkin::SetPicture(const QImage& picture)
{
    FPicture = picture;
    if (!FPicture.isNull())
        resize(FPicture.size());
    update();
}

void TShapedSkin::SetActive(bool active)
{
    FActive = active;
    if (FActive)
        BuildOutline();
    else
        RemoveOutline();
}

void TShapedSkin::BuildOutline()
{
    // Only the style from before the outline is worth restoring: building twice
    // must not save the frameless style over it.
    if (!FOutlineInForce)
        FSavedFrameless = FWindow.windowFlags().testFlag(Qt::FramelessWindowHint);
    if (FPicture.isNull())
        return;
    SetFrameless(true);
    FWindow.setMask(skin::OutlineOf(FPicture, mapTo(&FWindow, QPoint(0, 0))));
    FOutlineInForce = true;
}

void TShapedSkin::RemoveOutline()
{
    FWindow.clearMask();
    SetFrameless(FSavedFrameless);
    FOutlineInForce = false;
}

void TShapedSkin::SetFrameless(bool frameless)
{
    const Qt::WindowFlags flags = FWindow.windowFlags().setFlag(Qt::FramelessWindowHint, frameless);
    if (FWindow.windowFlags() == flags)
        return;
    // A new border style re-creates the native window, which hides it.
    const bool visible = FWindow.isVisible();
    FWindow.setWindowFlags(flags);
    if (visible)
        FWindow.show();
}

bool TShapedSkin::StartsDrag(QPoint position) const
{
    if (!FActive)
        return false;
    if (FAlwaysMove)
        return true;
    return FPicture.valid(position) && FPicture.pixel(position) == FCaptionColor.rgba();
}

void TShapedSkin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, FPicture);
}

void TShapedSkin::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !StartsDrag(event->position().toPoint()))
        return;
    event->accept();
    QWindow* native = FWindow.windowHandle();
    if (native && native->startSystemMove())
        return;
    // The window manager does not move windows for us: follow the pointer.
    FGrip = event->globalPosition().toPoint() - FWindow.pos();
}

void TShapedSkin::mouseMoveEvent(QMouseEvent* event)
{
    if (FGrip && (event->buttons() & Qt::LeftButton))
        FWindow.move(event->globalPosition().toPoint() - *FGrip);
    QWidget::mouseMoveEvent(event);
}

void TShapedSkin::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FGrip.reset();
    QWidget::mouseReleaseEvent(event);
}
