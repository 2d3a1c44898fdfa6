#include "mixer/MMMixerDevice.h"

#include "platform/ExceptionRouting.h"

using namespace platform;

TMMMixerDevice::TMMMixerDevice()
{
    SetDeviceKind(dtMixer);
    FDeviceObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FDevice)
                SetDevice(nullptr);
        } else if (dynamic_cast<const TMMDeviceChange*>(data) != nullptr) {
            FollowDevice();
        }
    };
}

TMMMixerDevice::~TMMMixerDevice()
{
    MarkDestroying();
    DoDeactivate();
}

bool TMMMixerDevice::IsValid() const
{
    const TMMDeviceId id = GetDeviceId();
    return id >= 0 && id < DeviceCount();
}

void TMMMixerDevice::SetDevice(TMMCustomAudioDevice* device)
{
    if (device == FDevice)
        return;
    if (dynamic_cast<TMMMixerDevice*>(device) != nullptr)
        throw EMMMixerError("Mixer can't reference mixer");
    FDevice = device;
    Watch(FDeviceObserver, FDevice != nullptr ? &FDevice->Observable() : nullptr);
    FollowDevice();
}

void TMMMixerDevice::FollowDevice()
{
    if (FDevice == nullptr)
        return;
    // SetDeviceId closes the mixer and restores its active state.
    SetDeviceId(FDevice->MixerId());
}

std::int32_t TMMMixerDevice::Destinations()
{
    if (!IsValid())
        return 0;
    MixerCaps caps;
    CheckResult(ActiveMixerService().GetDevCaps(CurrentId(), caps));
    return static_cast<std::int32_t>(caps.destinations);
}

void TMMMixerDevice::DoActivate()
{
    if (!IsValid())
        throw EMMMixerError("Device not valid");
    HMixer handle = 0;
    const MMResult result = ActiveMixerService().Open(
        &handle, GetDeviceId(), [this](HMixer h, std::uint32_t m, std::int32_t id) {
            RunGuarded([&] { MixerMessage(h, m, id); });
        });
    // A mixer that cannot be opened leaves the device closed without a word.
    if (result != MMSYSERR_NOERROR)
        return;
    FHandle = handle;
    TMMCustomAudioDevice::DoActivate();
}

void TMMMixerDevice::DoDeactivate()
{
    if (FHandle != 0) {
        ActiveMixerService().Close(FHandle);
        FHandle = 0;
    }
    TMMCustomAudioDevice::DoDeactivate();
}

TMMDeviceId TMMMixerDevice::CurrentId()
{
    if (FHandle == 0)
        return GetDeviceId();
    std::int32_t id = GetDeviceId();
    if (ActiveMixerService().GetID(FHandle, id) == MMSYSERR_NOERROR && id != GetDeviceId())
        AdoptDeviceId(id);
    return GetDeviceId();
}

bool TMMMixerDevice::Found(MMResult result)
{
    if (result == MIXERR_INVALLINE || result == MIXERR_INVALCONTROL ||
        result == MMSYSERR_NODRIVER || result == MMSYSERR_INVALPARAM)
        return false;
    CheckResult(result);
    return true;
}

void TMMMixerDevice::CheckResult(MMResult result)
{
    TMMCustomAudioDevice::Check(&MixerCapsSource(), result);
}

bool TMMMixerDevice::LineById(TMMLineId id, MixerLine& line)
{
    return Found(ActiveMixerService().LineById(CurrentId(), id, line));
}

bool TMMMixerDevice::LineByComponentType(TMMComponentType type, MixerLine& line)
{
    return Found(
        ActiveMixerService().LineByComponentType(CurrentId(), ComponentTypeCode(type), line));
}

bool TMMMixerDevice::LineBySource(std::uint32_t destination, std::uint32_t source, MixerLine& line)
{
    return Found(ActiveMixerService().LineBySource(CurrentId(), destination, source, line));
}

namespace {

std::uint32_t TargetType(TMMDeviceKind kind)
{
    switch (kind) {
    case dtWaveOut:
        return TARGETTYPE_WAVEOUT;
    case dtWaveIn:
        return TARGETTYPE_WAVEIN;
    case dtMidiOut:
        return TARGETTYPE_MIDIOUT;
    case dtMidiIn:
        return TARGETTYPE_MIDIIN;
    case dtAux:
        return TARGETTYPE_AUX;
    default:
        return TARGETTYPE_UNDEFINED;
    }
}

} // namespace

MixerTarget TargetDescription(const TMMCustomAudioDevice& device)
{
    MixerTarget target;
    target.type = TargetType(device.DeviceKind());
    target.manufacturerId = device.DeviceCaps().ManufacturerId;
    target.productId = device.DeviceCaps().ProductId;
    target.driverVersion = static_cast<std::uint32_t>(device.DeviceCaps().VerMajor << 8) |
                           device.DeviceCaps().VerMinor;
    target.name = device.DeviceCaps().ProductName;
    return target;
}

bool TMMMixerDevice::LineByTarget(const TMMCustomAudioDevice& target, MixerLine& line)
{
    return Found(ActiveMixerService().LineByTarget(CurrentId(), TargetDescription(target), line));
}

bool TMMMixerDevice::ControlById(TMMControlId id, MixerControl& control)
{
    return Found(ActiveMixerService().ControlById(CurrentId(), id, control));
}

bool TMMMixerDevice::ControlByType(TMMLineId line, std::uint32_t typeCode, MixerControl& control)
{
    return Found(ActiveMixerService().ControlByType(CurrentId(), line, typeCode, control));
}

std::vector<std::int32_t> TMMMixerDevice::GetValues(TMMControlId control, std::uint32_t channels,
                                                    std::uint32_t items)
{
    std::vector<std::int32_t> values;
    CheckResult(ActiveMixerService().GetValues(CurrentId(), control, channels, items, values));
    return values;
}

void TMMMixerDevice::SetValues(TMMControlId control, std::uint32_t channels, std::uint32_t items,
                               const std::vector<std::int32_t>& values)
{
    CheckResult(ActiveMixerService().SetValues(CurrentId(), control, channels, items, values));
}

std::vector<MixerListText> TMMMixerDevice::GetListTexts(TMMControlId control,
                                                        std::uint32_t channels, std::uint32_t items)
{
    std::vector<MixerListText> texts;
    CheckResult(ActiveMixerService().GetListTexts(CurrentId(), control, channels, items, texts));
    return texts;
}

void TMMMixerDevice::MixerMessage(HMixer handle, std::uint32_t msg, std::int32_t id)
{
    if (handle != FHandle)
        return;
    if (msg == MM_MIXM_LINE_CHANGE) {
        const TMMLineChange change(id);
        Observable().NotifyObservers(&change);
        if (OnLineChange)
            OnLineChange(this, id);
    } else if (msg == MM_MIXM_CONTROL_CHANGE) {
        std::int32_t line = badLineId;
        ActiveMixerService().ControlLine(CurrentId(), id, line);
        const TMMControlChange change(line, id);
        Observable().NotifyObservers(&change);
        if (OnControlChange)
            OnControlChange(this, line, id);
    }
}
