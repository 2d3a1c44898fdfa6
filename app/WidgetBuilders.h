#pragma once

#include <QRect>
#include <QString>

class QColor;
class QFrame;
class QPushButton;
class QWidget;

namespace app {

// Both windows place their panels and buttons at fixed pixel positions under
// object names that tests and tools look them up by.
QFrame* AddPanel(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* AddButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry, Qt::FocusPolicy focus = Qt::StrongFocus);

// Fills the widget's background with one colour.
void Paint(QWidget* widget, const QColor& colour);
// Places a top-level window in the middle of the primary screen.
void CentreOnScreen(QWidget* window);

} // namespace app
