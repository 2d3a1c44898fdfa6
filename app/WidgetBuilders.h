#pragma once

#include <QRect>
#include <QString>
#include <functional>

class QColor;
class QFrame;
class QPushButton;
class QWidget;
class TShapedSkin;

namespace app {

// Both windows place their panels and buttons at fixed pixel positions under
// object names that tests and tools look them up by.
QFrame* AddPanel(QWidget* parent, const char* name, const QRect& geometry);
// A bitmap button with the station's faces, known to screen readers and in its
// tooltip by its text.
QPushButton* AddButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry, Qt::FocusPolicy focus = Qt::StrongFocus);

// The window's background picture, which also gives it its outline and lets it be
// dragged; call it before adding anything else, so the rest lies above. A picture
// that cannot be read leaves the window rectangular with its frame, and report
// hears why.
TShapedSkin* AddSkin(QWidget* window, const QString& picture,
                     const std::function<void(const QString& why)>& report);

// Fills the widget's background with one colour.
void Paint(QWidget* widget, const QColor& colour);
// Places a top-level window in the middle of the primary screen.
void CentreOnScreen(QWidget* window);

} // namespace app
