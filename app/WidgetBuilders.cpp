#include "app/WidgetBuilders.h"

#include <QFrame>
#include <QPushButton>

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

} // namespace app
