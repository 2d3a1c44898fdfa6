#pragma once

#include "audio/AudioDevice.h"
#include "platform/Exception.h"

#include <cstdint>
#include <string>

SONAVIA_ERROR_CLASS(EMMMixerError, platform::Exception)

// Kinds of mixer line, in their published order; each stands for the platform's
// component type of the same name.
enum TMMComponentType : std::uint8_t {
    ctDstDigital,
    ctDstHeadPhones,
    ctDstLine,
    ctDstMonitor,
    ctDstSpeakers,
    ctDstTelephone,
    ctDstUndefined,
    ctDstVoiceIn,
    ctDstWaveIn,
    ctSrcAnalog,
    ctSrcAux,
    ctSrcCD,
    ctSrcDigital,
    ctSrcLine,
    ctSrcMicrophone,
    ctSrcPCSpeaker,
    ctSrcSynthesizer,
    ctSrcTelephone,
    ctSrcUndefined,
    ctSrcWaveOut
};
inline constexpr int kComponentTypeCount = 20;

enum TMMControlType : std::uint8_t {
    ctCustom,
    ctBass,
    ctEqualizer,
    ctFader,
    ctTreble,
    ctVolume,
    ctMixer,
    ctMultipleSelect,
    ctMux,
    ctSingleSelect,
    ctBooleanMeter,
    ctPeakMeter,
    ctSignerMeter,
    ctUnsignedMeter,
    ctDecibels,
    ctPercent,
    ctSigned,
    ctUnsigned,
    ctPan,
    ctQSoundPan,
    ctSlider,
    ctBoolean,
    ctButton,
    ctLoudness,
    ctMono,
    ctMute,
    ctOnOff,
    ctStereoEnh,
    ctMicroTime,
    ctMilliTime
};

enum TMMControlClass : std::uint8_t {
    ccCustom,
    ccFader,
    ccList,
    ccMeter,
    ccNumber,
    ccSlider,
    ccSwitch,
    ccTime
};

// Sets of flags, one bit per enumeration value.
enum TMMLineFlag : std::uint8_t { cfActive, cfDisconnected, cfSource };
enum TMMControlFlag : std::uint8_t { cfDisabled, cfMultiple, cfUniform };
using TMMLineFlags = std::uint8_t;
using TMMControlFlags = std::uint8_t;
template <typename Flag> constexpr std::uint8_t FlagBit(Flag flag)
{
    return static_cast<std::uint8_t>(1u << flag);
}
template <typename Flag> constexpr bool HasFlag(std::uint8_t set, Flag flag)
{
    return (set & FlagBit(flag)) != 0;
}

using TMMLineId = std::int32_t;
using TMMControlId = std::int32_t;
inline constexpr TMMLineId badLineId = -1;
inline constexpr TMMControlId badControlId = -1;

// Conversions to and from the platform's codes.
std::uint32_t ComponentTypeCode(TMMComponentType type);
// Raises "Undefined API component type" for a code outside the table.
TMMComponentType ComponentTypeFromCode(std::uint32_t code);
std::uint32_t ControlTypeCode(TMMControlType type);
// A code missing from the table is a custom control.
TMMControlType ControlTypeFromCode(std::uint32_t code);
// From the class bits; raises "Undefined API control class" for unknown bits.
TMMControlClass ControlClassOf(std::uint32_t code);
TMMLineFlags LineFlagsFromCode(std::uint32_t flags);
TMMControlFlags ControlFlagsFromCode(std::uint32_t flags);

struct TMMLineInfo {
    TMMLineFlags Flags = 0;
    std::int32_t Channels = 0;
    std::int32_t Connections = 0;
    std::int32_t Controls = 0;
    std::string ShortName; // up to 16 characters
    std::string Name;      // up to 64 characters
};

struct TMMControlInfo {
    TMMControlFlags Flags = 0;
    std::int32_t MultipleItems = 0;
    std::string ShortName;
    std::string Name;
    std::int32_t MinValue = 0;
    std::int32_t MaxValue = 0;
    std::int32_t Steps = 0;
};

// Notices of the mixer components (TMMDeviceChange is the audio device base's).
class TMMLineChange : public TMMNotification {
public:
    explicit TMMLineChange(TMMLineId line) : LineId(line) {}
    TMMLineId LineId;
};
class TMMControlChange : public TMMNotification {
public:
    TMMControlChange(TMMLineId line, TMMControlId control) : LineId(line), ControlId(control) {}
    TMMLineId LineId;
    TMMControlId ControlId;
};
class TMMLineIdChange : public TMMNotification {};
class TMMControlIdChange : public TMMNotification {};

// Moves the observer to the observable, or detaches it when there is none.
void Watch(TMMObserver& observer, TMMObservable* observable);
