#include "platform/CaptureDeviceNames.h"

#include "platform/WaveInDriver.h"

namespace platform {

std::string CapturePcmForProductName(const std::string& productName)
{
    WaveInDriver& driver = ActiveWaveInDriver();
    const auto count = static_cast<std::int32_t>(driver.GetNumDevs());
    for (std::int32_t device = 0; device < count; ++device) {
        WaveInCaps caps;
        if (driver.GetDevCaps(device, caps) == MMSYSERR_NOERROR && caps.szPname == productName)
            return caps.pcmName;
    }
    return {};
}

} // namespace platform
