#include "app/WidgetBuilders.h"

#include "skin/PngPicture.h"
#include "skin/TBitmapButton.h"
#include "skin/TShapedSkin.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

namespace app {

namespace {

// The faces every button shares; read once. Without them the buttons draw like
// plain push buttons.
const QImage& ButtonFaces()
{
    static const QImage faces = skin::ReadPng(QStringLiteral(":/skin/botoes.png")).image;
    return faces;
}

// Light captions on the graphite faces, dimmed when disabled; the focus mark in the
// on-air amber.
void PaintCaption(QPushButton* button)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(0xEC, 0xEC, 0xEC));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6B, 0x70, 0x78));
    palette.setColor(QPalette::Highlight, QColor(0xFF, 0xB2, 0x1A));
    button->setPalette(palette);
    QFont font = button->font();
    font.setBold(true);
    font.setPixelSize(11);
    button->setFont(font);
}

} // namespace

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
    auto* button = new TBitmapButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(text);
    button->SetFaces(ButtonFaces());
    PaintCaption(button);
    button->setGeometry(geometry);
    button->setAutoDefault(false); // Enter in an edit must not press a button
    button->setFocusPolicy(focus);
    return button;
}

TShapedSkin* AddSkin(QWidget* window, const QString& picture,
                     const std::function<void(const QString& why)>& report)
{
    auto* skin = new TShapedSkin(*window);
    skin->setObjectName(QStringLiteral("Skin"));
    const skin::PngPicture read = skin::ReadPng(picture);
    if (read.image.isNull())
        report(read.error);
    skin->SetPicture(read.image);
    skin->SetActive(true);
    return skin;
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
