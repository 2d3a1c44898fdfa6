#include "platform/TableMixerService.h"

#include <QMetaObject>

namespace platform {

std::int32_t TableMixerService::SourceLineId(std::uint32_t destination, std::uint32_t source)
{
    return static_cast<std::int32_t>(((source + 1) << 16) | destination);
}

const MixerTable* TableMixerService::TableOf(std::int32_t mixerId)
{
    if (mixerId < 0 || static_cast<std::size_t>(mixerId) >= TableCount())
        return nullptr;
    return &Table(static_cast<std::size_t>(mixerId));
}

std::uint32_t TableMixerService::GetNumDevs()
{
    return static_cast<std::uint32_t>(TableCount());
}

MMResult TableMixerService::GetDevCaps(std::int32_t mixerId, MixerCaps& caps)
{
    const MixerTable* table = TableOf(mixerId);
    if (table == nullptr)
        return MMSYSERR_BADDEVICEID;
    caps = table->caps;
    return MMSYSERR_NOERROR;
}

bool TableMixerService::GetErrorText(MMResult result, std::string& text)
{
    return MixerErrorText(result, text);
}

MMResult TableMixerService::Open(HMixer* handle, std::int32_t mixerId, MixerCallback callback)
{
    if (TableOf(mixerId) == nullptr)
        return MMSYSERR_BADDEVICEID;
    *handle = nextHandle_++;
    handles_[*handle] = {mixerId, std::move(callback)};
    return MMSYSERR_NOERROR;
}

MMResult TableMixerService::Close(HMixer handle)
{
    return handles_.erase(handle) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMResult TableMixerService::GetID(HMixer handle, std::int32_t& mixerId)
{
    const auto found = handles_.find(handle);
    if (found == handles_.end())
        return MMSYSERR_INVALHANDLE;
    mixerId = found->second.first;
    return MMSYSERR_NOERROR;
}

void TableMixerService::Deliver(std::int32_t mixerId, std::uint32_t msg, std::int32_t id)
{
    // A callback may close handles: walk a copy and skip the ones closed meanwhile.
    const auto handles = handles_;
    for (const auto& [handle, open] : handles)
        if (open.first == mixerId && handles_.contains(handle))
            open.second(handle, msg, id);
}

void TableMixerService::Post(std::int32_t mixerId, std::uint32_t msg, std::int32_t id)
{
    QMetaObject::invokeMethod(
        &notices_, [this, mixerId, msg, id] { Deliver(mixerId, msg, id); }, Qt::QueuedConnection);
}

namespace {

MMResult FindLine(const MixerTable* table, MixerLine& line, auto matches)
{
    if (table == nullptr)
        return MMSYSERR_BADDEVICEID;
    for (const MixerLine& stored : table->lines)
        if (matches(stored)) {
            line = stored;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALLINE;
}

// A destination or source index that names no line is a wrong parameter.
MMResult ByIndex(MMResult result)
{
    return result == MIXERR_INVALLINE ? MMSYSERR_INVALPARAM : result;
}

} // namespace

MMResult TableMixerService::LineById(std::int32_t mixerId, std::int32_t lineId, MixerLine& line)
{
    return FindLine(TableOf(mixerId), line, [&](const MixerLine& l) { return l.lineId == lineId; });
}

MMResult TableMixerService::LineByComponentType(std::int32_t mixerId, std::uint32_t type,
                                                MixerLine& line)
{
    return FindLine(TableOf(mixerId), line,
                    [&](const MixerLine& l) { return l.componentType == type; });
}

MMResult TableMixerService::LineByDestination(std::int32_t mixerId, std::uint32_t destination,
                                              MixerLine& line)
{
    return ByIndex(LineById(mixerId, static_cast<std::int32_t>(destination), line));
}

MMResult TableMixerService::LineBySource(std::int32_t mixerId, std::uint32_t destination,
                                         std::uint32_t source, MixerLine& line)
{
    return ByIndex(LineById(mixerId, SourceLineId(destination, source), line));
}

MMResult TableMixerService::LineByTarget(std::int32_t mixerId, const MixerTarget& target,
                                         MixerLine& line)
{
    return FindLine(TableOf(mixerId), line, [&](const MixerLine& l) {
        return l.target.type != TARGETTYPE_UNDEFINED && l.target == target;
    });
}

namespace {

const MixerTableControl* ControlIn(const MixerTable& table, std::int32_t controlId)
{
    if (controlId < 0 || static_cast<std::size_t>(controlId) >= table.controls.size())
        return nullptr;
    return &table.controls[static_cast<std::size_t>(controlId)];
}

} // namespace

const MixerTableControl* TableMixerService::ControlOf(std::int32_t mixerId, std::int32_t controlId,
                                                      MMResult& result)
{
    const MixerTable* table = TableOf(mixerId);
    const MixerTableControl* control = table != nullptr ? ControlIn(*table, controlId) : nullptr;
    result = table == nullptr     ? MMSYSERR_BADDEVICEID
             : control == nullptr ? MIXERR_INVALCONTROL
                                  : MMSYSERR_NOERROR;
    return control;
}

MMResult TableMixerService::ControlById(std::int32_t mixerId, std::int32_t controlId,
                                        MixerControl& control)
{
    MMResult result = MMSYSERR_NOERROR;
    if (const MixerTableControl* stored = ControlOf(mixerId, controlId, result))
        control = stored->info;
    return result;
}

MMResult TableMixerService::ControlByType(std::int32_t mixerId, std::int32_t lineId,
                                          std::uint32_t type, MixerControl& control)
{
    MixerLine line;
    const MMResult result = LineById(mixerId, lineId, line);
    if (result != MMSYSERR_NOERROR)
        return result;
    for (const MixerTableControl& stored : TableOf(mixerId)->controls)
        if (stored.lineId == lineId && stored.info.type == type) {
            control = stored.info;
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALCONTROL;
}

MMResult TableMixerService::ControlLine(std::int32_t mixerId, std::int32_t controlId,
                                        std::int32_t& lineId)
{
    MMResult result = MMSYSERR_NOERROR;
    if (const MixerTableControl* stored = ControlOf(mixerId, controlId, result))
        lineId = stored->lineId;
    return result;
}

MMResult TableMixerService::CheckBlock(std::int32_t mixerId, std::int32_t controlId,
                                       std::uint32_t channels, std::uint32_t items)
{
    MMResult result = MMSYSERR_NOERROR;
    const MixerTableControl* c = ControlOf(mixerId, controlId, result);
    if (c == nullptr)
        return result;
    const bool fits = (channels == c->channels || channels == 1) && items == c->items.size();
    return fits ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}

MMResult TableMixerService::GetListTexts(std::int32_t mixerId, std::int32_t controlId,
                                         std::uint32_t channels, std::uint32_t items,
                                         std::vector<MixerListText>& texts)
{
    const MMResult result = CheckBlock(mixerId, controlId, channels, items);
    if (result != MMSYSERR_NOERROR)
        return result;
    const MixerTableControl& control =
        TableOf(mixerId)->controls[static_cast<std::size_t>(controlId)];
    if (control.items.empty())
        return MMSYSERR_INVALPARAM;
    texts = control.items;
    return MMSYSERR_NOERROR;
}

} // namespace platform
