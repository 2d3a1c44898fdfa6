#pragma once

#include "platform/DeviceCaps.h"
#include "platform/WaveInDriver.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// The sound card mixer service the mixer components talk to: mixer devices with
// their capabilities, destination lines with their source lines, the controls of
// each line, value blocks of channels x items, and line-change and control-change
// notices, delivered on the user-interface thread.

using HMixer = std::uintptr_t; // 0 is no mixer

inline constexpr MMResult MIXERR_INVALLINE = 1024;
inline constexpr MMResult MIXERR_INVALCONTROL = 1025;
inline constexpr MMResult MIXERR_INVALVALUE = 1026;

// Notices sent to an open mixer's callback; the parameter is a line or control id.
inline constexpr std::uint32_t MM_MIXM_LINE_CHANGE = 0x3D0;
inline constexpr std::uint32_t MM_MIXM_CONTROL_CHANGE = 0x3D1;

// Line flags.
inline constexpr std::uint32_t MIXERLINE_LINEF_ACTIVE = 0x1;
inline constexpr std::uint32_t MIXERLINE_LINEF_DISCONNECTED = 0x8000;
inline constexpr std::uint32_t MIXERLINE_LINEF_SOURCE = 0x80000000;

// Component types of lines: destinations from 0, sources from 0x1000.
enum ComponentTypes : std::uint32_t {
    DST_UNDEFINED = 0,
    DST_DIGITAL = 1,
    DST_LINE = 2,
    DST_MONITOR = 3,
    DST_SPEAKERS = 4,
    DST_HEADPHONES = 5,
    DST_TELEPHONE = 6,
    DST_WAVEIN = 7,
    DST_VOICEIN = 8,
    SRC_UNDEFINED = 0x1000,
    SRC_DIGITAL = 0x1001,
    SRC_LINE = 0x1002,
    SRC_MICROPHONE = 0x1003,
    SRC_SYNTHESIZER = 0x1004,
    SRC_COMPACTDISC = 0x1005,
    SRC_TELEPHONE = 0x1006,
    SRC_PCSPEAKER = 0x1007,
    SRC_WAVEOUT = 0x1008,
    SRC_AUXILIARY = 0x1009,
    SRC_ANALOG = 0x100A
};

// What kind of device a line feeds or is fed by.
enum TargetTypes : std::uint32_t {
    TARGETTYPE_UNDEFINED = 0,
    TARGETTYPE_WAVEOUT = 1,
    TARGETTYPE_WAVEIN = 2,
    TARGETTYPE_MIDIOUT = 3,
    TARGETTYPE_MIDIIN = 4,
    TARGETTYPE_AUX = 5
};

// Control types: class bits (top four), subclass bits, units bits and an index.
inline constexpr std::uint32_t CT_CLASS_MASK = 0xF0000000;
inline constexpr std::uint32_t CT_SUBCLASS_MASK = 0x0F000000;
enum ControlTypes : std::uint32_t {
    CT_CUSTOM = 0x00000000,
    CT_BOOLEANMETER = 0x10010000,
    CT_SIGNEDMETER = 0x10020000,
    CT_PEAKMETER = 0x10020001,
    CT_UNSIGNEDMETER = 0x10030000,
    CT_BOOLEAN = 0x20010000,
    CT_ONOFF = 0x20010001,
    CT_MUTE = 0x20010002,
    CT_MONO = 0x20010003,
    CT_LOUDNESS = 0x20010004,
    CT_STEREOENH = 0x20010005,
    CT_BUTTON = 0x21010000,
    CT_DECIBELS = 0x30040000,
    CT_SIGNED = 0x30020000,
    CT_UNSIGNED = 0x30030000,
    CT_PERCENT = 0x30050000,
    CT_SLIDER = 0x40020000,
    CT_PAN = 0x40020001,
    CT_QSOUNDPAN = 0x40020002,
    CT_FADER = 0x50030000,
    CT_VOLUME = 0x50030001,
    CT_BASS = 0x50030002,
    CT_TREBLE = 0x50030003,
    CT_EQUALIZER = 0x50030004,
    CT_SINGLESELECT = 0x70010000,
    CT_MUX = 0x70010001,
    CT_MULTIPLESELECT = 0x71010000,
    CT_MIXER = 0x71010001,
    CT_MICROTIME = 0x60030000,
    CT_MILLITIME = 0x61030000
};

// Control flags.
inline constexpr std::uint32_t CONTROLF_UNIFORM = 0x1;
inline constexpr std::uint32_t CONTROLF_MULTIPLE = 0x2;
inline constexpr std::uint32_t CONTROLF_DISABLED = 0x80000000;

struct MixerCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string name;
    std::uint32_t destinations = 0;
};

// The device a line feeds or is fed by.
struct MixerTarget {
    std::uint32_t type = TARGETTYPE_UNDEFINED;
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string name;

    bool operator==(const MixerTarget&) const = default;
};

struct MixerLine {
    std::uint32_t destination = 0; // index of the destination it belongs to
    std::uint32_t source = 0;      // index among that destination's sources
    std::int32_t lineId = -1;
    std::uint32_t flags = 0;
    std::uint32_t componentType = 0;
    std::uint32_t channels = 0;
    std::uint32_t connections = 0; // sources of a destination
    std::uint32_t controls = 0;
    std::string shortName; // up to 16 characters
    std::string name;      // up to 64 characters
    MixerTarget target;
};

struct MixerControl {
    std::int32_t controlId = -1;
    std::uint32_t type = CT_CUSTOM;
    std::uint32_t flags = 0;
    std::uint32_t multipleItems = 0;
    std::string shortName;
    std::string name;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::uint32_t steps = 0;
};

// One item of a list control: the line it stands for and its name.
struct MixerListText {
    std::int32_t param = -1;
    std::string name;
};

using MixerCallback = std::function<void(HMixer, std::uint32_t msg, std::int32_t id)>;

class MixerService {
public:
    virtual ~MixerService() = default;

    virtual std::uint32_t GetNumDevs() = 0;
    virtual MMResult GetDevCaps(std::int32_t mixerId, MixerCaps& caps) = 0;
    // False when the code is unknown.
    virtual bool GetErrorText(MMResult result, std::string& text) = 0;
    // Notices reach the callback on the user-interface thread while the handle is open.
    virtual MMResult Open(HMixer* handle, std::int32_t mixerId, MixerCallback callback) = 0;
    virtual MMResult Close(HMixer handle) = 0;
    virtual MMResult GetID(HMixer handle, std::int32_t& mixerId) = 0;

    // Line queries; each fills the whole record of the line found.
    virtual MMResult LineById(std::int32_t mixerId, std::int32_t lineId, MixerLine& line) = 0;
    // The first line of the type on the card, destinations and their sources in order.
    virtual MMResult LineByComponentType(std::int32_t mixerId, std::uint32_t type,
                                         MixerLine& line) = 0;
    virtual MMResult LineByDestination(std::int32_t mixerId, std::uint32_t destination,
                                       MixerLine& line) = 0;
    virtual MMResult LineBySource(std::int32_t mixerId, std::uint32_t destination,
                                  std::uint32_t source, MixerLine& line) = 0;
    virtual MMResult LineByTarget(std::int32_t mixerId, const MixerTarget& target,
                                  MixerLine& line) = 0;

    virtual MMResult ControlById(std::int32_t mixerId, std::int32_t controlId,
                                 MixerControl& control) = 0;
    virtual MMResult ControlByType(std::int32_t mixerId, std::int32_t lineId, std::uint32_t type,
                                   MixerControl& control) = 0;
    // The line a control belongs to.
    virtual MMResult ControlLine(std::int32_t mixerId, std::int32_t controlId,
                                 std::int32_t& lineId) = 0;

    // Value blocks: channels x items 32-bit values, item-major (booleans as 0/1,
    // unsigned values as their bit pattern).
    virtual MMResult GetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                               std::uint32_t items, std::vector<std::int32_t>& values) = 0;
    virtual MMResult SetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                               std::uint32_t items, const std::vector<std::int32_t>& values) = 0;
    virtual MMResult GetListTexts(std::int32_t mixerId, std::int32_t controlId,
                                  std::uint32_t channels, std::uint32_t items,
                                  std::vector<MixerListText>& texts) = 0;
};

// The service every mixer component binds to: the sound system's unless a test
// installed another one.
MixerService& ActiveMixerService();
void SetActiveMixerService(MixerService* service); // nullptr restores the sound system's
// The sound system's own mixers.
MixerService& SoundSystemMixerService();

// The text of a mixer result code; false when the code is not one of the mixer's.
bool MixerErrorText(MMResult result, std::string& text);

// The capabilities of the active service's mixers, for the audio device base.
DeviceCapsSource& MixerCapsSource();

} // namespace platform
