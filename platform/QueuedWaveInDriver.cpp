#include "platform/QueuedWaveInDriver.h"
#include "platform/CaptureFailureText.h"

#include <cerrno>

namespace platform {

QueuedWaveInDriver::QueuedWaveInDriver(std::unique_ptr<CaptureBackend> backend,
                                       CaptureLimits limits)
    : backend_(std::move(backend)), limits_(limits)
{
}

QueuedWaveInDriver::~QueuedWaveInDriver()
{
    std::map<HWaveIn, std::shared_ptr<CaptureDevice>> open;
    {
        std::lock_guard lock(mutex_);
        open.swap(open_);
    }
    for (auto& [handle, device] : open)
        device->Shutdown();
}

std::uint32_t QueuedWaveInDriver::GetNumDevs()
{
    std::lock_guard lock(mutex_);
    ListDevices();
    return static_cast<std::uint32_t>(devices_.size());
}

void QueuedWaveInDriver::ListDevices()
{
    devices_ = backend_->Devices();
    listed_ = true;
}

bool QueuedWaveInDriver::DeviceAt(std::int32_t deviceId, WaveInCaps& caps)
{
    std::lock_guard lock(mutex_);
    if (!listed_)
        ListDevices();
    if (deviceId == -1)
        deviceId = 0; // the mapper routes to the sound system's default
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= devices_.size())
        return false;
    caps = devices_[static_cast<std::size_t>(deviceId)];
    return true;
}

MMResult QueuedWaveInDriver::GetDevCaps(std::int32_t deviceId, WaveInCaps& caps)
{
    return DeviceAt(deviceId, caps) ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}

bool QueuedWaveInDriver::GetErrorText(MMResult result, std::string& text)
{
    if (result >= kSystemErrorBase) {
        const int error = -static_cast<int>(result - kSystemErrorBase);
        std::string device;
        {
            std::lock_guard lock(mutex_);
            device = lastDeviceName_;
        }
        text = backend_->ErrorText(error);
        if (!device.empty())
            text = CaptureFailureText(device, error, text);
        return true;
    }
    switch (result) {
    case MMSYSERR_NOERROR:
        text = "The command completed successfully.";
        return true;
    case MMSYSERR_ERROR:
        text = "An unspecified error occurred.";
        return true;
    case MMSYSERR_BADDEVICEID:
        text = "The device number is out of range; choose a capture device from the list.";
        return true;
    case MMSYSERR_ALLOCATED:
        text = "The device is in use by another program; close that program and try again.";
        return true;
    case MMSYSERR_INVALHANDLE:
        text = "The device is not open.";
        return true;
    case MMSYSERR_NODRIVER:
        text = "No sound driver is installed.";
        return true;
    case MMSYSERR_NOMEM:
        text = "Not enough memory for the device.";
        return true;
    case MMSYSERR_INVALPARAM:
        text = "An invalid parameter was passed to the device.";
        return true;
    case WAVERR_BADFORMAT:
        text = "The device cannot record in this format; choose another rate, width or channel "
               "count.";
        return true;
    case WAVERR_STILLPLAYING:
        text = "Buffers are still queued on the device; reset it first.";
        return true;
    case WAVERR_UNPREPARED:
        text = "The wave header was not prepared.";
        return true;
    case kDeviceNotResponding:
        text = "The capture device stopped responding; check the card or the sound server, "
               "then start the capture again.";
        return true;
    default:
        return false;
    }
}

std::shared_ptr<CaptureDevice> QueuedWaveInDriver::Find(HWaveIn handle)
{
    std::lock_guard lock(mutex_);
    const auto found = open_.find(handle);
    return found == open_.end() ? nullptr : found->second;
}

std::size_t QueuedWaveInDriver::OpenCount()
{
    std::lock_guard lock(mutex_);
    return open_.size();
}

namespace {
bool IsPlainPcm(const TWaveFormatEx& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec > 0 &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}
} // namespace

MMResult QueuedWaveInDriver::Open(HWaveIn* handle, std::int32_t deviceId,
                                  const TWaveFormatEx& format, WaveInCallback callback,
                                  std::uint32_t flags)
{
    if (!IsPlainPcm(format))
        return WAVERR_BADFORMAT;
    WaveInCaps device;
    if (!DeviceAt(deviceId, device))
        return MMSYSERR_BADDEVICEID;
    {
        // The system's errors only carry a number; the text names this device.
        std::lock_guard lock(mutex_);
        lastDeviceName_ = device.szPname;
    }
    if ((flags & WAVE_FORMAT_QUERY) != 0) {
        const int error = backend_->Query(device, format);
        if (error == 0)
            return MMSYSERR_NOERROR;
        return error == -EINVAL ? WAVERR_BADFORMAT : SystemErrorResult(error);
    }
    if (handle == nullptr || !callback)
        return MMSYSERR_INVALPARAM;
    int error = 0;
    std::unique_ptr<CaptureStream> stream = backend_->Open(device, format, error);
    if (!stream)
        return error == -EINVAL ? WAVERR_BADFORMAT : SystemErrorResult(error);
    HWaveIn opened = 0;
    {
        std::lock_guard lock(mutex_);
        opened = nextHandle_++;
        auto opening = std::make_shared<CaptureDevice>(opened, deviceId, format, std::move(stream),
                                                       callback, limits_);
        opening->Launch();
        open_[opened] = std::move(opening);
    }
    *handle = opened;
    callback(opened, MM_WIM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::Close(HWaveIn handle)
{
    std::shared_ptr<CaptureDevice> device;
    {
        std::lock_guard lock(mutex_);
        const auto found = open_.find(handle);
        if (found == open_.end())
            return MMSYSERR_INVALHANDLE;
        if (found->second->OnOwnThread())
            return MMSYSERR_ERROR; // a device cannot be closed from its own notice
        if (found->second->HasQueued())
            return WAVERR_STILLPLAYING;
        device = found->second;
        open_.erase(found);
    }
    device->Shutdown();
    device->NotifyClosed();
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::PrepareHeader(HWaveIn handle, TWaveHdr* header)
{
    if (!Find(handle))
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    SetHeaderFlags(header, WHDR_PREPARED, 0);
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::UnprepareHeader(HWaveIn handle, TWaveHdr* header)
{
    if (!Find(handle))
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr)
        return MMSYSERR_INVALPARAM;
    if ((HeaderFlags(header) & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    SetHeaderFlags(header, 0, WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::AddBuffer(HWaveIn handle, TWaveHdr* header)
{
    const auto device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    return device->AddBuffer(header);
}

MMResult QueuedWaveInDriver::Start(HWaveIn handle)
{
    const auto device = Find(handle);
    return device ? device->Start() : MMSYSERR_INVALHANDLE;
}

MMResult QueuedWaveInDriver::Stop(HWaveIn handle)
{
    const auto device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (device->OnOwnThread())
        return MMSYSERR_ERROR;
    device->Stop();
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::Reset(HWaveIn handle)
{
    const auto device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    if (device->OnOwnThread())
        return MMSYSERR_ERROR;
    device->Reset();
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::GetPosition(HWaveIn handle, MMTime& time)
{
    const auto device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    time.type = MMTime::Samples;
    time.value = static_cast<std::uint32_t>(device->Frames());
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::GetID(HWaveIn handle, std::uint32_t& deviceId)
{
    const auto device = Find(handle);
    if (!device)
        return MMSYSERR_INVALHANDLE;
    deviceId = static_cast<std::uint32_t>(device->DeviceId());
    return MMSYSERR_NOERROR;
}

} // namespace platform
