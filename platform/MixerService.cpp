#include "platform/MixerService.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<MixerService*>& Installed()
{
    static std::atomic<MixerService*> service{nullptr};
    return service;
}

// The mixers' capabilities in the shape the audio device base reads.
class MixerCapsOfService final : public DeviceCapsSource {
public:
    std::uint32_t NumDevs() override { return ActiveMixerService().GetNumDevs(); }

    MMResult GetCaps(std::int32_t deviceId, DeviceCapsRecord& caps) override
    {
        platform::MixerCaps mixer;
        const MMResult result = ActiveMixerService().GetDevCaps(deviceId, mixer);
        if (result == MMSYSERR_NOERROR) {
            caps.manufacturerId = mixer.manufacturerId;
            caps.productId = mixer.productId;
            caps.driverVersion = mixer.driverVersion;
            caps.productName = mixer.name;
        }
        return result;
    }

    bool ErrorText(MMResult result, std::string& text) override
    {
        return ActiveMixerService().GetErrorText(result, text);
    }

    MMResult MixerId(std::int32_t deviceId, std::int32_t& mixerId) override
    {
        mixerId = deviceId; // a mixer is its own mixer
        return MMSYSERR_NOERROR;
    }
};

} // namespace

MixerService& ActiveMixerService()
{
    if (MixerService* service = Installed().load())
        return *service;
    return SoundSystemMixerService();
}

void SetActiveMixerService(MixerService* service)
{
    Installed() = service;
}

DeviceCapsSource& MixerCapsSource()
{
    static MixerCapsOfService source;
    return source;
}

bool MixerErrorText(MMResult result, std::string& text)
{
    switch (result) {
    case MMSYSERR_ERROR:
        text = "Unspecified error.";
        return true;
    case MMSYSERR_BADDEVICEID:
        text = "The specified device ID is out of range.";
        return true;
    case MMSYSERR_INVALHANDLE:
        text = "The specified device handle is invalid.";
        return true;
    case MMSYSERR_NODRIVER:
        text = "There is no driver installed on your system.";
        return true;
    case MMSYSERR_NOMEM:
        text = "Not enough memory available for this task.";
        return true;
    case MMSYSERR_INVALPARAM:
        text = "An invalid parameter was passed to a system function.";
        return true;
    case MIXERR_INVALLINE:
        text = "The specified mixer line is not valid.";
        return true;
    case MIXERR_INVALCONTROL:
        text = "The specified mixer control is not valid.";
        return true;
    case MIXERR_INVALVALUE:
        text = "The value is out of range for the mixer control.";
        return true;
    default:
        return false;
    }
}

} // namespace platform
