#include "platform/VirtualMixer.h"

#include <QMetaObject>

namespace platform {
namespace {

std::int32_t SourceLineId(std::uint32_t destination, std::uint32_t source)
{
    return static_cast<std::int32_t>(((source + 1) << 16) | destination);
}

} // namespace

VirtualMixerService::VirtualMixerService() = default;
VirtualMixerService::~VirtualMixerService() = default;

std::int32_t VirtualMixerService::AddCard(Card card)
{
    StoredCard stored;
    stored.card = std::move(card);
    const auto& destinations = stored.card.destinations;
    for (std::uint32_t d = 0; d < destinations.size(); ++d) {
        std::vector<MixerLine> sources;
        for (std::uint32_t s = 0; s < destinations[d].sources.size(); ++s) {
            const Line& line = destinations[d].sources[s];
            MixerLine record;
            record.destination = d;
            record.source = s;
            record.lineId = SourceLineId(d, s);
            record.flags = line.flags | MIXERLINE_LINEF_SOURCE;
            sources.push_back(record);
        }
        MixerLine record;
        record.destination = d;
        record.lineId = static_cast<std::int32_t>(d);
        record.flags = destinations[d].line.flags & ~MIXERLINE_LINEF_SOURCE;
        record.connections = static_cast<std::uint32_t>(sources.size());
        AddLine(stored, destinations[d].line, record, sources);
        for (std::uint32_t s = 0; s < sources.size(); ++s)
            AddLine(stored, destinations[d].sources[s], sources[s], {});
    }
    cards_.push_back(std::move(stored));
    return static_cast<std::int32_t>(cards_.size() - 1);
}

void VirtualMixerService::AddLine(StoredCard& stored, const Line& line, MixerLine record,
                                  const std::vector<MixerLine>& sources)
{
    record.componentType = line.componentType;
    record.channels = line.channels;
    record.controls = static_cast<std::uint32_t>(line.controls.size());
    record.shortName = line.shortName;
    record.name = line.name;
    record.target = line.target;
    for (const Control& control : line.controls) {
        StoredControl c;
        c.lineId = record.lineId;
        c.info.controlId = static_cast<std::int32_t>(stored.controls.size());
        c.info.type = control.type;
        c.info.flags = control.flags;
        c.info.shortName = control.shortName;
        c.info.name = control.name;
        c.info.minimum = control.minimum;
        c.info.maximum = control.maximum;
        c.info.steps = control.steps;
        if (control.flags & CONTROLF_MULTIPLE) {
            std::vector<std::uint32_t> chosen = control.itemSources;
            for (std::uint32_t s = 0; control.itemSources.empty() && s < sources.size(); ++s)
                chosen.push_back(s);
            const auto& sourceLines = stored.card.destinations.at(record.destination).sources;
            for (const std::uint32_t s : chosen)
                c.items.push_back({sources.at(s).lineId, sourceLines.at(s).name});
            c.info.multipleItems = static_cast<std::uint32_t>(c.items.size());
        }
        c.channels = (control.flags & CONTROLF_UNIFORM) ? 1 : line.channels;
        const std::size_t items = c.items.empty() ? 1 : c.items.size();
        c.values.assign(c.channels * items, control.minimum);
        stored.controls.push_back(std::move(c));
    }
    stored.lines.push_back(std::move(record));
}

VirtualMixerService::StoredCard* VirtualMixerService::CardOf(std::int32_t mixerId)
{
    if (mixerId < 0 || static_cast<std::size_t>(mixerId) >= cards_.size())
        return nullptr;
    return &cards_[static_cast<std::size_t>(mixerId)];
}

const VirtualMixerService::StoredCard* VirtualMixerService::CardOf(std::int32_t mixerId) const
{
    return const_cast<VirtualMixerService*>(this)->CardOf(mixerId);
}

VirtualMixerService::StoredControl* VirtualMixerService::ControlOf(std::int32_t mixerId,
                                                                   std::int32_t controlId)
{
    StoredCard* card = CardOf(mixerId);
    if (card == nullptr || controlId < 0 ||
        static_cast<std::size_t>(controlId) >= card->controls.size())
        return nullptr;
    return &card->controls[static_cast<std::size_t>(controlId)];
}

std::int32_t VirtualMixerService::LineIdOf(std::int32_t mixerId, std::uint32_t destination,
                                           std::int32_t source) const
{
    if (CardOf(mixerId) == nullptr)
        return -1;
    return source < 0 ? static_cast<std::int32_t>(destination)
                      : SourceLineId(destination, static_cast<std::uint32_t>(source));
}

std::int32_t VirtualMixerService::ControlIdOf(std::int32_t mixerId, std::int32_t lineId,
                                              std::uint32_t type) const
{
    const StoredCard* card = CardOf(mixerId);
    if (card == nullptr)
        return -1;
    for (const StoredControl& control : card->controls)
        if (control.lineId == lineId && control.info.type == type)
            return control.info.controlId;
    return -1;
}

std::vector<std::int32_t> VirtualMixerService::Values(std::int32_t mixerId,
                                                      std::int32_t controlId) const
{
    const StoredControl* control =
        const_cast<VirtualMixerService*>(this)->ControlOf(mixerId, controlId);
    return control != nullptr ? control->values : std::vector<std::int32_t>{};
}

void VirtualMixerService::ChangeFromOutside(std::int32_t mixerId, std::int32_t controlId,
                                            std::vector<std::int32_t> values)
{
    StoredControl* control = ControlOf(mixerId, controlId);
    if (control == nullptr || values.size() != control->values.size())
        return;
    control->values = std::move(values);
    Post(mixerId, MM_MIXM_CONTROL_CHANGE, controlId);
}

void VirtualMixerService::SetControlFlags(std::int32_t mixerId, std::int32_t controlId,
                                          std::uint32_t flags)
{
    if (StoredControl* control = ControlOf(mixerId, controlId))
        control->info.flags = flags;
}

void VirtualMixerService::ChangeLineFromOutside(std::int32_t mixerId, std::int32_t lineId)
{
    Post(mixerId, MM_MIXM_LINE_CHANGE, lineId);
}

void VirtualMixerService::Post(std::int32_t mixerId, std::uint32_t msg, std::int32_t id)
{
    for (const auto& [handle, open] : handles_) {
        if (open.mixerId != mixerId)
            continue;
        const HMixer h = handle;
        QMetaObject::invokeMethod(
            &notices_,
            [this, h, msg, id] {
                // The handle may have been closed since.
                const auto found = handles_.find(h);
                if (found != handles_.end()) {
                    const MixerCallback callback = found->second.callback;
                    callback(h, msg, id);
                }
            },
            Qt::QueuedConnection);
    }
}

std::uint32_t VirtualMixerService::GetNumDevs()
{
    return static_cast<std::uint32_t>(cards_.size());
}

MMResult VirtualMixerService::GetDevCaps(std::int32_t mixerId, MixerCaps& caps)
{
    const StoredCard* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    caps.manufacturerId = card->card.manufacturerId;
    caps.productId = card->card.productId;
    caps.driverVersion = card->card.driverVersion;
    caps.name = card->card.name;
    caps.destinations = static_cast<std::uint32_t>(card->card.destinations.size());
    return MMSYSERR_NOERROR;
}

bool VirtualMixerService::GetErrorText(MMResult result, std::string& text)
{
    return MixerErrorText(result, text);
}

MMResult VirtualMixerService::Open(HMixer* handle, std::int32_t mixerId, MixerCallback callback)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    *handle = nextHandle_++;
    handles_[*handle] = OpenMixer{mixerId, std::move(callback)};
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::Close(HMixer handle)
{
    return handles_.erase(handle) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMResult VirtualMixerService::GetID(HMixer handle, std::int32_t& mixerId)
{
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return MMSYSERR_INVALHANDLE;
    mixerId = found->second.mixerId;
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::LineById(std::int32_t mixerId, std::int32_t lineId, MixerLine& line)
{
    const StoredCard* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : card->lines)
        if (stored.lineId == lineId) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

MMResult VirtualMixerService::LineByComponentType(std::int32_t mixerId, std::uint32_t type,
                                                  MixerLine& line)
{
    const StoredCard* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : card->lines)
        if (stored.componentType == type) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

MMResult VirtualMixerService::LineByDestination(std::int32_t mixerId, std::uint32_t destination,
                                                MixerLine& line)
{
    return LineById(mixerId, LineIdOf(mixerId, destination), line) == MMSYSERR_NOERROR
               ? MMSYSERR_NOERROR
               : MMSYSERR_INVALPARAM;
}

MMResult VirtualMixerService::LineBySource(std::int32_t mixerId, std::uint32_t destination,
                                           std::uint32_t source, MixerLine& line)
{
    return LineById(mixerId, SourceLineId(destination, source), line) == MMSYSERR_NOERROR
               ? MMSYSERR_NOERROR
               : MMSYSERR_INVALPARAM;
}

MMResult VirtualMixerService::LineByTarget(std::int32_t mixerId, const MixerTarget& target,
                                           MixerLine& line)
{
    const StoredCard* card = CardOf(mixerId);
    if (card == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : card->lines)
        if (stored.target.type != TARGETTYPE_UNDEFINED && stored.target == target) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

MMResult VirtualMixerService::ControlById(std::int32_t mixerId, std::int32_t controlId,
                                          MixerControl& control)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const StoredControl* stored = ControlOf(mixerId, controlId);
    if (stored == nullptr)
        return MIXERR_INVALCONTROL;
    control = stored->info;
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::ControlByType(std::int32_t mixerId, std::int32_t lineId,
                                            std::uint32_t type, MixerControl& control)
{
    MixerLine line;
    const MMResult result = LineById(mixerId, lineId, line);
    if (result != MMSYSERR_NOERROR)
        return result;
    const std::int32_t id = ControlIdOf(mixerId, lineId, type);
    if (id < 0)
        return MIXERR_INVALCONTROL;
    return ControlById(mixerId, id, control);
}

MMResult VirtualMixerService::ControlLine(std::int32_t mixerId, std::int32_t controlId,
                                          std::int32_t& lineId)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const StoredControl* stored = ControlOf(mixerId, controlId);
    if (stored == nullptr)
        return MIXERR_INVALCONTROL;
    lineId = stored->lineId;
    return MMSYSERR_NOERROR;
}

namespace {

// A block asked for either the control's own channel count or one channel (the
// first channel's values, or all channels at once when written), and for every
// item of a multiple-item control (0 for any other).
bool BlockFits(std::uint32_t stored, std::size_t listItems, std::uint32_t channels,
               std::uint32_t items)
{
    return (channels == stored || channels == 1) && items == listItems;
}

} // namespace

MMResult VirtualMixerService::GetValues(std::int32_t mixerId, std::int32_t controlId,
                                        std::uint32_t channels, std::uint32_t items,
                                        std::vector<std::int32_t>& values)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const StoredControl* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    const std::size_t storedItems = c->values.size() / c->channels;
    if (!BlockFits(c->channels, c->items.size(), channels, items))
        return MMSYSERR_INVALPARAM;
    values.clear();
    for (std::size_t item = 0; item < storedItems; ++item)
        for (std::uint32_t channel = 0; channel < channels; ++channel)
            values.push_back(c->values[item * c->channels + channel]);
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::SetValues(std::int32_t mixerId, std::int32_t controlId,
                                        std::uint32_t channels, std::uint32_t items,
                                        const std::vector<std::int32_t>& values)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    StoredControl* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    const std::size_t storedItems = c->values.size() / c->channels;
    if (!BlockFits(c->channels, c->items.size(), channels, items) ||
        values.size() != channels * storedItems)
        return MMSYSERR_INVALPARAM;
    for (std::size_t item = 0; item < storedItems; ++item)
        for (std::uint32_t channel = 0; channel < c->channels; ++channel)
            c->values[item * c->channels + channel] =
                values[item * channels + (channels == 1 ? 0 : channel)];
    ++writes_;
    Post(mixerId, MM_MIXM_CONTROL_CHANGE, controlId);
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::GetListTexts(std::int32_t mixerId, std::int32_t controlId,
                                           std::uint32_t, std::uint32_t items,
                                           std::vector<MixerListText>& texts)
{
    if (CardOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    const StoredControl* c = ControlOf(mixerId, controlId);
    if (c == nullptr)
        return MIXERR_INVALCONTROL;
    if (c->items.empty() || items != c->items.size())
        return MMSYSERR_INVALPARAM;
    texts = c->items;
    return MMSYSERR_NOERROR;
}

} // namespace platform
