#include "mixer/MixerTypes.h"

#include "platform/MixerService.h"

#include <array>

using namespace platform;

namespace {

constexpr std::array<std::uint32_t, kComponentTypeCount> kComponentCodes = {
    DST_DIGITAL,   DST_HEADPHONES,  DST_LINE,      DST_MONITOR,   DST_SPEAKERS,
    DST_TELEPHONE, DST_UNDEFINED,   DST_VOICEIN,   DST_WAVEIN,    SRC_ANALOG,
    SRC_AUXILIARY, SRC_COMPACTDISC, SRC_DIGITAL,   SRC_LINE,      SRC_MICROPHONE,
    SRC_PCSPEAKER, SRC_SYNTHESIZER, SRC_TELEPHONE, SRC_UNDEFINED, SRC_WAVEOUT};

constexpr std::array<std::uint32_t, 30> kControlCodes = {
    CT_CUSTOM,       CT_BASS,      CT_EQUALIZER,      CT_FADER,         CT_TREBLE,
    CT_VOLUME,       CT_MIXER,     CT_MULTIPLESELECT, CT_MUX,           CT_SINGLESELECT,
    CT_BOOLEANMETER, CT_PEAKMETER, CT_SIGNEDMETER,    CT_UNSIGNEDMETER, CT_DECIBELS,
    CT_PERCENT,      CT_SIGNED,    CT_UNSIGNED,       CT_PAN,           CT_QSOUNDPAN,
    CT_SLIDER,       CT_BOOLEAN,   CT_BUTTON,         CT_LOUDNESS,      CT_MONO,
    CT_MUTE,         CT_ONOFF,     CT_STEREOENH,      CT_MICROTIME,     CT_MILLITIME};

// By class bits 0..7: custom, meter, switch, number, slider, fader, time, list.
constexpr std::array<TMMControlClass, 8> kClasses = {ccCustom, ccMeter, ccSwitch, ccNumber,
                                                     ccSlider, ccFader, ccTime,   ccList};

} // namespace

std::uint32_t ComponentTypeCode(TMMComponentType type)
{
    return kComponentCodes.at(type);
}

TMMComponentType ComponentTypeFromCode(std::uint32_t code)
{
    for (std::size_t i = 0; i < kComponentCodes.size(); ++i)
        if (kComponentCodes[i] == code)
            return static_cast<TMMComponentType>(i);
    throw EMMMixerError("Undefined API component type");
}

std::uint32_t ControlTypeCode(TMMControlType type)
{
    return kControlCodes.at(type);
}

TMMControlType ControlTypeFromCode(std::uint32_t code)
{
    for (std::size_t i = 0; i < kControlCodes.size(); ++i)
        if (kControlCodes[i] == code)
            return static_cast<TMMControlType>(i);
    return ctCustom;
}

TMMControlClass ControlClassOf(std::uint32_t code)
{
    const std::uint32_t bits = (code & CT_CLASS_MASK) >> 28;
    if (bits >= kClasses.size())
        throw EMMMixerError("Undefined API control class");
    return kClasses[bits];
}

TMMLineFlags LineFlagsFromCode(std::uint32_t flags)
{
    TMMLineFlags set = 0;
    if (flags & MIXERLINE_LINEF_ACTIVE)
        set |= FlagBit(cfActive);
    if (flags & MIXERLINE_LINEF_DISCONNECTED)
        set |= FlagBit(cfDisconnected);
    if (flags & MIXERLINE_LINEF_SOURCE)
        set |= FlagBit(cfSource);
    return set;
}

TMMControlFlags ControlFlagsFromCode(std::uint32_t flags)
{
    TMMControlFlags set = 0;
    if (flags & CONTROLF_DISABLED)
        set |= FlagBit(cfDisabled);
    if (flags & CONTROLF_MULTIPLE)
        set |= FlagBit(cfMultiple);
    if (flags & CONTROLF_UNIFORM)
        set |= FlagBit(cfUniform);
    return set;
}

void Watch(TMMObserver& observer, TMMObservable* observable)
{
    if (observable != nullptr)
        observable->AddObserver(&observer);
    else if (observer.Observable() != nullptr)
        observer.Observable()->RemoveObserver(&observer);
}
