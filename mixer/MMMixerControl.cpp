#include "mixer/MMMixerControl.h"

#include <algorithm>
#include <cmath>

using namespace platform;

TMMCustomMixerControl::TMMCustomMixerControl()
{
    FLineObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        LineNotice(data);
    };
    FControlTypeCode = ControlTypeCode(FControlType);
}

TMMCustomMixerControl::~TMMCustomMixerControl()
{
    MarkDestroying();
    const TMMRemoval removal(this);
    FObservable.NotifyObservers(&removal);
}

void TMMCustomMixerControl::LineNotice(const TMMNotification* data)
{
    if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
        if (removal->Component == FAudioLine)
            SetAudioLine(nullptr);
    } else if (dynamic_cast<const TMMLineIdChange*>(data) != nullptr) {
        Resolve();
    } else if (const auto* change = dynamic_cast<const TMMControlChange*>(data)) {
        if (FControlId != badControlId && change->ControlId == FControlId)
            ValueChanged();
    }
}

void TMMCustomMixerControl::SetAudioLine(TMMAudioLine* line)
{
    if (line == FAudioLine)
        return;
    FAudioLine = line;
    Watch(FLineObserver, FAudioLine != nullptr ? &FAudioLine->Observable() : nullptr);
    Resolve();
}

void TMMCustomMixerControl::SetControlId(TMMControlId id)
{
    if (id == FControlId && FIdentification == TMMControlIdentification::ById)
        return;
    FControlId = id;
    FIdentification = TMMControlIdentification::ById;
    Resolve();
}

void TMMCustomMixerControl::SetControlType(TMMControlType type)
{
    if (type == FControlType && FIdentification == TMMControlIdentification::ByType)
        return;
    FControlType = type;
    FControlTypeCode = ControlTypeCode(type);
    FIdentification = TMMControlIdentification::ByType;
    Resolve();
}

void TMMCustomMixerControl::Loaded()
{
    TMMNonVisualComponent::Loaded();
    Resolve();
}

void TMMCustomMixerControl::Resolve()
{
    if (Destroying())
        return;
    if (Loading()) {
        FControlClass = ControlClassOf(FControlTypeCode);
        return;
    }
    MixerControl found;
    bool isFound = false;
    if (FAudioLine != nullptr && FAudioLine->IsValid()) {
        TMMMixerDevice& mixer = *FAudioLine->Mixer();
        if (FIdentification == TMMControlIdentification::ByType)
            isFound = mixer.ControlByType(FAudioLine->LineId(), FControlTypeCode, found);
        else
            isFound = FControlId != badControlId && mixer.ControlById(FControlId, found);
        isFound = isFound && Accept(found);
    }
    if (isFound) {
        FControlId = found.controlId;
        FControlType = ControlTypeFromCode(found.type);
        FControlTypeCode = found.type;
        FControlInfo.Flags = ControlFlagsFromCode(found.flags);
        FControlInfo.MultipleItems = static_cast<std::int32_t>(found.multipleItems);
        FControlInfo.ShortName = found.shortName.substr(0, 16);
        FControlInfo.Name = found.name.substr(0, 64);
        FControlInfo.MinValue = found.minimum;
        FControlInfo.MaxValue = found.maximum;
        FControlInfo.Steps = static_cast<std::int32_t>(found.steps);
    } else {
        FControlId = badControlId;
        FControlInfo = TMMControlInfo{};
        if (FIdentification == TMMControlIdentification::ByType)
            FControlTypeCode = ControlTypeCode(FControlType);
    }
    FControlClass = ControlClassOf(FControlTypeCode);
    IdChanged();
}

void TMMCustomMixerControl::IdChanged()
{
    const TMMControlIdChange change;
    FObservable.NotifyObservers(&change);
}

void TMMCustomMixerControl::ValueChanged()
{
    const TMMControlChange change(FAudioLine != nullptr ? FAudioLine->LineId() : badLineId,
                                  FControlId);
    FObservable.NotifyObservers(&change);
    if (OnChange)
        OnChange(this);
}

bool TMMCustomMixerControl::IsValid() const
{
    return FAudioLine != nullptr && FAudioLine->IsValid() && FControlId != badControlId;
}

bool TMMCustomMixerControl::IsValidFor(int item) const
{
    if (!IsValid())
        return false;
    return !HasFlag(FControlInfo.Flags, cfMultiple) ||
           (item >= 0 && item < FControlInfo.MultipleItems);
}

bool TMMCustomMixerControl::Enabled() const
{
    return IsValid() && !HasFlag(FControlInfo.Flags, cfDisabled);
}

std::uint32_t TMMCustomMixerControl::ChannelCount() const
{
    if (HasFlag(FControlInfo.Flags, cfUniform) || FAudioLine == nullptr)
        return 1;
    return static_cast<std::uint32_t>(std::max(1, FAudioLine->LineInfo().Channels));
}

std::uint32_t TMMCustomMixerControl::ItemCount() const
{
    return HasFlag(FControlInfo.Flags, cfMultiple)
               ? static_cast<std::uint32_t>(FControlInfo.MultipleItems)
               : 0;
}

TMMMixerDevice& TMMCustomMixerControl::RequireMixer() const
{
    if (FAudioLine == nullptr || FAudioLine->Mixer() == nullptr)
        throw EMMMixerError("Mixer required for this operation");
    if (FControlId == badControlId)
        throw EMMMixerError("Control not valid");
    return *FAudioLine->Mixer();
}

void TMMCustomMixerControl::CheckItem(int item) const
{
    if (HasFlag(FControlInfo.Flags, cfMultiple) && (item < 0 || item >= FControlInfo.MultipleItems))
        throw EMMMixerError("Item index out of range");
}

std::size_t TMMCustomMixerControl::ElementIndex(TMMChannel channel, int item) const
{
    const std::size_t channels = ChannelCount();
    const std::size_t i = HasFlag(FControlInfo.Flags, cfMultiple) ? std::size_t(item) : 0;
    // chBoth reads the item's first channel.
    if (channels == 1 || channel == chBoth || channel == chLeft)
        return channels * i;
    return channels * i + 1;
}

std::vector<std::int32_t> TMMCustomMixerControl::ReadBlock()
{
    return RequireMixer().GetValues(FControlId, ChannelCount(), ItemCount());
}

std::int32_t TMMCustomMixerControl::ReadElement(TMMChannel channel, int item)
{
    RequireMixer();
    CheckItem(item);
    const std::vector<std::int32_t> block = ReadBlock();
    const std::size_t index = ElementIndex(channel, item);
    return index < block.size() ? block[index] : 0;
}

void TMMCustomMixerControl::WriteChannels(int item, const std::vector<std::int32_t>& perChannel)
{
    TMMMixerDevice& mixer = RequireMixer();
    CheckItem(item);
    std::vector<std::int32_t> block = ReadBlock();
    const std::size_t channels = ChannelCount();
    const std::size_t first = ElementIndex(chLeft, item);
    for (std::size_t c = 0; c < channels && first + c < block.size(); ++c)
        block[first + c] = perChannel[std::min(c, perChannel.size() - 1)];
    mixer.SetValues(FControlId, ChannelCount(), ItemCount(), block);
}

void TMMCustomMixerControl::WriteElement(TMMChannel channel, int item, std::int32_t value)
{
    if (channel == chBoth) {
        WriteChannels(item, {value});
        return;
    }
    TMMMixerDevice& mixer = RequireMixer();
    CheckItem(item);
    std::vector<std::int32_t> block = ReadBlock();
    const std::size_t index = ElementIndex(channel, item);
    if (index < block.size())
        block[index] = value;
    mixer.SetValues(FControlId, ChannelCount(), ItemCount(), block);
}

bool TMMCustomMixerControl::IsSingleSelect() const
{
    return (FControlTypeCode & CT_CLASS_MASK) == (CT_SINGLESELECT & CT_CLASS_MASK) &&
           (FControlTypeCode & CT_SUBCLASS_MASK) == 0;
}

bool TMMCustomMixerControl::GetBoolean(TMMChannel channel, int item)
{
    return ReadElement(channel, item) != 0;
}

void TMMCustomMixerControl::SetBoolean(TMMChannel channel, int item, bool value)
{
    if (!IsSingleSelect()) {
        WriteElement(channel, item, value ? 1 : 0);
        return;
    }
    // A selector always has exactly one item set: choosing one clears the others,
    // and unticking the chosen one alone would leave none.
    TMMMixerDevice& mixer = RequireMixer();
    CheckItem(item);
    if (!value)
        return;
    std::vector<std::int32_t> block(ReadBlock().size(), 0);
    const std::size_t channels = ChannelCount();
    const std::size_t first = ElementIndex(chLeft, item);
    for (std::size_t c = 0; c < channels && first + c < block.size(); ++c)
        block[first + c] = 1;
    mixer.SetValues(FControlId, ChannelCount(), ItemCount(), block);
}

std::int32_t TMMCustomMixerControl::GetValue(TMMChannel channel, int item)
{
    return ReadElement(channel, item);
}

void TMMCustomMixerControl::SetValue(TMMChannel channel, int item, std::int32_t value)
{
    WriteElement(channel, item, value);
}

std::uint32_t TMMCustomMixerControl::GetUnsigned(TMMChannel channel, int item)
{
    return static_cast<std::uint32_t>(ReadElement(channel, item));
}

void TMMCustomMixerControl::SetUnsigned(TMMChannel channel, int item, std::uint32_t value)
{
    WriteElement(channel, item, static_cast<std::int32_t>(value));
}

MixerListText TMMCustomMixerControl::ItemText(int item)
{
    TMMMixerDevice& mixer = RequireMixer();
    if (!HasFlag(FControlInfo.Flags, cfMultiple))
        throw EMMMixerError("Item info requested from non-multiple control");
    CheckItem(item);
    return mixer.GetListTexts(FControlId, ChannelCount(), ItemCount())
        .at(static_cast<std::size_t>(item));
}

std::int32_t TMMCustomMixerControl::ItemParam(int item)
{
    return ItemText(item).param;
}

std::string TMMCustomMixerControl::ItemName(int item)
{
    return ItemText(item).name.substr(0, 64);
}

int TMMCustomMixerControl::ItemIndexOf(const TMMAudioLine& line)
{
    if (!IsValid() || !HasFlag(FControlInfo.Flags, cfMultiple) ||
        (FControlType != ctMixer && FControlType != ctMux) || line.LineId() == badLineId)
        return -1;
    const std::vector<MixerListText> items =
        FAudioLine->Mixer()->GetListTexts(FControlId, ChannelCount(), ItemCount());
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].param == line.LineId())
            return static_cast<int>(i);
    return -1;
}

TMMVolumeControl::TMMVolumeControl()
{
    SetControlType(ctVolume);
}

bool TMMVolumeControl::Accept(const MixerControl& control) const
{
    return control.type == CT_VOLUME;
}

void TMMVolumeControl::SetPanValue(std::int32_t value)
{
    value = std::clamp(value, -32768, 32767);
    if (value == FPanValue)
        return;
    FPanValue = value;
    if (!IsValid())
        return;
    // The louder channel holds the value as written: the other one is scaled down.
    std::int64_t current = 0;
    for (const TMMChannel channel : {chLeft, chRight})
        current = std::max<std::int64_t>(current, GetUnsigned(channel, 0));
    SetUnsigned(chBoth, 0, static_cast<std::uint32_t>(current));
}

namespace {

// Left and right values of v at the pan position.
std::vector<std::int32_t> Balanced(double v, std::int32_t pan)
{
    const double left = pan <= 0 ? 1.0 : (32767.0 - pan) / 32767.0;
    const double right = pan >= 0 ? 1.0 : (pan + 32768.0) / 32768.0;
    return {static_cast<std::int32_t>(static_cast<std::int64_t>(std::nearbyint(v * left))),
            static_cast<std::int32_t>(static_cast<std::int64_t>(std::nearbyint(v * right)))};
}

} // namespace

void TMMVolumeControl::SetValue(TMMChannel channel, int item, std::int32_t value)
{
    if (channel != chBoth || ChannelCount() < 2) {
        TMMCustomMixerControl::SetValue(channel, item, value);
        return;
    }
    WriteChannels(item, Balanced(value, FPanValue));
}

void TMMVolumeControl::SetUnsigned(TMMChannel channel, int item, std::uint32_t value)
{
    if (channel != chBoth || ChannelCount() < 2) {
        TMMCustomMixerControl::SetUnsigned(channel, item, value);
        return;
    }
    WriteChannels(item, Balanced(static_cast<double>(value), FPanValue));
}
