#pragma once

#include "platform/WaveTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The capture service a wave input records through: device list and capabilities,
// open with a format query, header preparation, the buffer queue, start, stop,
// reset, position and close. Finished buffers come back one notice per buffer on
// the device's own thread, in the order they were queued.

using MMResult = std::uint32_t;
using HWaveIn = std::uintptr_t; // 0 is no device

inline constexpr MMResult MMSYSERR_NOERROR = 0;
inline constexpr MMResult MMSYSERR_ERROR = 1;
inline constexpr MMResult MMSYSERR_BADDEVICEID = 2;
inline constexpr MMResult MMSYSERR_ALLOCATED = 4;
inline constexpr MMResult MMSYSERR_INVALHANDLE = 5;
inline constexpr MMResult MMSYSERR_NODRIVER = 6;
inline constexpr MMResult MMSYSERR_NOMEM = 7;
inline constexpr MMResult MMSYSERR_INVALPARAM = 11;
inline constexpr MMResult WAVERR_BADFORMAT = 32;
inline constexpr MMResult WAVERR_STILLPLAYING = 33;
inline constexpr MMResult WAVERR_UNPREPARED = 34;
// The device stopped answering (a hung or silent sound system) and was given up.
inline constexpr MMResult kDeviceNotResponding = 0x200;
// Failures of the sound system itself: this base plus the system's error number.
inline constexpr MMResult kSystemErrorBase = 0x10000;

inline MMResult SystemErrorResult(int error)
{
    return kSystemErrorBase + static_cast<MMResult>(error < 0 ? -error : error);
}

// Notices sent to the client's callback.
inline constexpr std::uint32_t MM_WIM_OPEN = 0x3BE;
inline constexpr std::uint32_t MM_WIM_CLOSE = 0x3BF;
inline constexpr std::uint32_t MM_WIM_DATA = 0x3C0;  // param: the finished TWaveHdr*
inline constexpr std::uint32_t MM_WIM_ERROR = 0x3C1; // param: the MMResult of a failed device

inline constexpr std::uint32_t WAVE_FORMAT_QUERY = 0x1; // Open only tests the format

// Standard-format bits of the capabilities: rate band x channels x bits.
inline constexpr std::uint32_t WAVE_FORMAT_1M08 = 0x001, WAVE_FORMAT_1S08 = 0x002,
                               WAVE_FORMAT_1M16 = 0x004, WAVE_FORMAT_1S16 = 0x008,
                               WAVE_FORMAT_2M08 = 0x010, WAVE_FORMAT_2S08 = 0x020,
                               WAVE_FORMAT_2M16 = 0x040, WAVE_FORMAT_2S16 = 0x080,
                               WAVE_FORMAT_4M08 = 0x100, WAVE_FORMAT_4S08 = 0x200,
                               WAVE_FORMAT_4M16 = 0x400, WAVE_FORMAT_4S16 = 0x800;
inline constexpr std::uint32_t kAllStandardFormats = 0xFFF;
// The rates the three bands are probed at.
inline constexpr std::uint32_t kStandardRates[3] = {11025, 22050, 44100};

inline constexpr std::size_t kMaxProductNameLength = 31;

struct WaveInCaps {
    std::uint16_t wMid = 0;
    std::uint16_t wPid = 0;
    std::uint32_t vDriverVersion = 0; // major in the high byte, minor in the low byte
    std::string szPname;              // at most 31 characters
    std::uint32_t dwFormats = 0;      // standard-format bits
    std::uint16_t wChannels = 0;
    std::string pcmName; // what the sound system opens for this device
};

struct MMTime {
    enum Type { Bytes, Samples } type = Samples;
    std::uint32_t value = 0;
};

// Runs on the device's thread (open and close notices, and the buffers of a device
// that was given up, on the caller's or a watchdog's thread). It must only hand the
// notice on: it may not call back into the driver for the same device, except
// AddBuffer.
using WaveInCallback = std::function<void(HWaveIn, std::uint32_t msg, std::uintptr_t param)>;

class WaveInDriver {
public:
    virtual ~WaveInDriver() = default;

    virtual std::uint32_t GetNumDevs() = 0;
    // deviceId -1 is the mapper: the device that the sound system routes to by default.
    virtual MMResult GetDevCaps(std::int32_t deviceId, WaveInCaps& caps) = 0;
    // False when the code is unknown.
    virtual bool GetErrorText(MMResult result, std::string& text) = 0;
    virtual MMResult Open(HWaveIn* handle, std::int32_t deviceId, const TWaveFormatEx& format,
                          WaveInCallback callback, std::uint32_t flags) = 0;
    virtual MMResult Close(HWaveIn handle) = 0;
    virtual MMResult PrepareHeader(HWaveIn handle, TWaveHdr* header) = 0;
    virtual MMResult UnprepareHeader(HWaveIn handle, TWaveHdr* header) = 0;
    virtual MMResult AddBuffer(HWaveIn handle, TWaveHdr* header) = 0;
    virtual MMResult Start(HWaveIn handle) = 0;
    // Stops recording; a partly filled buffer comes back, empty ones stay queued.
    virtual MMResult Stop(HWaveIn handle) = 0;
    // Stops and hands every queued buffer back; the position returns to 0.
    virtual MMResult Reset(HWaveIn handle) = 0;
    virtual MMResult GetPosition(HWaveIn handle, MMTime& time) = 0;
    virtual MMResult GetID(HWaveIn handle, std::uint32_t& deviceId) = 0;
};

// The driver every wave input binds to: the sound system's, unless a test or a
// benchmark installed another one.
WaveInDriver& ActiveWaveInDriver();
void SetActiveWaveInDriver(WaveInDriver* driver); // nullptr restores the sound system's

} // namespace platform
