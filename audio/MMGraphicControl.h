#pragma once

#include "audio/MMBevel.h"

#include <QWidget>

// Base of the drawn displays: an opaque widget with a bevel frame. A change of
// the frame repaints the control.
class TMMGraphicControl : public QWidget {
    Q_OBJECT
public:
    explicit TMMGraphicControl(QWidget* parent = nullptr);

    TMMBevel& Bevel() { return FBevel; }
    const TMMBevel& Bevel() const { return FBevel; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool NoFill() const { return FNoFill; }
    void SetNoFill(bool value);

    // The client rectangle less the frame on every side.
    TRect InnerRect() const;
    TRect ClientRect() const { return {0, 0, width(), height()}; }

    // The framework's bounds. A hidden widget hears of a new size only when it is
    // shown, so subclasses that lay out by size follow it here at once as well
    // as in resizeEvent.
    virtual void SetBounds(int left, int top, int width, int height);

protected:
    // Draws the frame and fills what is inside it with Color unless NoFill.
    virtual void Paint(QPainter& canvas);
    // The frame changed: by default just repaint.
    virtual void BevelChanged();
    // Color changed: by default just repaint.
    virtual void ColorChanged();

    void paintEvent(QPaintEvent* event) override;

private:
    TMMBevel FBevel;
    TColor FColor = clBtnFace;
    bool FNoFill = false;
};
