#include "platform/AlsaMixer.h"

#include "platform/AlsaElementTypes.h"
#include "platform/WaveInDriver.h"

#include <QSocketNotifier>
#include <algorithm>
#include <alsa/asoundlib.h>
#include <poll.h>

namespace platform {

struct AlsaMixerService::Card {
    std::string name;
    snd_mixer_t* mixer = nullptr;
    std::vector<MixerLine> lines; // each destination followed by its sources
    std::vector<Control> controls;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    std::set<snd_mixer_elem_t*> changed; // by the events being handled

    ~Card()
    {
        notifiers.clear();
        if (mixer != nullptr)
            snd_mixer_close(mixer);
    }
};

namespace {

using Card = AlsaMixerService::Card;
using Control = AlsaMixerService::Control;
using Kind = AlsaMixerService::Kind;

constexpr std::uint32_t kPlayback = 0; // destination indexes
constexpr std::uint32_t kCapture = 1;
constexpr long kMaxSteps = 255; // a finer range is turned in the knob's default steps

std::int32_t SourceLineId(std::uint32_t destination, std::uint32_t source)
{
    return static_cast<std::int32_t>(((source + 1) << 16) | destination);
}

std::string ElementName(snd_mixer_elem_t* element)
{
    return snd_mixer_selem_get_name(element);
}

snd_mixer_selem_channel_id_t ChannelId(std::uint32_t channels, std::uint32_t channel)
{
    if (channels == 1)
        return SND_MIXER_SCHN_MONO;
    return channel == 0 ? SND_MIXER_SCHN_FRONT_LEFT : SND_MIXER_SCHN_FRONT_RIGHT;
}

MixerLine NewLine(std::uint32_t destination, std::int32_t source, std::uint32_t type,
                  const std::string& name, std::uint32_t channels)
{
    MixerLine line;
    line.destination = destination;
    line.source = source < 0 ? 0 : static_cast<std::uint32_t>(source);
    line.lineId = source < 0 ? static_cast<std::int32_t>(destination)
                             : SourceLineId(destination, static_cast<std::uint32_t>(source));
    line.flags = MIXERLINE_LINEF_ACTIVE | (source < 0 ? 0 : MIXERLINE_LINEF_SOURCE);
    line.componentType = type;
    line.channels = channels;
    line.shortName = name.substr(0, 16);
    line.name = name.substr(0, 64);
    return line;
}

void AddVolume(Card& card, std::int32_t lineId, snd_mixer_elem_t* element, bool capture,
               std::uint32_t channels)
{
    long minimum = 0, maximum = 0;
    if (capture)
        snd_mixer_selem_get_capture_volume_range(element, &minimum, &maximum);
    else
        snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum);
    Control control;
    control.lineId = lineId;
    control.kind = capture ? Kind::CaptureVolume : Kind::PlaybackVolume;
    control.element = element;
    control.channels = channels;
    control.info.type = CT_VOLUME;
    control.info.flags = channels == 1 ? CONTROLF_UNIFORM : 0;
    control.info.shortName = "Volume";
    control.info.name = ElementName(element) + (capture ? " Capture Volume" : " Volume");
    control.info.minimum = static_cast<std::int32_t>(minimum);
    control.info.maximum = static_cast<std::int32_t>(maximum);
    const long range = maximum - minimum;
    control.info.steps = range > 0 && range <= kMaxSteps ? static_cast<std::uint32_t>(range) : 0;
    card.controls.push_back(control);
}

void AddMute(Card& card, std::int32_t lineId, snd_mixer_elem_t* element)
{
    Control control;
    control.lineId = lineId;
    control.kind = Kind::PlaybackMute;
    control.element = element;
    control.info.type = CT_MUTE;
    control.info.flags = CONTROLF_UNIFORM;
    control.info.shortName = "Mute";
    control.info.name = ElementName(element) + " Mute";
    control.info.maximum = 1;
    card.controls.push_back(control);
}

void AddPlaybackControls(Card& card, std::int32_t lineId, snd_mixer_elem_t* element,
                         std::uint32_t channels)
{
    if (snd_mixer_selem_has_playback_volume(element))
        AddVolume(card, lineId, element, false, channels);
    if (snd_mixer_selem_has_playback_switch(element))
        AddMute(card, lineId, element);
}

std::uint32_t PlaybackChannels(snd_mixer_elem_t* element)
{
    return snd_mixer_selem_is_playback_mono(element) ? 1 : 2;
}

std::uint32_t CaptureChannels(snd_mixer_elem_t* element)
{
    return snd_mixer_selem_is_capture_mono(element) ? 1 : 2;
}

// The recording source selector: the capture-source enumeration when the card has
// one (a line for each entry), else the capture switches of the capture elements.
void AddMux(Card& card, snd_mixer_elem_t* enumeration, std::vector<MixerLine>& sources,
            const std::vector<snd_mixer_elem_t*>& captureElements)
{
    Control mux;
    mux.lineId = static_cast<std::int32_t>(kCapture);
    mux.info.type = CT_MUX;
    mux.info.flags = CONTROLF_UNIFORM | CONTROLF_MULTIPLE;
    mux.info.shortName = "Capture Source";
    mux.info.name = "Capture Source";
    mux.info.maximum = 1;
    if (enumeration != nullptr) {
        mux.kind = Kind::MuxEnum;
        mux.element = enumeration;
        const int entries = snd_mixer_selem_get_enum_items(enumeration);
        for (int e = 0; e < entries; ++e) {
            char text[64] = {};
            if (snd_mixer_selem_get_enum_item_name(enumeration, unsigned(e), sizeof text, text) < 0)
                continue;
            auto found = std::find_if(sources.begin(), sources.end(),
                                      [&](const MixerLine& l) { return l.name == text; });
            if (found == sources.end()) {
                sources.push_back(NewLine(kCapture, std::int32_t(sources.size()),
                                          SourceTypeForElement(text), text, 2));
                found = sources.end() - 1;
            }
            mux.items.push_back({found->lineId, found->name});
            mux.entries.push_back(unsigned(e));
        }
    } else {
        mux.kind = Kind::MuxSwitches;
        for (std::size_t s = 0; s < captureElements.size(); ++s) {
            if (!snd_mixer_selem_has_capture_switch(captureElements[s]))
                continue;
            mux.items.push_back({sources[s].lineId, sources[s].name});
            mux.switches.push_back(captureElements[s]);
        }
    }
    mux.info.multipleItems = static_cast<std::uint32_t>(mux.items.size());
    if (!mux.items.empty())
        card.controls.push_back(mux);
}

void Build(Card& card)
{
    snd_mixer_elem_t* master = nullptr;
    snd_mixer_elem_t* enumeration = nullptr;
    std::vector<snd_mixer_elem_t*> playback, capture;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(card.mixer); e != nullptr;
         e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        if (snd_mixer_selem_is_enum_capture(e)) {
            if (enumeration == nullptr)
                enumeration = e;
            continue;
        }
        if (snd_mixer_selem_has_playback_volume(e) || snd_mixer_selem_has_playback_switch(e))
            (ElementName(e) == "Master" && master == nullptr ? master : playback.emplace_back()) =
                e;
        if (snd_mixer_selem_has_capture_volume(e) || snd_mixer_selem_has_capture_switch(e))
            capture.push_back(e);
    }

    std::vector<MixerLine> playbackSources, captureSources;
    for (std::size_t s = 0; s < playback.size(); ++s) {
        playbackSources.push_back(NewLine(kPlayback, std::int32_t(s),
                                          SourceTypeForElement(ElementName(playback[s])),
                                          ElementName(playback[s]), PlaybackChannels(playback[s])));
        AddPlaybackControls(card, playbackSources.back().lineId, playback[s],
                            PlaybackChannels(playback[s]));
    }
    for (std::size_t s = 0; s < capture.size(); ++s) {
        captureSources.push_back(NewLine(kCapture, std::int32_t(s),
                                         SourceTypeForElement(ElementName(capture[s])),
                                         ElementName(capture[s]), CaptureChannels(capture[s])));
        if (snd_mixer_selem_has_capture_volume(capture[s]))
            AddVolume(card, captureSources.back().lineId, capture[s], true,
                      CaptureChannels(capture[s]));
    }
    const std::uint32_t masterChannels = master != nullptr ? PlaybackChannels(master) : 2;
    if (master != nullptr)
        AddPlaybackControls(card, std::int32_t(kPlayback), master, masterChannels);
    AddMux(card, enumeration, captureSources, capture);

    MixerLine speakers = NewLine(kPlayback, -1, DST_SPEAKERS, "Master", masterChannels);
    speakers.connections = static_cast<std::uint32_t>(playbackSources.size());
    MixerLine recording = NewLine(kCapture, -1, DST_WAVEIN, "Capture", 2);
    recording.connections = static_cast<std::uint32_t>(captureSources.size());
    card.lines.push_back(speakers);
    card.lines.insert(card.lines.end(), playbackSources.begin(), playbackSources.end());
    card.lines.push_back(recording);
    card.lines.insert(card.lines.end(), captureSources.begin(), captureSources.end());
    for (std::size_t c = 0; c < card.controls.size(); ++c)
        card.controls[c].info.controlId = static_cast<std::int32_t>(c);
    for (MixerLine& line : card.lines)
        line.controls = static_cast<std::uint32_t>(
            std::count_if(card.controls.begin(), card.controls.end(),
                          [&](const Control& c) { return c.lineId == line.lineId; }));
}

std::unique_ptr<Card> OpenCard(const std::string& name, const std::string& control)
{
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0)
        return nullptr;
    auto card = std::make_unique<Card>();
    card->mixer = mixer;
    card->name = name;
    if (snd_mixer_attach(mixer, control.c_str()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0)
        return nullptr;
    Build(*card);
    return card;
}

int ElementChanged(snd_mixer_elem_t* element, unsigned int mask)
{
    auto* card = static_cast<Card*>(snd_mixer_elem_get_callback_private(element));
    if (card != nullptr && mask != SND_CTL_EVENT_MASK_REMOVE)
        card->changed.insert(element);
    return 0;
}

MMResult Result(int error)
{
    return error < 0 ? SystemErrorResult(error) : MMSYSERR_NOERROR;
}

} // namespace

AlsaMixerService::AlsaMixerService() = default;
AlsaMixerService::~AlsaMixerService() = default;

void AlsaMixerService::Enumerate()
{
    if (enumerated_)
        return;
    enumerated_ = true;
    // One mixer per device of the wave input's list, under the same name, so that
    // a card chosen for capture finds its mixer by name.
    WaveInDriver& driver = ActiveWaveInDriver();
    WaveInCaps caps;
    for (std::int32_t device = 0; driver.GetDevCaps(device, caps) == MMSYSERR_NOERROR; ++device) {
        std::unique_ptr<Card> card = OpenCard(caps.szPname, ControlNameForCapture(caps.pcmName));
        if (card == nullptr)
            continue;
        Watch(*card);
        cards_.push_back(std::move(card));
    }
}

void AlsaMixerService::Watch(Card& card)
{
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(card.mixer); e != nullptr;
         e = snd_mixer_elem_next(e)) {
        snd_mixer_elem_set_callback_private(e, &card);
        snd_mixer_elem_set_callback(e, &ElementChanged);
    }
    const int count = snd_mixer_poll_descriptors_count(card.mixer);
    std::vector<pollfd> descriptors(static_cast<std::size_t>(std::max(0, count)));
    const int filled = snd_mixer_poll_descriptors(card.mixer, descriptors.data(),
                                                  static_cast<unsigned>(descriptors.size()));
    for (int i = 0; i < filled; ++i) {
        auto notifier = std::make_unique<QSocketNotifier>(descriptors[std::size_t(i)].fd,
                                                          QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated,
                         [this, &card] { HandleEvents(card); });
        card.notifiers.push_back(std::move(notifier));
    }
}

void AlsaMixerService::HandleEvents(Card& card)
{
    snd_mixer_handle_events(card.mixer);
    const std::set<snd_mixer_elem_t*> changed = std::move(card.changed);
    card.changed.clear();
    if (changed.empty())
        return;
    const std::int32_t mixerId =
        static_cast<std::int32_t>(std::find_if(cards_.begin(), cards_.end(),
                                               [&](const auto& c) { return c.get() == &card; }) -
                                  cards_.begin());
    std::vector<std::int32_t> controls;
    for (const Control& control : card.controls) {
        const bool touched = changed.contains(control.element) ||
                             std::any_of(control.switches.begin(), control.switches.end(),
                                         [&](snd_mixer_elem_t* e) { return changed.contains(e); });
        if (touched)
            controls.push_back(control.info.controlId);
    }
    // A callback may close handles: walk a copy.
    const auto handles = handles_;
    for (const auto& [handle, open] : handles)
        if (open.first == mixerId)
            for (const std::int32_t control : controls)
                if (handles_.contains(handle))
                    open.second(handle, MM_MIXM_CONTROL_CHANGE, control);
}

AlsaMixerService::Card* AlsaMixerService::CardOf(std::int32_t mixerId)
{
    Enumerate();
    if (mixerId < 0 || static_cast<std::size_t>(mixerId) >= cards_.size())
        return nullptr;
    return cards_[static_cast<std::size_t>(mixerId)].get();
}

AlsaMixerService::Control* AlsaMixerService::ControlOf(std::int32_t mixerId, std::int32_t controlId)
{
    Card* card = CardOf(mixerId);
    if (card == nullptr || controlId < 0 ||
        static_cast<std::size_t>(controlId) >= card->controls.size())
        return nullptr;
    return &card->controls[static_cast<std::size_t>(controlId)];
}

std::uint32_t AlsaMixerService::GetNumDevs()
{
    Enumerate();
    return static_cast<std::uint32_t>(cards_.size());
}

MMResult AlsaMixerService::GetDevCaps(std::int32_t mixerId, MixerCaps& caps)
{
    const Card* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    caps.manufacturerId = 0;
    caps.productId = static_cast<std::uint16_t>(mixerId);
    caps.driverVersion = (SND_LIB_MAJOR << 8) | SND_LIB_MINOR;
    caps.name = card->name;
    caps.destinations = 2;
    return MMSYSERR_NOERROR;
}

bool AlsaMixerService::GetErrorText(MMResult result, std::string& text)
{
    if (result > kSystemErrorBase) {
        text = snd_strerror(-static_cast<int>(result - kSystemErrorBase));
        return true;
    }
    return MixerErrorText(result, text);
}

MMResult AlsaMixerService::Open(HMixer* handle, std::int32_t mixerId, MixerCallback callback)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    *handle = nextHandle_++;
    handles_[*handle] = {mixerId, std::move(callback)};
    return MMSYSERR_NOERROR;
}

MMResult AlsaMixerService::Close(HMixer handle)
{
    return handles_.erase(handle) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMResult AlsaMixerService::GetID(HMixer handle, std::int32_t& mixerId)
{
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return MMSYSERR_INVALHANDLE;
    mixerId = found->second.first;
    return MMSYSERR_NOERROR;
}

MMResult AlsaMixerService::LineById(std::int32_t mixerId, std::int32_t lineId, MixerLine& line)
{
    const Card* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : card->lines)
        if (stored.lineId == lineId) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

MMResult AlsaMixerService::LineByComponentType(std::int32_t mixerId, std::uint32_t type,
                                               MixerLine& line)
{
    const Card* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : card->lines)
        if (stored.componentType == type) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

MMResult AlsaMixerService::LineByDestination(std::int32_t mixerId, std::uint32_t destination,
                                             MixerLine& line)
{
    const MMResult result = LineById(mixerId, static_cast<std::int32_t>(destination), line);
    return result == MIXERR_INVALLINE ? MMSYSERR_INVALPARAM : result;
}

MMResult AlsaMixerService::LineBySource(std::int32_t mixerId, std::uint32_t destination,
                                        std::uint32_t source, MixerLine& line)
{
    const MMResult result = LineById(mixerId, SourceLineId(destination, source), line);
    return result == MIXERR_INVALLINE ? MMSYSERR_INVALPARAM : result;
}

MMResult AlsaMixerService::LineByTarget(std::int32_t mixerId, const MixerTarget&, MixerLine&)
{
    // The sound system does not tell which device a mixer element feeds.
    return CardOf(mixerId) == nullptr ? MMSYSERR_BADDEVICEID : MIXERR_INVALLINE;
}

MMResult AlsaMixerService::ControlById(std::int32_t mixerId, std::int32_t controlId,
                                       MixerControl& control)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const Control* stored = ControlOf(mixerId, controlId);
    if (stored == nullptr)
        return MIXERR_INVALCONTROL;
    control = stored->info;
    return MMSYSERR_NOERROR;
}

MMResult AlsaMixerService::ControlByType(std::int32_t mixerId, std::int32_t lineId,
                                         std::uint32_t type, MixerControl& control)
{
    MixerLine line;
    const MMResult result = LineById(mixerId, lineId, line);
    if (result != MMSYSERR_NOERROR)
        return result;
    for (const Control& stored : CardOf(mixerId)->controls)
        if (stored.lineId == lineId && stored.info.type == type) {
            control = stored.info;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALCONTROL;
}

MMResult AlsaMixerService::ControlLine(std::int32_t mixerId, std::int32_t controlId,
                                       std::int32_t& lineId)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const Control* stored = ControlOf(mixerId, controlId);
    if (stored == nullptr)
        return MIXERR_INVALCONTROL;
    lineId = stored->lineId;
    return MMSYSERR_NOERROR;
}

namespace {

bool Fits(const Control& control, std::uint32_t channels, std::uint32_t items)
{
    return (channels == 1 || channels == control.channels) && items == control.items.size();
}

} // namespace

MMResult AlsaMixerService::GetValues(std::int32_t mixerId, std::int32_t controlId,
                                     std::uint32_t channels, std::uint32_t items,
                                     std::vector<std::int32_t>& values)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const Control* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    if (!Fits(*c, channels, items))
        return MMSYSERR_INVALPARAM;
    values.clear();
    int error = 0;
    switch (c->kind) {
    case Kind::PlaybackVolume:
    case Kind::CaptureVolume:
        for (std::uint32_t channel = 0; channel < channels && error >= 0; ++channel) {
            long v = 0;
            const auto id = ChannelId(c->channels, channel);
            error = c->kind == Kind::CaptureVolume
                        ? snd_mixer_selem_get_capture_volume(c->element, id, &v)
                        : snd_mixer_selem_get_playback_volume(c->element, id, &v);
            values.push_back(static_cast<std::int32_t>(v));
        }
        break;
    case Kind::PlaybackMute: {
        int on = 1;
        error = snd_mixer_selem_get_playback_switch(c->element, SND_MIXER_SCHN_MONO, &on);
        values.push_back(on ? 0 : 1);
        break;
    }
    case Kind::MuxEnum: {
        unsigned entry = 0;
        error = snd_mixer_selem_get_enum_item(c->element, SND_MIXER_SCHN_MONO, &entry);
        for (const unsigned e : c->entries)
            values.push_back(e == entry ? 1 : 0);
        break;
    }
    case Kind::MuxSwitches:
        for (snd_mixer_elem_t* element : c->switches) {
            int on = 0;
            error = std::min(error,
                             snd_mixer_selem_get_capture_switch(element, SND_MIXER_SCHN_MONO, &on));
            values.push_back(on ? 1 : 0);
        }
        break;
    }
    return Result(error);
}

MMResult AlsaMixerService::SetValues(std::int32_t mixerId, std::int32_t controlId,
                                     std::uint32_t channels, std::uint32_t items,
                                     const std::vector<std::int32_t>& values)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const Control* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    const std::size_t expected = channels * std::max<std::size_t>(1, items);
    if (!Fits(*c, channels, items) || values.size() != expected)
        return MMSYSERR_INVALPARAM;
    int error = 0;
    const bool capture = c->kind == Kind::CaptureVolume;
    switch (c->kind) {
    case Kind::PlaybackVolume:
    case Kind::CaptureVolume:
        if (channels == 1 && c->channels > 1) {
            error = capture ? snd_mixer_selem_set_capture_volume_all(c->element, values[0])
                            : snd_mixer_selem_set_playback_volume_all(c->element, values[0]);
            break;
        }
        for (std::uint32_t channel = 0; channel < channels && error >= 0; ++channel) {
            const auto id = ChannelId(c->channels, channel);
            error = capture ? snd_mixer_selem_set_capture_volume(c->element, id, values[channel])
                            : snd_mixer_selem_set_playback_volume(c->element, id, values[channel]);
        }
        break;
    case Kind::PlaybackMute:
        error = snd_mixer_selem_set_playback_switch_all(c->element, values[0] ? 0 : 1);
        break;
    case Kind::MuxEnum:
        for (std::size_t i = 0; i < c->entries.size(); ++i)
            if (values[i] != 0) {
                for (const auto id : {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT})
                    error = std::min(error,
                                     snd_mixer_selem_set_enum_item(c->element, id, c->entries[i]));
                break;
            }
        break;
    case Kind::MuxSwitches:
        for (std::size_t i = 0; i < c->switches.size() && error >= 0; ++i)
            error = snd_mixer_selem_set_capture_switch_all(c->switches[i], values[i] ? 1 : 0);
        break;
    }
    return Result(error);
}

MMResult AlsaMixerService::GetListTexts(std::int32_t mixerId, std::int32_t controlId, std::uint32_t,
                                        std::uint32_t items, std::vector<MixerListText>& texts)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const Control* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    if (c->items.empty() || items != c->items.size())
        return MMSYSERR_INVALPARAM;
    texts = c->items;
    return MMSYSERR_NOERROR;
}

MixerService& SoundSystemMixerService()
{
    // Kept to the end of the process: its watchers must not outlive the event loop's
    // objects in the order statics are destroyed.
    static auto* service = new AlsaMixerService;
    return *service;
}

} // namespace platform
