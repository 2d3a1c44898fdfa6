#include "audio/ScreenCopyPacer.h"

#include <QWidget>
#include <QWindow>
#include <algorithm>

ScreenCopyPacer::ScreenCopyPacer(QWidget& control, std::function<void()> copy)
    : FControl(control), FCopy(std::move(copy))
{
    FTimer.setSingleShot(true);
    QObject::connect(&FTimer, &QTimer::timeout, &control, [this] {
        Copied();
        FCopy();
    });
}

void ScreenCopyPacer::SetInterval(int milliseconds)
{
    FInterval = std::max(milliseconds, 0);
}

bool ScreenCopyPacer::OnScreen() const
{
    const QWindow* screenWindow = FControl.window()->windowHandle();
    return screenWindow && screenWindow->isExposed();
}

bool ScreenCopyPacer::CopyDue() const
{
    const bool due = !FLastCopy.isValid() || FLastCopy.elapsed() >= FInterval;
    return due && !FTimer.isActive() && OnScreen();
}

void ScreenCopyPacer::Defer()
{
    if (!OnScreen()) {
        FControl.update();
        return;
    }
    if (FTimer.isActive())
        return;
    const qint64 left =
        FLastCopy.isValid() ? std::max<qint64>(FInterval - FLastCopy.elapsed(), 0) : 0;
    FTimer.start(int(left));
}
