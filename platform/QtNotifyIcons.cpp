#include "platform/NotifyIcons.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace platform {

namespace {

// The mouse message each activation stands for; 0 for those the owner never hears
// of (double and middle clicks).
std::uint32_t MouseMessageOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftButtonDown;
    case QSystemTrayIcon::Context:
        return kRightButtonDown;
    default:
        return 0;
    }
}

} // namespace

QtNotifyIcons::QtNotifyIcons() = default;
QtNotifyIcons::~QtNotifyIcons() = default;

bool QtNotifyIcons::Add(const NotifyIconData& data)
{
    if (FIcons.count(data.id) != 0)
        return false;
    auto icon = std::make_unique<QSystemTrayIcon>(data.icon);
    icon->setToolTip(data.tip);
    QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                     [callback = data.callback](QSystemTrayIcon::ActivationReason reason) {
                         const std::uint32_t message = MouseMessageOf(reason);
                         if (message != 0 && callback)
                             callback(message);
                     });
    icon->show();
    FIcons.emplace(data.id, std::move(icon));
    return true;
}

bool QtNotifyIcons::Modify(const NotifyIconData& data)
{
    const auto found = FIcons.find(data.id);
    if (found == FIcons.end())
        return false;
    found->second->setIcon(data.icon);
    found->second->setToolTip(data.tip);
    return true;
}

bool QtNotifyIcons::Delete(const NotifyIconData& data)
{
    return FIcons.erase(data.id) != 0;
}

QPoint QtNotifyIcons::CursorPosition() const
{
    return QCursor::pos();
}

} // namespace platform
