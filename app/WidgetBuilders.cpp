#include "app/WidgetBuilders.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

namespace app {

QFrame* AddPanel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    return panel;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry, Qt::FocusPolicy focus)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false); // Enter in an edit must not press a button
    button->setFocusPolicy(focus);
    return button;
}

void Paint(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace app
