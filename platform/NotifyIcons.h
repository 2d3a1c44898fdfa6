#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QSystemTrayIcon;

namespace platform {

// Mouse messages an icon in the notification area reports to its owner: a button
// went down over it. Other mouse messages are never reported.
constexpr std::uint32_t kLeftButtonDown = 513;
constexpr std::uint32_t kRightButtonDown = 516;

// The record a program registers for one icon in the notification area.
struct NotifyIconData {
    std::uint32_t id = 0;
    QIcon icon;
    QString tip;
    // Receives the mouse messages above, on the user-interface thread.
    std::function<void(std::uint32_t mouseMessage)> callback;
};

// The desktop's notification area: add, modify and delete an icon by its id, and
// where the mouse cursor is (menus for the icon open there). Add, Modify and
// Delete answer false when the id is already there (Add) or is not (the others).
class NotifyIcons {
public:
    virtual ~NotifyIcons() = default;
    virtual bool Add(const NotifyIconData& data) = 0;
    virtual bool Modify(const NotifyIconData& data) = 0;
    virtual bool Delete(const NotifyIconData& data) = 0;
    virtual QPoint CursorPosition() const = 0;
};

// The notification area through QSystemTrayIcon. Hosts of the XEmbed tray protocol
// (trayer, stalonetray, older panels) let Qt see the press itself: a left press
// arrives as Trigger and a right press as Context. Hosts of the StatusNotifier
// protocol (KDE, most current panels) report only a finished click as Activate or
// ContextMenu, which Qt passes on as the same Trigger and Context; there the
// message comes at release. No context menu is given to Qt, so neither protocol
// opens a menu of its own and the owner opens its menu itself.
class QtNotifyIcons final : public NotifyIcons {
public:
    QtNotifyIcons();
    ~QtNotifyIcons() override;
    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(const NotifyIconData& data) override;
    QPoint CursorPosition() const override;

private:
    std::map<std::uint32_t, std::unique_ptr<QSystemTrayIcon>> FIcons;
};

} // namespace platform
