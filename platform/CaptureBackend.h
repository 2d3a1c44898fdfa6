#pragma once

#include "platform/WaveInDriver.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One open capture of a device: the sound system's side of a recording.
// Errors are negative system error numbers.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    virtual int Start() = 0;
    // Stops and drops whatever was captured but not read yet.
    virtual int Stop() = 0;
    // Reads at most `bytes` (whole frames). Waits a short while at most, so the
    // caller can act on stop and close requests: returns the bytes read, 0 when none
    // came in time, or a negative error when the device failed for good.
    virtual long Read(char* destination, std::size_t bytes) = 0;
};

// What a sound system offers for capture.
class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    // The devices, the sound system's default first.
    virtual std::vector<WaveInCaps> Devices() = 0;
    // 0 when the device can record the format, else a negative error.
    virtual int Query(const WaveInCaps& device, const TWaveFormatEx& format) = 0;
    virtual std::unique_ptr<CaptureStream> Open(const WaveInCaps& device,
                                                const TWaveFormatEx& format, int& error) = 0;
    virtual std::string ErrorText(int error) = 0;
};

} // namespace platform
