#pragma once

#include "audio/AudioDevice.h"
#include "mixer/MixerTypes.h"
#include "platform/MixerService.h"

#include <functional>
#include <vector>

class TMMMixerDevice;
using TMMLineChangeEvent = std::function<void(TMMComponent* sender, TMMLineId line)>;
using TMMControlChangeEvent =
    std::function<void(TMMComponent* sender, TMMLineId line, TMMControlId control)>;

// How the mixer describes a device that a line feeds or is fed by.
platform::MixerTarget TargetDescription(const TMMCustomAudioDevice& device);

// One sound card mixer. It answers the line and control queries of the lines and
// controls attached to it, moves value blocks, and relays the mixer's change
// notices to its observers while it is open.
class TMMMixerDevice : public TMMCustomAudioDevice {
public:
    TMMMixerDevice();
    ~TMMMixerDevice() override;

    // Another audio device whose mixer this one follows; never a mixer.
    TMMCustomAudioDevice* Device() const { return FDevice; }
    void SetDevice(TMMCustomAudioDevice* device);
    // Destination lines of the mixer; 0 when the device is not valid.
    std::int32_t Destinations();
    // The device id names one of the mixers.
    bool IsValid() const;

    // Lookups: false when the mixer has no such line or control.
    bool LineById(TMMLineId id, platform::MixerLine& line);
    bool LineByComponentType(TMMComponentType type, platform::MixerLine& line);
    bool LineBySource(std::uint32_t destination, std::uint32_t source, platform::MixerLine& line);
    bool LineByTarget(const TMMCustomAudioDevice& target, platform::MixerLine& line);
    bool ControlById(TMMControlId id, platform::MixerControl& control);
    bool ControlByType(TMMLineId line, std::uint32_t typeCode, platform::MixerControl& control);

    // Value blocks of channels x items (items 0 for a single-item control).
    std::vector<std::int32_t> GetValues(TMMControlId control, std::uint32_t channels,
                                        std::uint32_t items);
    void SetValues(TMMControlId control, std::uint32_t channels, std::uint32_t items,
                   const std::vector<std::int32_t>& values);
    std::vector<platform::MixerListText> GetListTexts(TMMControlId control, std::uint32_t channels,
                                                      std::uint32_t items);

    TMMLineChangeEvent OnLineChange;
    TMMControlChangeEvent OnControlChange;

protected:
    void DoActivate() override;
    void DoDeactivate() override;

private:
    // The id to query with; an open mixer that was renumbered is re-identified first.
    TMMDeviceId CurrentId();
    bool Found(platform::MMResult result);
    void CheckResult(platform::MMResult result);
    void MixerMessage(platform::HMixer handle, std::uint32_t msg, std::int32_t id);
    void FollowDevice();

    TMMCustomAudioDevice* FDevice = nullptr;
    TMMObserver FDeviceObserver;
    platform::HMixer FHandle = 0;
};
