#include "platform/MessageBoxes.h"

#include <QMessageBox>

namespace platform {

namespace {
QString& Title()
{
    static QString title;
    return title;
}
} // namespace

QString ApplicationTitle()
{
    return Title();
}

void SetApplicationTitle(const QString& title)
{
    Title() = title;
}

void MessageBoxes::Information(const QString& text)
{
    Show(ApplicationTitle(), text, Icon::Information);
}

void MessageBoxes::Error(const QString& text)
{
    Show(ApplicationTitle(), text, Icon::Error);
}

void QtMessageBoxes::Show(const QString& caption, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information, caption,
                    text, QMessageBox::Ok);
    box.exec();
}

namespace {
MessageBoxes* installed = nullptr;
}

MessageBoxes& ActiveMessageBoxes()
{
    static QtMessageBoxes qtBoxes;
    return installed ? *installed : qtBoxes;
}

void SetActiveMessageBoxes(MessageBoxes* boxes)
{
    installed = boxes;
}

} // namespace platform
