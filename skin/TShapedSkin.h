#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <optional>

// The background picture of a window that also gives the window its outline: the
// window loses its frame and shows only the picture's non-key pixels, and a left
// press on the picture drags the window. Buttons and panels lie above it.
class TShapedSkin : public QWidget {
    Q_OBJECT

public:
    // Placed on parent, whose window it shapes; that window's border style is saved.
    explicit TShapedSkin(QWidget& parent);

    // The picture; the control takes its size. A null picture leaves the window
    // rectangular, with its frame.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

    bool Active() const { return FActive; }
    // True builds the outline (again), false gives the window back its rectangle and
    // the border style it had before the outline.
    void SetActive(bool active);

    // Pressing a pixel of this colour drags the window.
    QColor CaptionColor() const { return FCaptionColor; }
    void SetCaptionColor(const QColor& colour) { FCaptionColor = colour; }
    // Pressing any pixel drags the window.
    bool AlwaysMove() const { return FAlwaysMove; }
    void SetAlwaysMove(bool always) { FAlwaysMove = always; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BuildOutline();
    void RemoveOutline();
    // The window's border style: none, or the one the desktop gives it.
    void SetFrameless(bool frameless);
    bool StartsDrag(QPoint position) const;

    QWidget& FWindow;
    bool FSavedFrameless; // the border style from before the outline
    bool FActive = false;
    bool FOutlineInForce = false;
    QColor FCaptionColor = Qt::black;
    bool FAlwaysMove = true;
    QImage FPicture;
    // Where the pointer holds the window while the program moves it itself.
    std::optional<QPoint> FGrip;
};
