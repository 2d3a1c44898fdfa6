#include "platform/AlsaMixer.h"

#include "platform/AlsaElementTypes.h"
#include "platform/WaveInDriver.h"

#include <QSocketNotifier>
#include <algorithm>
#include <alsa/asoundlib.h>
#include <poll.h>
#include <set>

namespace platform {

namespace {

// What a control's values are made of.
enum class Kind { PlaybackVolume, PlaybackMute, CaptureVolume, MuxEnum, MuxSwitches };
struct Binding {
    Kind kind = Kind::PlaybackVolume;
    snd_mixer_elem_t* element = nullptr;
    // Per item of a selector: the enumeration entry (MuxEnum) or the switched element.
    std::vector<unsigned> entries;
    std::vector<snd_mixer_elem_t*> switches;
};

} // namespace

struct AlsaMixerService::Card {
    snd_mixer_t* mixer = nullptr;
    MixerTable table;
    std::vector<Binding> bindings; // by control id
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

constexpr std::uint32_t kPlayback = 0; // destination indexes
constexpr std::uint32_t kCapture = 1;
constexpr long kMaxSteps = 255; // a finer range is turned in the knob's default steps

std::int32_t SourceLineId(std::uint32_t destination, std::uint32_t source)
{
    return TableMixerService::SourceLineId(destination, source);
}

void Add(Card& card, MixerTableControl control, Binding binding)
{
    control.info.controlId = static_cast<std::int32_t>(card.table.controls.size());
    card.table.controls.push_back(std::move(control));
    card.bindings.push_back(std::move(binding));
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
    MixerTableControl control;
    control.lineId = lineId;
    control.channels = channels;
    control.info.type = CT_VOLUME;
    control.info.flags = channels == 1 ? CONTROLF_UNIFORM : 0;
    control.info.shortName = "Volume";
    control.info.name = ElementName(element) + (capture ? " Capture Volume" : " Volume");
    control.info.minimum = static_cast<std::int32_t>(minimum);
    control.info.maximum = static_cast<std::int32_t>(maximum);
    const long range = maximum - minimum;
    control.info.steps = range > 0 && range <= kMaxSteps ? static_cast<std::uint32_t>(range) : 0;
    Add(card, std::move(control),
        {capture ? Kind::CaptureVolume : Kind::PlaybackVolume, element, {}, {}});
}

void AddMute(Card& card, std::int32_t lineId, snd_mixer_elem_t* element)
{
    MixerTableControl control;
    control.lineId = lineId;
    control.info.type = CT_MUTE;
    control.info.flags = CONTROLF_UNIFORM;
    control.info.shortName = "Mute";
    control.info.name = ElementName(element) + " Mute";
    control.info.maximum = 1;
    Add(card, std::move(control), {Kind::PlaybackMute, element, {}, {}});
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
    MixerTableControl mux;
    Binding binding;
    mux.lineId = static_cast<std::int32_t>(kCapture);
    mux.info.type = CT_MUX;
    mux.info.flags = CONTROLF_UNIFORM | CONTROLF_MULTIPLE;
    mux.info.shortName = "Capture Source";
    mux.info.name = "Capture Source";
    mux.info.maximum = 1;
    if (enumeration != nullptr) {
        binding.kind = Kind::MuxEnum;
        binding.element = enumeration;
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
            binding.entries.push_back(unsigned(e));
        }
    } else {
        binding.kind = Kind::MuxSwitches;
        for (std::size_t s = 0; s < captureElements.size(); ++s) {
            if (!snd_mixer_selem_has_capture_switch(captureElements[s]))
                continue;
            mux.items.push_back({sources[s].lineId, sources[s].name});
            binding.switches.push_back(captureElements[s]);
        }
    }
    mux.info.multipleItems = static_cast<std::uint32_t>(mux.items.size());
    if (!mux.items.empty())
        Add(card, std::move(mux), std::move(binding));
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
    std::vector<MixerLine>& lines = card.table.lines;
    lines.push_back(speakers);
    lines.insert(lines.end(), playbackSources.begin(), playbackSources.end());
    lines.push_back(recording);
    lines.insert(lines.end(), captureSources.begin(), captureSources.end());
    const auto& controls = card.table.controls;
    for (MixerLine& line : lines)
        line.controls = static_cast<std::uint32_t>(
            std::count_if(controls.begin(), controls.end(),
                          [&](const MixerTableControl& c) { return c.lineId == line.lineId; }));
}

std::unique_ptr<Card> OpenCard(const std::string& name, const std::string& control)
{
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0)
        return nullptr;
    auto card = std::make_unique<Card>();
    card->mixer = mixer;
    card->table.caps.name = name;
    card->table.caps.driverVersion = (SND_LIB_MAJOR << 8) | SND_LIB_MINOR;
    card->table.caps.destinations = 2;
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
        card->table.caps.productId = static_cast<std::uint16_t>(cards_.size());
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
    for (std::size_t c = 0; c < card.bindings.size(); ++c) {
        const Binding& binding = card.bindings[c];
        const bool touched = changed.contains(binding.element) ||
                             std::any_of(binding.switches.begin(), binding.switches.end(),
                                         [&](snd_mixer_elem_t* e) { return changed.contains(e); });
        if (touched)
            controls.push_back(static_cast<std::int32_t>(c));
    }
    for (const std::int32_t control : controls)
        Deliver(mixerId, MM_MIXM_CONTROL_CHANGE, control);
}

std::size_t AlsaMixerService::TableCount()
{
    Enumerate();
    return cards_.size();
}

const MixerTable& AlsaMixerService::Table(std::size_t mixerId)
{
    return cards_[mixerId]->table;
}

bool AlsaMixerService::GetErrorText(MMResult result, std::string& text)
{
    if (result > kSystemErrorBase) {
        text = snd_strerror(-static_cast<int>(result - kSystemErrorBase));
        return true;
    }
    return MixerErrorText(result, text);
}

MMResult AlsaMixerService::GetValues(std::int32_t mixerId, std::int32_t controlId,
                                     std::uint32_t channels, std::uint32_t items,
                                     std::vector<std::int32_t>& values)
{
    const MMResult result = CheckBlock(mixerId, controlId, channels, items);
    if (result != MMSYSERR_NOERROR)
        return result;
    const Card& card = *cards_[static_cast<std::size_t>(mixerId)];
    const std::uint32_t ownChannels = card.table.controls[std::size_t(controlId)].channels;
    const Binding* c = &card.bindings[static_cast<std::size_t>(controlId)];
    values.clear();
    int error = 0;
    switch (c->kind) {
    case Kind::PlaybackVolume:
    case Kind::CaptureVolume:
        for (std::uint32_t channel = 0; channel < channels && error >= 0; ++channel) {
            long v = 0;
            const auto id = ChannelId(ownChannels, channel);
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
    const MMResult result = CheckBlock(mixerId, controlId, channels, items);
    if (result != MMSYSERR_NOERROR)
        return result;
    if (values.size() != channels * std::max<std::size_t>(1, items))
        return MMSYSERR_INVALPARAM;
    const Card& card = *cards_[static_cast<std::size_t>(mixerId)];
    const std::uint32_t ownChannels = card.table.controls[std::size_t(controlId)].channels;
    const Binding* c = &card.bindings[static_cast<std::size_t>(controlId)];
    int error = 0;
    const bool capture = c->kind == Kind::CaptureVolume;
    switch (c->kind) {
    case Kind::PlaybackVolume:
    case Kind::CaptureVolume:
        if (channels == 1 && ownChannels > 1) {
            error = capture ? snd_mixer_selem_set_capture_volume_all(c->element, values[0])
                            : snd_mixer_selem_set_playback_volume_all(c->element, values[0]);
            break;
        }
        for (std::uint32_t channel = 0; channel < channels && error >= 0; ++channel) {
            const auto id = ChannelId(ownChannels, channel);
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
    // Every handle hears of a write, its writer's included, as with any other change;
    // the sound system does not always echo a client's own writes.
    if (error >= 0)
        Post(mixerId, MM_MIXM_CONTROL_CHANGE, controlId);
    return Result(error);
}

MixerService& SoundSystemMixerService()
{
    // Kept to the end of the process: its watchers must not outlive the event loop's
    // objects in the order statics are destroyed.
    static auto* service = new AlsaMixerService;
    return *service;
}

} // namespace platform
