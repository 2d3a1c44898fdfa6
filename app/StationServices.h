#pragma once

#include "app/EventLog.h"
#include "platform/Encoder.h"
#include "platform/NotifyIcons.h"
#include "platform/SystemInfo.h"
#include "platform/WebBrowser.h"

#include <QDateTime>

namespace app {

// The machine as the main window sees it. The program passes the real services;
// tests pass a fixed folder and a clock of their own. Message boxes come from
// platform::ActiveMessageBoxes(), which a test replaces for its lifetime.
struct StationServices {
    platform::SystemInfo& system;
    EventLog::Clock clock = [] { return QDateTime::currentDateTime(); };
    // Makes the encoders the window starts; null for the ffmpeg encoder.
    platform::EncoderFactory* encoders = nullptr;
    // The desktop's notification area; null for the real one.
    platform::NotifyIcons* trayIcons = nullptr;
    // Makes the browser of the provider's page; null for the Qt WebEngine one.
    platform::WebBrowserFactory* browsers = nullptr;
};

} // namespace app
