#pragma once

#include <QRect>
#include <QString>

class QFrame;
class QPushButton;
class QWidget;

namespace app {

// Both windows place their panels and buttons at fixed pixel positions under
// object names that tests and tools look them up by.
QFrame* AddPanel(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* AddButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry, Qt::FocusPolicy focus = Qt::StrongFocus);

} // namespace app
