#pragma once

#include "platform/CaptureBackend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform {

// How long the capture service waits for a device before it gives up on it.
struct CaptureLimits {
    // A single read from the sound system; the back ends promise far less.
    std::chrono::milliseconds read{2000};
    // Reads that keep coming back empty while recording.
    std::chrono::milliseconds silence{3000};
    // A stop, reset or close request to the device's thread.
    std::chrono::milliseconds control{2000};
    // How often the watchdog looks.
    std::chrono::milliseconds check{250};
};

// One open device: a thread fills the queued buffers in order from the device's
// stream and hands each back through the callback as soon as it is full.
//
// A sound system can hang inside a read (the PulseAudio client library does when
// its server dies). A watchdog then gives up on the device: it reports the device
// as not responding, the client's own calls take over what the thread did (handing
// the buffers back on reset), and the stuck thread is left behind with memory of
// its own, so that no client call ever waits for it again.
class CaptureDevice : public std::enable_shared_from_this<CaptureDevice> {
public:
    CaptureDevice(HWaveIn handle, std::int32_t deviceId, const TWaveFormatEx& format,
                  std::unique_ptr<CaptureStream> stream, WaveInCallback callback,
                  CaptureLimits limits);
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // Starts the device's thread, which shares the ownership of this object.
    void Launch();
    // Ends the threads; after it no callback comes any more. Safe to call twice.
    void Shutdown();

    bool OnOwnThread() const;
    std::int32_t DeviceId() const { return deviceId_; }
    MMResult AddBuffer(TWaveHdr* header);
    MMResult Start();
    void Stop();
    void Reset();
    bool HasQueued();
    std::uint64_t Frames();
    void NotifyClosed();

private:
    using Lock = std::unique_lock<std::mutex>;

    // Hands a request to the device's thread and waits until it has been carried
    // out, so that on return every buffer it gives back has been reported. False
    // when the device had to be given up.
    template <typename Request> bool Control(Request request);
    void Run();
    void Watch();
    void FillFront(Lock& lock);
    void CarryOutRequests(Lock& lock);
    void GiveBack(Lock& lock, TWaveHdr* header);
    void GiveBackAll(Lock& lock); // every queued header, in queue order
    // The device is lost: recording ends and the client hears of it once; the
    // queued buffers wait for the client's reset.
    void Fail(Lock& lock, MMResult result);
    void Abandon(Lock& lock);
    void StopStream();

    const HWaveIn handle_;
    const std::int32_t deviceId_;
    const std::uint32_t blockAlign_;
    const CaptureLimits limits_;
    std::unique_ptr<CaptureStream> stream_; // used by the device's thread only
    std::vector<char> scratch_;             // what a read brings, before it is copied
    WaveInCallback callback_;

    std::mutex mutex_;
    std::condition_variable wake_;  // requests, buffers and acknowledgements
    std::condition_variable watch_; // only ends the watchdog's wait
    std::deque<TWaveHdr*> queue_;
    bool running_ = false;
    bool streamRunning_ = false;
    bool stopRequested_ = false;
    bool resetRequested_ = false;
    bool shutdown_ = false;
    bool abandoned_ = false;
    MMResult failure_ = MMSYSERR_NOERROR;
    std::uint64_t requests_ = 0;
    std::uint64_t acknowledged_ = 0;
    std::uint64_t frames_ = 0;
    std::optional<std::chrono::steady_clock::time_point> readingSince_;
    std::optional<std::chrono::steady_clock::time_point> silentSince_;

    bool shutDown_ = false; // Shutdown has run (owner's side only)
    std::thread::id threadId_;
    std::thread thread_;
    std::thread watchdog_;
};

} // namespace platform
