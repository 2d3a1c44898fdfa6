#pragma once

#include "platform/CaptureBackend.h"
#include "platform/CaptureDevice.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// The capture service over a sound system: every open device has one thread that
// fills the queued buffers in order from the device's stream and hands each back
// through the callback as soon as it is full (see CaptureDevice).
class QueuedWaveInDriver final : public WaveInDriver {
public:
    explicit QueuedWaveInDriver(std::unique_ptr<CaptureBackend> backend, CaptureLimits limits = {});
    ~QueuedWaveInDriver() override;

    std::uint32_t GetNumDevs() override;
    MMResult GetDevCaps(std::int32_t deviceId, WaveInCaps& caps) override;
    bool GetErrorText(MMResult result, std::string& text) override;
    MMResult Open(HWaveIn* handle, std::int32_t deviceId, const TWaveFormatEx& format,
                  WaveInCallback callback, std::uint32_t flags) override;
    MMResult Close(HWaveIn handle) override;
    MMResult PrepareHeader(HWaveIn handle, TWaveHdr* header) override;
    MMResult UnprepareHeader(HWaveIn handle, TWaveHdr* header) override;
    MMResult AddBuffer(HWaveIn handle, TWaveHdr* header) override;
    MMResult Start(HWaveIn handle) override;
    MMResult Stop(HWaveIn handle) override;
    MMResult Reset(HWaveIn handle) override;
    MMResult GetPosition(HWaveIn handle, MMTime& time) override;
    MMResult GetID(HWaveIn handle, std::uint32_t& deviceId) override;

    CaptureBackend& Backend() { return *backend_; }
    // Number of devices open right now.
    std::size_t OpenCount();

private:
    std::shared_ptr<CaptureDevice> Find(HWaveIn handle);
    void ListDevices(); // with mutex_ held
    bool DeviceAt(std::int32_t deviceId, WaveInCaps& caps);

    std::unique_ptr<CaptureBackend> backend_;
    const CaptureLimits limits_;
    std::mutex mutex_; // guards the device list and the open devices
    std::vector<WaveInCaps> devices_;
    bool listed_ = false;
    std::map<HWaveIn, std::shared_ptr<CaptureDevice>> open_;
    // The device of the latest open or query, which the sound system's errors are about.
    std::string lastDeviceName_;
    HWaveIn nextHandle_ = 1;
};

} // namespace platform
