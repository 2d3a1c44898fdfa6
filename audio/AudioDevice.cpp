#include "audio/AudioDevice.h"

#include <cstdio>

using platform::MMResult;

TMMCustomAudioDevice::TMMCustomAudioDevice()
{
    QueryCapsOrInvalidate();
}

TMMCustomAudioDevice::~TMMCustomAudioDevice()
{
    const TMMRemoval removal(this);
    FObservable.NotifyObservers(&removal);
}

void TMMCustomAudioDevice::SetDeviceKind(TMMDeviceKind kind)
{
    FDeviceKind = kind;
    FDeviceId = 0;
    QueryCapsOrInvalidate();
}

void TMMCustomAudioDevice::QueryCapsOrInvalidate()
{
    try {
        QueryCaps();
    } catch (const EMMMCIError&) {
        FDeviceId = InvalidId;
        QueryCaps();
    }
}

platform::DeviceCapsSource* TMMCustomAudioDevice::Source() const
{
    return platform::DeviceCapsSourceFor(static_cast<platform::DeviceKind>(FDeviceKind));
}

void TMMCustomAudioDevice::Check(platform::DeviceCapsSource* source, MMResult result)
{
    if (result == platform::MMSYSERR_NOERROR)
        return;
    std::string text;
    if (source == nullptr || !source->ErrorText(result, text) || text.empty()) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "MMSystem error: %d", static_cast<int>(result));
        text = buffer;
    }
    throw EMMMCIError(result, text);
}

std::int32_t TMMCustomAudioDevice::DeviceCount() const
{
    platform::DeviceCapsSource* source = Source();
    return source != nullptr ? static_cast<std::int32_t>(source->NumDevs()) : 0;
}

void TMMCustomAudioDevice::QueryCaps()
{
    FDeviceCaps = TMMDeviceCaps{};
    platform::DeviceCapsSource* source = Source();
    if (DeviceCount() < 1 || FDeviceId == InvalidId)
        return;
    platform::DeviceCapsRecord record;
    Check(source, source->GetCaps(FDeviceId, record));
    FDeviceCaps.ManufacturerId = record.manufacturerId;
    FDeviceCaps.ProductId = record.productId;
    FDeviceCaps.VerMajor = static_cast<std::uint8_t>(record.driverVersion >> 8);
    FDeviceCaps.VerMinor = static_cast<std::uint8_t>(record.driverVersion);
    FDeviceCaps.ProductName = record.productName;
}

void TMMCustomAudioDevice::SetDeviceId(TMMDeviceId id)
{
    if (id == FDeviceId)
        return;
    if (id != 0 && id != MapperId && id != InvalidId && (id < 0 || id >= DeviceCount()))
        throw EMMDeviceError("Device id is out of range");
    const bool wasActive = FActive;
    SetActive(false);
    FDeviceId = id;
    DeviceChanged();
    SetActive(wasActive);
}

void TMMCustomAudioDevice::AdoptDeviceId(TMMDeviceId id)
{
    FDeviceId = id;
    DeviceChanged();
}

void TMMCustomAudioDevice::DeviceChanged()
{
    QueryCaps();
    const TMMDeviceChange change;
    FObservable.NotifyObservers(&change);
    if (OnChange)
        OnChange(this);
}

void TMMCustomAudioDevice::SetActive(bool active)
{
    if (Loading()) {
        FLoadedActive = active;
        return;
    }
    if (active == FActive)
        return;
    DoDeactivate();
    if (active)
        DoActivate();
}

void TMMCustomAudioDevice::Loaded()
{
    TMMNonVisualComponent::Loaded();
    SetActive(FLoadedActive);
}

bool TMMCustomAudioDevice::Mapper() const
{
    platform::DeviceCapsSource* source = Source();
    if (source == nullptr)
        return false;
    platform::DeviceCapsRecord record;
    const MMResult result = source->GetCaps(MapperId, record);
    if (result == platform::MMSYSERR_BADDEVICEID || result == platform::MMSYSERR_INVALHANDLE)
        return false;
    Check(source, result);
    return true;
}

TMMDeviceId TMMCustomAudioDevice::MixerId() const
{
    platform::DeviceCapsSource* source = Source();
    if (source == nullptr)
        return InvalidId;
    std::int32_t mixer = -1;
    const MMResult result = source->MixerId(FDeviceId, mixer);
    if (result != platform::MMSYSERR_NODRIVER)
        Check(source, result);
    return mixer == -1 ? InvalidId : mixer;
}

void TMMCustomAudioDevice::ListNames(std::vector<std::string>& names, bool withMapper) const
{
    platform::DeviceCapsSource* source = Source();
    if (source == nullptr)
        return;
    platform::DeviceCapsRecord record;
    if (withMapper && Mapper() && source->GetCaps(MapperId, record) == platform::MMSYSERR_NOERROR)
        names.push_back(record.productName);
    const std::int32_t count = DeviceCount();
    for (std::int32_t id = 0; id < count; ++id) {
        Check(source, source->GetCaps(id, record));
        names.push_back(record.productName);
    }
}
