#include "platform/CaptureDeviceNames.h"

#include "platform/WaveInDriver.h"

namespace platform {

std::string CapturePcmForProductName(const std::string& productName)
{
    // Walks the list the wave input already holds: asking for the count again
    // would probe every card and could renumber the devices under it.
    WaveInDriver& driver = ActiveWaveInDriver();
    WaveInCaps caps;
    for (std::int32_t device = 0; driver.GetDevCaps(device, caps) == MMSYSERR_NOERROR; ++device) {
        if (caps.szPname == productName)
            return caps.pcmName;
    }
    return {};
}

} // namespace platform
