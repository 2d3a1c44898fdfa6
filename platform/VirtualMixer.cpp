#include "platform/VirtualMixer.h"

namespace platform {

VirtualMixerService::VirtualMixerService() = default;
VirtualMixerService::~VirtualMixerService() = default;

std::int32_t VirtualMixerService::AddCard(Card card)
{
    StoredCard stored;
    stored.table.caps = {card.manufacturerId, card.productId, card.driverVersion, card.name,
                         static_cast<std::uint32_t>(card.destinations.size())};
    const auto& destinations = card.destinations;
    for (std::uint32_t d = 0; d < destinations.size(); ++d) {
        std::vector<MixerLine> sources;
        for (std::uint32_t s = 0; s < destinations[d].sources.size(); ++s) {
            MixerLine record;
            record.destination = d;
            record.source = s;
            record.lineId = SourceLineId(d, s);
            record.flags = destinations[d].sources[s].flags | MIXERLINE_LINEF_SOURCE;
            sources.push_back(record);
        }
        MixerLine record;
        record.destination = d;
        record.lineId = static_cast<std::int32_t>(d);
        record.flags = destinations[d].line.flags & ~MIXERLINE_LINEF_SOURCE;
        record.connections = static_cast<std::uint32_t>(sources.size());
        AddLine(stored, destinations[d].line, record, sources, destinations[d].sources);
        for (std::uint32_t s = 0; s < sources.size(); ++s)
            AddLine(stored, destinations[d].sources[s], sources[s], {}, {});
    }
    cards_.push_back(std::move(stored));
    return static_cast<std::int32_t>(cards_.size() - 1);
}

void VirtualMixerService::AddLine(StoredCard& stored, const Line& line, MixerLine record,
                                  const std::vector<MixerLine>& sources,
                                  const std::vector<Line>& sourceLines)
{
    record.componentType = line.componentType;
    record.channels = line.channels;
    record.controls = static_cast<std::uint32_t>(line.controls.size());
    record.shortName = line.shortName;
    record.name = line.name;
    record.target = line.target;
    for (const Control& control : line.controls) {
        MixerTableControl c;
        c.lineId = record.lineId;
        c.info = {static_cast<std::int32_t>(stored.table.controls.size()),
                  control.type,
                  control.flags,
                  0,
                  control.shortName,
                  control.name,
                  control.minimum,
                  control.maximum,
                  control.steps};
        if (control.flags & CONTROLF_MULTIPLE) {
            std::vector<std::uint32_t> chosen = control.itemSources;
            for (std::uint32_t s = 0; control.itemSources.empty() && s < sources.size(); ++s)
                chosen.push_back(s);
            for (const std::uint32_t s : chosen)
                c.items.push_back({sources.at(s).lineId, sourceLines.at(s).name});
            c.info.multipleItems = static_cast<std::uint32_t>(c.items.size());
        }
        c.channels = (control.flags & CONTROLF_UNIFORM) ? 1 : line.channels;
        const std::size_t items = c.items.empty() ? 1 : c.items.size();
        stored.values.emplace_back(c.channels * items, control.minimum);
        stored.table.controls.push_back(std::move(c));
    }
    stored.table.lines.push_back(std::move(record));
}

std::vector<std::int32_t>* VirtualMixerService::ValuesOf(std::int32_t mixerId,
                                                         std::int32_t controlId)
{
    if (TableOf(mixerId) == nullptr || controlId < 0)
        return nullptr;
    auto& values = cards_[static_cast<std::size_t>(mixerId)].values;
    if (static_cast<std::size_t>(controlId) >= values.size())
        return nullptr;
    return &values[static_cast<std::size_t>(controlId)];
}

std::int32_t VirtualMixerService::LineIdOf(std::int32_t mixerId, std::uint32_t destination,
                                           std::int32_t source) const
{
    if (mixerId < 0 || static_cast<std::size_t>(mixerId) >= cards_.size())
        return -1;
    return source < 0 ? static_cast<std::int32_t>(destination)
                      : SourceLineId(destination, static_cast<std::uint32_t>(source));
}

std::int32_t VirtualMixerService::ControlIdOf(std::int32_t mixerId, std::int32_t lineId,
                                              std::uint32_t type) const
{
    if (mixerId < 0 || static_cast<std::size_t>(mixerId) >= cards_.size())
        return -1;
    for (const MixerTableControl& control :
         cards_[static_cast<std::size_t>(mixerId)].table.controls)
        if (control.lineId == lineId && control.info.type == type)
            return control.info.controlId;
    return -1;
}

std::vector<std::int32_t> VirtualMixerService::Values(std::int32_t mixerId,
                                                      std::int32_t controlId) const
{
    const auto* values = const_cast<VirtualMixerService*>(this)->ValuesOf(mixerId, controlId);
    return values != nullptr ? *values : std::vector<std::int32_t>{};
}

void VirtualMixerService::ChangeFromOutside(std::int32_t mixerId, std::int32_t controlId,
                                            std::vector<std::int32_t> values)
{
    std::vector<std::int32_t>* stored = ValuesOf(mixerId, controlId);
    if (stored == nullptr || values.size() != stored->size())
        return;
    *stored = std::move(values);
    Post(mixerId, MM_MIXM_CONTROL_CHANGE, controlId);
}

void VirtualMixerService::SetControlFlags(std::int32_t mixerId, std::int32_t controlId,
                                          std::uint32_t flags)
{
    if (ValuesOf(mixerId, controlId) != nullptr)
        cards_[static_cast<std::size_t>(mixerId)]
            .table.controls[static_cast<std::size_t>(controlId)]
            .info.flags = flags;
}

void VirtualMixerService::ChangeLineFromOutside(std::int32_t mixerId, std::int32_t lineId)
{
    Post(mixerId, MM_MIXM_LINE_CHANGE, lineId);
}

MMResult VirtualMixerService::GetValues(std::int32_t mixerId, std::int32_t controlId,
                                        std::uint32_t channels, std::uint32_t items,
                                        std::vector<std::int32_t>& values)
{
    const MMResult result = CheckBlock(mixerId, controlId, channels, items);
    if (result != MMSYSERR_NOERROR)
        return result;
    const std::vector<std::int32_t>& stored = *ValuesOf(mixerId, controlId);
    const std::uint32_t storedChannels =
        TableOf(mixerId)->controls[static_cast<std::size_t>(controlId)].channels;
    values.clear();
    for (std::size_t item = 0; item < stored.size() / storedChannels; ++item)
        for (std::uint32_t channel = 0; channel < channels; ++channel)
            values.push_back(stored[item * storedChannels + channel]);
    return MMSYSERR_NOERROR;
}

MMResult VirtualMixerService::SetValues(std::int32_t mixerId, std::int32_t controlId,
                                        std::uint32_t channels, std::uint32_t items,
                                        const std::vector<std::int32_t>& values)
{
    const MMResult result = CheckBlock(mixerId, controlId, channels, items);
    if (result != MMSYSERR_NOERROR)
        return result;
    std::vector<std::int32_t>& stored = *ValuesOf(mixerId, controlId);
    const std::uint32_t storedChannels =
        TableOf(mixerId)->controls[static_cast<std::size_t>(controlId)].channels;
    const std::size_t storedItems = stored.size() / storedChannels;
    if (values.size() != channels * storedItems)
        return MMSYSERR_INVALPARAM;
    // One channel written sets them all.
    for (std::size_t item = 0; item < storedItems; ++item)
        for (std::uint32_t channel = 0; channel < storedChannels; ++channel)
            stored[item * storedChannels + channel] =
                values[item * channels + (channels == 1 ? 0 : channel)];
    ++writes_;
    Post(mixerId, MM_MIXM_CONTROL_CHANGE, controlId);
    return MMSYSERR_NOERROR;
}

} // namespace platform
