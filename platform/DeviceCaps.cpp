#include "platform/DeviceCaps.h"

#include "platform/MixerService.h"

#include <array>
#include <atomic>

namespace platform {
namespace {

// Wave input capabilities, read from the capture driver in use at the time.
class WaveInCapsSource final : public DeviceCapsSource {
public:
    std::uint32_t NumDevs() override { return ActiveWaveInDriver().GetNumDevs(); }

    MMResult GetCaps(std::int32_t deviceId, DeviceCapsRecord& caps) override
    {
        WaveInCaps wave;
        const MMResult result = ActiveWaveInDriver().GetDevCaps(deviceId, wave);
        if (result == MMSYSERR_NOERROR) {
            caps.manufacturerId = wave.wMid;
            caps.productId = wave.wPid;
            caps.driverVersion = wave.vDriverVersion;
            caps.productName = wave.szPname;
        }
        return result;
    }

    bool ErrorText(MMResult result, std::string& text) override
    {
        return ActiveWaveInDriver().GetErrorText(result, text);
    }

    MMResult MixerId(std::int32_t, std::int32_t& mixerId) override
    {
        mixerId = -1; // capture devices and mixers are not paired here
        return MMSYSERR_NODRIVER;
    }
};

std::array<std::atomic<DeviceCapsSource*>, 6>& Installed()
{
    static std::array<std::atomic<DeviceCapsSource*>, 6> sources{};
    return sources;
}

} // namespace

DeviceCapsSource* DeviceCapsSourceFor(DeviceKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    if (index >= Installed().size())
        return nullptr;
    if (DeviceCapsSource* source = Installed()[index].load())
        return source;
    if (kind == DeviceKind::WaveIn) {
        static WaveInCapsSource waveIn;
        return &waveIn;
    }
    if (kind == DeviceKind::Mixer)
        return &MixerCapsSource();
    return nullptr;
}

void SetDeviceCapsSource(DeviceKind kind, DeviceCapsSource* source)
{
    const auto index = static_cast<std::size_t>(kind);
    if (index < Installed().size())
        Installed()[index] = source;
}

} // namespace platform
