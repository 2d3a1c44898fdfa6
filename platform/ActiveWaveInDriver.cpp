#include "platform/AlsaCapture.h"
#include "platform/QueuedWaveInDriver.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<WaveInDriver*> installed{nullptr};
} // namespace

WaveInDriver& ActiveWaveInDriver()
{
    if (WaveInDriver* driver = installed.load())
        return *driver;
    static QueuedWaveInDriver alsa(std::make_unique<AlsaCaptureBackend>());
    return alsa;
}

void SetActiveWaveInDriver(WaveInDriver* driver)
{
    installed = driver;
}

} // namespace platform
