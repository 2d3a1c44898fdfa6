#include "mixer/MMAudioLine.h"

#include <optional>

using platform::MixerLine;

TMMAudioLine::TMMAudioLine()
{
    FMixerObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        MixerNotice(data);
    };
    FTargetObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FTarget)
                SetTarget(nullptr);
        } else if (dynamic_cast<const TMMDeviceChange*>(data) != nullptr) {
            Resolve();
        }
    };
    FDestObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FDestLine)
                SetDestLine(nullptr);
        } else if (dynamic_cast<const TMMLineIdChange*>(data) != nullptr) {
            Resolve();
        }
    };
}

TMMAudioLine::~TMMAudioLine()
{
    MarkDestroying();
    const TMMRemoval removal(this);
    FObservable.NotifyObservers(&removal);
}

void TMMAudioLine::MixerNotice(const TMMNotification* data)
{
    if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
        if (removal->Component == FMixer)
            SetMixer(nullptr);
    } else if (dynamic_cast<const TMMDeviceChange*>(data) != nullptr) {
        Resolve();
    } else if (const auto* line = dynamic_cast<const TMMLineChange*>(data)) {
        if (FLineId != badLineId && line->LineId == FLineId && OnChange)
            OnChange(this);
    } else if (const auto* control = dynamic_cast<const TMMControlChange*>(data)) {
        if (FLineId != badLineId && control->LineId == FLineId) {
            FObservable.NotifyObservers(control);
            if (OnControlChange)
                OnControlChange(this, control->LineId, control->ControlId);
        }
    }
}

void TMMAudioLine::SetMixer(TMMMixerDevice* mixer)
{
    if (mixer == FMixer)
        return;
    FMixer = mixer;
    Watch(FMixerObserver, FMixer != nullptr ? &FMixer->Observable() : nullptr);
    Resolve();
}

void TMMAudioLine::SetLineId(TMMLineId id)
{
    if (id == FLineId && FIdentification == TMMLineIdentification::ById)
        return;
    FLineId = id;
    FIdentification = TMMLineIdentification::ById;
    Resolve();
}

void TMMAudioLine::SetComponentType(TMMComponentType type)
{
    if (type == FComponentType && FIdentification == TMMLineIdentification::ByComponentType)
        return;
    FComponentType = type;
    FIdentification = TMMLineIdentification::ByComponentType;
    Resolve();
}

void TMMAudioLine::SetTarget(TMMCustomAudioDevice* target)
{
    if (dynamic_cast<TMMMixerDevice*>(target) != nullptr)
        throw EMMMixerError("Can't target to mixer");
    if (target == FTarget && FIdentification == TMMLineIdentification::ByTarget)
        return;
    FTarget = target;
    FIdentification = TMMLineIdentification::ByTarget;
    Watch(FTargetObserver, FTarget != nullptr ? &FTarget->Observable() : nullptr);
    Resolve();
}

void TMMAudioLine::SetDestLine(TMMComponent* line)
{
    auto* destination = dynamic_cast<TMMAudioLine*>(line);
    if (line != nullptr && destination == nullptr)
        throw EMMMixerError("DestLine should be TMMAudioLine");
    if (destination == FDestLine)
        return;
    FDestLine = destination;
    Watch(FDestObserver, FDestLine != nullptr ? &FDestLine->Observable() : nullptr);
    Resolve();
}

void TMMAudioLine::Loaded()
{
    TMMNonVisualComponent::Loaded();
    Resolve();
}

bool TMMAudioLine::HasValidMixer() const
{
    return FMixer != nullptr && FMixer->IsValid();
}

bool TMMAudioLine::IsValid() const
{
    return HasValidMixer() && FLineId != badLineId;
}

bool TMMAudioLine::Query(const TMMAudioLine& source, MixerLine& found) const
{
    switch (source.FIdentification) {
    case TMMLineIdentification::ByComponentType:
        return FMixer->LineByComponentType(source.FComponentType, found);
    case TMMLineIdentification::ByTarget:
        return source.FTarget != nullptr && FMixer->LineByTarget(*source.FTarget, found);
    case TMMLineIdentification::ById:
        return source.FLineId != badLineId && FMixer->LineById(source.FLineId, found);
    }
    return false;
}

void TMMAudioLine::Resolve()
{
    if (Loading() || Destroying())
        return;
    FDestIndex = -1;
    MixerLine found;
    bool isFound = false;
    if (HasValidMixer()) {
        if (FDestLine != nullptr)
            isFound = FDestLine->FMixer == FMixer && FDestLine->FindSource(*this, found);
        else
            isFound = Query(*this, found);
    }
    if (isFound) {
        FLineId = found.lineId;
        FComponentType = ComponentTypeFromCode(found.componentType);
        FLineInfo.Flags = LineFlagsFromCode(found.flags);
        FLineInfo.Channels = static_cast<std::int32_t>(found.channels);
        FLineInfo.Connections = static_cast<std::int32_t>(found.connections);
        FLineInfo.Controls = static_cast<std::int32_t>(found.controls);
        FLineInfo.ShortName = found.shortName.substr(0, 16);
        FLineInfo.Name = found.name.substr(0, 64);
        if (!HasFlag(FLineInfo.Flags, cfSource))
            FDestIndex = static_cast<std::int32_t>(found.destination);
    } else {
        FLineId = badLineId;
        FLineInfo = TMMLineInfo{};
    }
    const TMMLineIdChange change;
    FObservable.NotifyObservers(&change);
}

bool TMMAudioLine::FindSource(const TMMAudioLine& source, MixerLine& found) const
{
    if (Loading() || !HasValidMixer() || FLineId == badLineId || HasFlag(FLineInfo.Flags, cfSource))
        return false;
    MixerLine line;
    if (!Query(source, line))
        return false;
    // Only a source line counts: a query by a destination's type answers with the
    // destination itself, which is not one of its own sources.
    const bool isSource = (line.flags & platform::MIXERLINE_LINEF_SOURCE) != 0;
    if (isSource && static_cast<std::int32_t>(line.destination) == FDestIndex) {
        found = line;
        return true;
    }
    if (source.FIdentification == TMMLineIdentification::ById)
        return false;
    // The first line of that kind on the card belongs to another destination: look
    // among this destination's own sources.
    const std::optional<platform::MixerTarget> target =
        source.FTarget != nullptr ? std::optional(TargetDescription(*source.FTarget))
                                  : std::nullopt;
    for (std::int32_t s = 0; s < FLineInfo.Connections; ++s) {
        if (!FMixer->LineBySource(static_cast<std::uint32_t>(FDestIndex),
                                  static_cast<std::uint32_t>(s), line))
            continue;
        const bool matches =
            source.FIdentification == TMMLineIdentification::ByComponentType
                ? ComponentTypeFromCode(line.componentType) == source.FComponentType
                : target.has_value() && line.target == *target;
        if (matches) {
            found = line;
            return true;
        }
    }
    return false;
}
