#include "platform/QueuedWaveInDriver.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <thread>

namespace platform {

class QueuedWaveInDriver::OpenDevice {
public:
    OpenDevice(HWaveIn handle, std::int32_t deviceId, const TWaveFormatEx& format,
               std::unique_ptr<CaptureStream> stream, WaveInCallback callback)
        : handle_(handle), deviceId_(deviceId), blockAlign_(format.nBlockAlign),
          stream_(std::move(stream)), callback_(std::move(callback))
    {
        thread_ = std::thread([this] { Run(); });
    }

    ~OpenDevice() { Shutdown(); }

    void Shutdown()
    {
        if (!thread_.joinable())
            return;
        Control([this] { shutdown_ = true; });
        thread_.join();
    }

    bool OnOwnThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    std::int32_t DeviceId() const { return deviceId_; }

    MMResult AddBuffer(TWaveHdr* header)
    {
        std::lock_guard lock(mutex_);
        const std::uint32_t flags = HeaderFlags(header);
        if ((flags & WHDR_PREPARED) == 0)
            return WAVERR_UNPREPARED;
        if ((flags & WHDR_INQUEUE) != 0)
            return WAVERR_STILLPLAYING;
        header->dwBytesRecorded = 0;
        SetHeaderFlags(header, WHDR_INQUEUE, WHDR_DONE);
        queue_.push_back(header);
        wake_.notify_all();
        return MMSYSERR_NOERROR;
    }

    MMResult Start()
    {
        std::lock_guard lock(mutex_);
        if (failure_ != 0)
            return FromSystemError(failure_);
        running_ = true;
        wake_.notify_all();
        return MMSYSERR_NOERROR;
    }

    void Stop()
    {
        Control([this] { stopRequested_ = true; });
    }

    void Reset()
    {
        Control([this] { resetRequested_ = true; });
    }

    bool HasQueued()
    {
        std::lock_guard lock(mutex_);
        return !queue_.empty();
    }

    void NotifyClosed() { callback_(handle_, MM_WIM_CLOSE, 0); }

    std::uint64_t Frames()
    {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    // Hands a request to the device's thread and waits until it has been carried out,
    // so that on return every buffer the request gives back has been reported.
    template <typename Request> void Control(Request request)
    {
        std::unique_lock lock(mutex_);
        request();
        const std::uint64_t ticket = ++requests_;
        wake_.notify_all();
        wake_.wait(lock, [&] { return acknowledged_ >= ticket; });
    }

    void Run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stopRequested_ || resetRequested_ || shutdown_) {
                CarryOutRequests(lock);
                if (shutdown_)
                    return;
                continue;
            }
            if (!running_ || queue_.empty() || failure_ != 0) {
                wake_.wait(lock);
                continue;
            }
            if (!streamRunning_) {
                const int error = stream_->Start();
                if (error < 0) {
                    Fail(lock, error);
                    continue;
                }
                streamRunning_ = true;
            }
            FillFront(lock);
        }
    }

    void FillFront(std::unique_lock<std::mutex>& lock)
    {
        TWaveHdr* header = queue_.front();
        std::size_t room = header->dwBufferLength - header->dwBytesRecorded;
        room -= room % blockAlign_;
        if (room > 0) {
            char* destination = header->lpData + header->dwBytesRecorded;
            // Only this thread takes buffers off the queue, so the header stays ours.
            lock.unlock();
            const long got = stream_->Read(destination, room);
            lock.lock();
            if (got < 0) {
                Fail(lock, static_cast<int>(got));
                return;
            }
            header->dwBytesRecorded += static_cast<std::uint32_t>(got);
            frames_ += static_cast<std::uint64_t>(got) / blockAlign_;
            room -= static_cast<std::size_t>(got);
        }
        if (room == 0) {
            queue_.pop_front();
            GiveBack(lock, header);
        }
    }

    void CarryOutRequests(std::unique_lock<std::mutex>& lock)
    {
        running_ = false;
        if (streamRunning_) {
            stream_->Stop();
            streamRunning_ = false;
        }
        if (stopRequested_ && !queue_.empty() && queue_.front()->dwBytesRecorded > 0) {
            TWaveHdr* partial = queue_.front();
            queue_.pop_front();
            GiveBack(lock, partial);
        }
        if (resetRequested_ || shutdown_) {
            while (!queue_.empty()) {
                TWaveHdr* header = queue_.front();
                queue_.pop_front();
                GiveBack(lock, header);
            }
            frames_ = 0;
        }
        stopRequested_ = false;
        resetRequested_ = false;
        acknowledged_ = requests_;
        wake_.notify_all();
    }

    void GiveBack(std::unique_lock<std::mutex>& lock, TWaveHdr* header)
    {
        SetHeaderFlags(header, WHDR_DONE, WHDR_INQUEUE);
        lock.unlock();
        callback_(handle_, MM_WIM_DATA, reinterpret_cast<std::uintptr_t>(header));
        lock.lock();
    }

    // The device is lost: recording ends, the client hears of it once, and the
    // queued buffers wait for the client's reset.
    void Fail(std::unique_lock<std::mutex>& lock, int error)
    {
        failure_ = error;
        running_ = false;
        if (streamRunning_) {
            stream_->Stop();
            streamRunning_ = false;
        }
        lock.unlock();
        callback_(handle_, MM_WIM_ERROR, FromSystemError(error));
        lock.lock();
    }

    const HWaveIn handle_;
    const std::int32_t deviceId_;
    const std::uint32_t blockAlign_;
    std::unique_ptr<CaptureStream> stream_; // used by the device's thread only
    WaveInCallback callback_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TWaveHdr*> queue_;
    bool running_ = false;
    bool streamRunning_ = false;
    bool stopRequested_ = false;
    bool resetRequested_ = false;
    bool shutdown_ = false;
    int failure_ = 0;
    std::uint64_t requests_ = 0;
    std::uint64_t acknowledged_ = 0;
    std::uint64_t frames_ = 0;
    std::thread thread_;
};

QueuedWaveInDriver::QueuedWaveInDriver(std::unique_ptr<CaptureBackend> backend)
    : backend_(std::move(backend))
{
}

QueuedWaveInDriver::~QueuedWaveInDriver()
{
    std::map<HWaveIn, std::shared_ptr<OpenDevice>> open;
    {
        std::lock_guard lock(mutex_);
        open.swap(open_);
    }
    for (auto& [handle, device] : open)
        device->Shutdown();
}

MMResult QueuedWaveInDriver::FromSystemError(int error)
{
    return kSystemErrorBase + static_cast<MMResult>(error < 0 ? -error : error);
}

std::uint32_t QueuedWaveInDriver::GetNumDevs()
{
    std::lock_guard lock(mutex_);
    devices_ = backend_->Devices();
    listed_ = true;
    return static_cast<std::uint32_t>(devices_.size());
}

bool QueuedWaveInDriver::DeviceAt(std::int32_t deviceId, WaveInCaps& caps)
{
    std::lock_guard lock(mutex_);
    if (!listed_) {
        devices_ = backend_->Devices();
        listed_ = true;
    }
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
        text = backend_->ErrorText(-static_cast<int>(result - kSystemErrorBase));
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
    default:
        return false;
    }
}

std::shared_ptr<QueuedWaveInDriver::OpenDevice> QueuedWaveInDriver::Find(HWaveIn handle)
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
    if ((flags & WAVE_FORMAT_QUERY) != 0) {
        const int error = backend_->Query(device, format);
        if (error == 0)
            return MMSYSERR_NOERROR;
        return error == -EINVAL ? WAVERR_BADFORMAT : FromSystemError(error);
    }
    if (handle == nullptr || !callback)
        return MMSYSERR_INVALPARAM;
    int error = 0;
    std::unique_ptr<CaptureStream> stream = backend_->Open(device, format, error);
    if (!stream)
        return error == -EINVAL ? WAVERR_BADFORMAT : FromSystemError(error);
    HWaveIn opened = 0;
    {
        std::lock_guard lock(mutex_);
        opened = nextHandle_++;
        open_[opened] =
            std::make_shared<OpenDevice>(opened, deviceId, format, std::move(stream), callback);
    }
    *handle = opened;
    callback(opened, MM_WIM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

MMResult QueuedWaveInDriver::Close(HWaveIn handle)
{
    std::shared_ptr<OpenDevice> device;
    WaveInCallback callback;
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
