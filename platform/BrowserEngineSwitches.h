#pragma once

#include <QByteArray>

namespace platform {

// Chromium's switches as the browser engine must start with on this machine, added
// to the ones already given: as root its sandbox cannot start, so "--no-sandbox";
// without a graphics device, "--disable-gpu" (rendering in software from the start
// instead of after a failed GPU process).
QByteArray BrowserEngineSwitches(const QByteArray& given, bool runningAsRoot, bool hasGpu);

// Prepares the browser engine before the application object exists: shares the
// OpenGL contexts the engine draws with and sets QTWEBENGINE_CHROMIUM_FLAGS for this
// process as BrowserEngineSwitches says, so nobody has to set it by hand; keeps the
// engine's list of its start-up parameters out of the program's output.
void PrepareBrowserEngine();

} // namespace platform
