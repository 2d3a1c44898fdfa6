#pragma once

#include "platform/NotifyIcons.h"

#include <string>
#include <vector>

namespace testsupport {

// A notification area that records every operation with the record it was given,
// and whose mouse cursor stands wherever the test puts it.
class RecordingNotifyIcons final : public platform::NotifyIcons {
public:
    struct Call {
        std::string operation; // "Add", "Modify" or "Delete"
        platform::NotifyIconData data;
    };

    bool Add(const platform::NotifyIconData& data) override { return Record("Add", data); }
    bool Modify(const platform::NotifyIconData& data) override { return Record("Modify", data); }
    bool Delete(const platform::NotifyIconData& data) override { return Record("Delete", data); }
    QPoint CursorPosition() const override { return cursor; }

    // Sends a mouse message to the icon as the desktop would.
    void Press(std::uint32_t mouseMessage) const { calls.front().data.callback(mouseMessage); }

    std::vector<Call> calls;
    QPoint cursor;

private:
    bool Record(const char* operation, const platform::NotifyIconData& data)
    {
        calls.push_back({operation, data});
        return true;
    }
};

} // namespace testsupport
