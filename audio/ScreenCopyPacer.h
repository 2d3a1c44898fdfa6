#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

class QWidget;

// Spaces the screen copies of a display that draws every measured block
// off-screen: every copy is a round trip through the display server and no
// screen shows hundreds of frames a second, so a frame is copied at once only
// when the last copy is at least Interval() old; otherwise the newest frame is
// copied when the interval ends.
class ScreenCopyPacer {
public:
    // copy makes the screen copy (a synchronous repaint of the control).
    ScreenCopyPacer(QWidget& control, std::function<void()> copy);

    // Shortest time between two copies, in ms; 0: every frame is copied.
    int Interval() const { return FInterval; }
    void SetInterval(int milliseconds);

    // The control's window is on screen, the interval has passed and no deferred
    // copy is waiting: a frame may go to the screen now.
    bool CopyDue() const;
    // A copy to the screen was just made.
    void Copied() { FLastCopy.start(); }
    // The frame just drawn could not be copied now: off screen it is left to the
    // next ordinary paint, on screen it is copied when the interval ends.
    void Defer();
    // A deferred copy is waiting for the end of the interval.
    bool Pending() const { return FTimer.isActive(); }

private:
    bool OnScreen() const;

    QWidget& FControl;
    std::function<void()> FCopy;
    int FInterval = 16; // about one copy per frame of a 60 Hz screen
    QElapsedTimer FLastCopy;
    QTimer FTimer;
};
