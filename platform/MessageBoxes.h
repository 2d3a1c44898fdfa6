#pragma once

#include <QString>

namespace platform {

// The application title: the caption of message boxes, the tray tip and the log banner.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Plain message boxes with an OK button, the way the station talks to its operator.
class MessageBoxes {
public:
    enum class Icon { Information, Error };

    virtual ~MessageBoxes() = default;
    // Blocks until the operator presses OK.
    virtual void Show(const QString& caption, const QString& text, Icon icon) = 0;

    // An information box captioned with the application title.
    void Information(const QString& text);
    // The standard error box for an unhandled error, captioned with the application title.
    void Error(const QString& text);
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void Show(const QString& caption, const QString& text, Icon icon) override;
};

// The boxes every part of the program shows; a test installs its own.
MessageBoxes& ActiveMessageBoxes();
void SetActiveMessageBoxes(MessageBoxes* boxes); // nullptr restores the Qt boxes

} // namespace platform
