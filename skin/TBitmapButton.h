#pragma once

#include <QImage>
#include <QPushButton>

// A push button drawn from faces of a shared picture list instead of the desktop's
// style. The list holds three faces of equal width side by side: normal, pressed,
// disabled; there is no mouse-over face. Each face is stretched to the button with
// its corners kept, and the button's text is written over it. A button without
// faces draws like a plain push button.
class TBitmapButton : public QPushButton {
    Q_OBJECT

public:
    TBitmapButton(const QString& text, QWidget* parent);

    void SetFaces(const QImage& faces);
    const QImage& Faces() const { return FFaces; }
    // The face the button shows now: 0 normal, 1 pressed, 2 disabled.
    int FaceIndex() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FFaces;
};
