#include "platform/CaptureDevice.h"

#include <cstring>

namespace platform {

using Clock = std::chrono::steady_clock;

CaptureDevice::CaptureDevice(HWaveIn handle, std::int32_t deviceId, const TWaveFormatEx& format,
                             std::unique_ptr<CaptureStream> stream, WaveInCallback callback,
                             CaptureLimits limits)
    : handle_(handle), deviceId_(deviceId), blockAlign_(format.nBlockAlign), limits_(limits),
      stream_(std::move(stream)), callback_(std::move(callback))
{
}

CaptureDevice::~CaptureDevice()
{
    Shutdown();
}

void CaptureDevice::Launch()
{
    std::shared_ptr<CaptureDevice> self = shared_from_this();
    thread_ = std::thread([self] { self->Run(); });
    threadId_ = thread_.get_id();
    watchdog_ = std::thread([this] { Watch(); });
}

void CaptureDevice::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    const bool ended = Control([this] { shutdown_ = true; });
    watch_.notify_all();
    if (watchdog_.joinable())
        watchdog_.join();
    if (!thread_.joinable())
        return;
    if (ended)
        thread_.join();
    else
        thread_.detach(); // stuck in the sound system; it owns what it still touches
}

bool CaptureDevice::OnOwnThread() const
{
    return std::this_thread::get_id() == threadId_;
}

MMResult CaptureDevice::AddBuffer(TWaveHdr* header)
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

MMResult CaptureDevice::Start()
{
    std::lock_guard lock(mutex_);
    if (failure_ != MMSYSERR_NOERROR)
        return failure_;
    running_ = true;
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

void CaptureDevice::Stop()
{
    Control([this] { stopRequested_ = true; });
}

void CaptureDevice::Reset()
{
    Control([this] { resetRequested_ = true; });
}

bool CaptureDevice::HasQueued()
{
    std::lock_guard lock(mutex_);
    return !queue_.empty();
}

std::uint64_t CaptureDevice::Frames()
{
    std::lock_guard lock(mutex_);
    return frames_;
}

void CaptureDevice::NotifyClosed()
{
    callback_(handle_, MM_WIM_CLOSE, 0);
}

template <typename Request> bool CaptureDevice::Control(Request request)
{
    Lock lock(mutex_);
    request();
    if (!abandoned_) {
        const std::uint64_t ticket = ++requests_;
        wake_.notify_all();
        if (!wake_.wait_for(lock, limits_.control,
                            [&] { return acknowledged_ >= ticket || abandoned_; }))
            Abandon(lock);
        if (!abandoned_)
            return true;
    }
    // Given up: what the device's thread would have done is done here.
    if (resetRequested_ || shutdown_)
        GiveBackAll(lock);
    stopRequested_ = false;
    resetRequested_ = false;
    return false;
}

void CaptureDevice::Run()
{
    Lock lock(mutex_);
    for (;;) {
        if (abandoned_)
            return; // the client's calls do the rest
        if (stopRequested_ || resetRequested_ || shutdown_) {
            CarryOutRequests(lock);
            if (shutdown_)
                return;
            continue;
        }
        if (!running_ || queue_.empty() || failure_ != MMSYSERR_NOERROR) {
            silentSince_.reset(); // waiting for the client is no silence of the device
            wake_.wait(lock);
            continue;
        }
        if (!streamRunning_) {
            const int error = stream_->Start();
            if (error < 0) {
                Fail(lock, SystemErrorResult(error));
                continue;
            }
            streamRunning_ = true;
        }
        FillFront(lock);
    }
}

void CaptureDevice::FillFront(Lock& lock)
{
    TWaveHdr* header = queue_.front();
    std::size_t room = header->dwBufferLength - header->dwBytesRecorded;
    room -= room % blockAlign_;
    if (room > 0) {
        if (scratch_.size() < room)
            scratch_.resize(room);
        readingSince_ = Clock::now();
        lock.unlock();
        const long got = stream_->Read(scratch_.data(), room);
        lock.lock();
        readingSince_.reset();
        if (abandoned_ || queue_.empty() || queue_.front() != header)
            return; // given up meanwhile: the header is no longer ours
        if (got < 0) {
            Fail(lock, SystemErrorResult(static_cast<int>(got)));
            return;
        }
        if (got == 0) {
            const auto now = Clock::now();
            if (!silentSince_)
                silentSince_ = now;
            else if (now - *silentSince_ > limits_.silence)
                Fail(lock, kDeviceNotResponding);
            return;
        }
        silentSince_.reset();
        std::memcpy(header->lpData + header->dwBytesRecorded, scratch_.data(),
                    static_cast<std::size_t>(got));
        header->dwBytesRecorded += static_cast<std::uint32_t>(got);
        frames_ += static_cast<std::uint64_t>(got) / blockAlign_;
        room -= static_cast<std::size_t>(got);
    }
    if (room == 0) {
        queue_.pop_front();
        GiveBack(lock, header);
    }
}

void CaptureDevice::CarryOutRequests(Lock& lock)
{
    running_ = false;
    StopStream();
    if (stopRequested_ && !queue_.empty() && queue_.front()->dwBytesRecorded > 0) {
        TWaveHdr* partial = queue_.front();
        queue_.pop_front();
        GiveBack(lock, partial);
    }
    if (resetRequested_ || shutdown_) {
        GiveBackAll(lock);
        frames_ = 0;
    }
    stopRequested_ = false;
    resetRequested_ = false;
    acknowledged_ = requests_;
    wake_.notify_all();
}

void CaptureDevice::GiveBackAll(Lock& lock)
{
    while (!queue_.empty()) {
        TWaveHdr* header = queue_.front();
        queue_.pop_front();
        GiveBack(lock, header);
    }
}

void CaptureDevice::StopStream()
{
    if (streamRunning_) {
        stream_->Stop();
        streamRunning_ = false;
    }
}

void CaptureDevice::GiveBack(Lock& lock, TWaveHdr* header)
{
    SetHeaderFlags(header, WHDR_DONE, WHDR_INQUEUE);
    lock.unlock();
    callback_(handle_, MM_WIM_DATA, reinterpret_cast<std::uintptr_t>(header));
    lock.lock();
}

void CaptureDevice::Fail(Lock& lock, MMResult result)
{
    failure_ = result;
    running_ = false;
    StopStream();
    lock.unlock();
    callback_(handle_, MM_WIM_ERROR, result);
    lock.lock();
}

void CaptureDevice::Watch()
{
    Lock lock(mutex_);
    while (!shutdown_ && !abandoned_) {
        watch_.wait_for(lock, limits_.check, [this] { return shutdown_ || abandoned_; });
        if (readingSince_ && Clock::now() - *readingSince_ > limits_.read)
            Abandon(lock);
    }
}

void CaptureDevice::Abandon(Lock& lock)
{
    if (abandoned_)
        return;
    abandoned_ = true;
    running_ = false;
    const bool report = failure_ == MMSYSERR_NOERROR;
    if (report)
        failure_ = kDeviceNotResponding;
    // As with a failed device, the queued buffers wait for the client's reset.
    acknowledged_ = requests_;
    wake_.notify_all();
    watch_.notify_all();
    if (report) {
        lock.unlock();
        callback_(handle_, MM_WIM_ERROR, kDeviceNotResponding);
        lock.lock();
    }
}

} // namespace platform
