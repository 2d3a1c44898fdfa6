#pragma once

#include "platform/WaveInDriver.h"

#include <cstdint>
#include <string>

namespace platform {

// The kinds of multimedia device, by their stored ordinal.
enum class DeviceKind : std::uint8_t {
    MidiIn = 0,
    MidiOut = 1,
    WaveIn = 2,
    WaveOut = 3,
    Aux = 4,
    Mixer = 5
};

struct DeviceCapsRecord {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0; // major in the high byte, minor in the low byte
    std::string productName;
};

// Where the capabilities of one kind of device come from.
class DeviceCapsSource {
public:
    virtual ~DeviceCapsSource() = default;
    virtual std::uint32_t NumDevs() = 0;
    // deviceId -1 is the kind's mapper.
    virtual MMResult GetCaps(std::int32_t deviceId, DeviceCapsRecord& caps) = 0;
    virtual bool ErrorText(MMResult result, std::string& text) = 0;
    // The mixer that serves a device; -1 when none does.
    virtual MMResult MixerId(std::int32_t deviceId, std::int32_t& mixerId) = 0;
};

// The source for a kind: one installed for it, else the built-in one (wave input
// over the active capture driver, mixers over the active mixer service); nullptr when the platform
// has no such devices.
DeviceCapsSource* DeviceCapsSourceFor(DeviceKind kind);
void SetDeviceCapsSource(DeviceKind kind, DeviceCapsSource* source); // nullptr: built-in

} // namespace platform
