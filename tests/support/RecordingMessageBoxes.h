#pragma once

#include "platform/MessageBoxes.h"

#include <QString>
#include <functional>
#include <vector>

namespace testsupport {

// Records every box instead of showing it, and installs itself for its lifetime.
class RecordingMessageBoxes final : public platform::MessageBoxes {
public:
    struct Box {
        QString caption;
        QString text;
        Icon icon;
    };

    RecordingMessageBoxes() { platform::SetActiveMessageBoxes(this); }
    ~RecordingMessageBoxes() override { platform::SetActiveMessageBoxes(nullptr); }

    void Show(const QString& caption, const QString& text, Icon icon) override
    {
        boxes.push_back({caption, text, icon});
        if (onShow)
            onShow(boxes.back());
    }

    std::vector<Box> boxes;
    std::function<void(const Box&)> onShow; // runs while the "box" is open
};

} // namespace testsupport
