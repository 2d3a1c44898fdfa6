#pragma once

#include "audio/MMTypes.h"
#include "mixer/MMAudioLine.h"

#include <string>
#include <vector>

// How a control is found: whichever of ControlId and ControlType was set last.
enum class TMMControlIdentification : std::uint8_t { ById, ByType };

// One control of a mixer line (a volume, a mute switch, the recording source
// selector). It finds its control again whenever its line re-resolves, reads and
// writes its values by channel and item, and tells its observers when the mixer
// reports a change of its value.
class TMMCustomMixerControl : public TMMNonVisualComponent {
public:
    TMMCustomMixerControl();
    ~TMMCustomMixerControl() override;

    TMMAudioLine* AudioLine() const { return FAudioLine; }
    void SetAudioLine(TMMAudioLine* line);
    TMMControlId ControlId() const { return FControlId; }
    void SetControlId(TMMControlId id);
    TMMControlClass ControlClass() const { return FControlClass; }
    const TMMControlInfo& ControlInfo() const { return FControlInfo; }
    TMMControlType ControlType() const { return FControlType; }
    TMMControlIdentification Identification() const { return FIdentification; }

    TMMObservable& Observable() { return FObservable; }
    TNotifyEvent OnChange;

    // Values by channel (chBoth: every channel) and item (ignored by a
    // single-item control). Without a mixer or a control they raise.
    virtual bool GetBoolean(TMMChannel channel, int item);
    virtual void SetBoolean(TMMChannel channel, int item, bool value);
    virtual std::int32_t GetValue(TMMChannel channel, int item);
    virtual void SetValue(TMMChannel channel, int item, std::int32_t value);
    virtual std::uint32_t GetUnsigned(TMMChannel channel, int item);
    virtual void SetUnsigned(TMMChannel channel, int item, std::uint32_t value);

    virtual bool IsValid() const;
    // The control's values can be reached at this item.
    bool IsValidFor(int item) const;
    // Channels of the value block: 1 for a uniform control, else the line's.
    virtual std::uint32_t ChannelCount() const;
    // Items of the value block: 0 for a single-item control.
    virtual std::uint32_t ItemCount() const;
    // The line each item of a multiple-item control stands for, and its name.
    std::int32_t ItemParam(int item);
    std::string ItemName(int item);
    // The item of a mixer or multiplexer control that selects the line; -1 otherwise.
    int ItemIndexOf(const TMMAudioLine& line);
    bool Enabled() const;

protected:
    void SetControlType(TMMControlType type);
    void Loaded() override;
    virtual void Resolve();
    virtual void ValueChanged();
    virtual void IdChanged();
    // Whether a found control may be taken.
    virtual bool Accept(const platform::MixerControl&) const { return true; }
    // Writes one value per channel of an item in one block.
    void WriteChannels(int item, const std::vector<std::int32_t>& perChannel);
    std::int32_t ReadElement(TMMChannel channel, int item);
    void WriteElement(TMMChannel channel, int item, std::int32_t value);

private:
    TMMMixerDevice& RequireMixer() const;
    void CheckItem(int item) const;
    platform::MixerListText ItemText(int item);
    std::size_t ElementIndex(TMMChannel channel, int item) const;
    std::vector<std::int32_t> ReadBlock();
    void LineNotice(const TMMNotification* data);
    bool IsSingleSelect() const;

    TMMAudioLine* FAudioLine = nullptr;
    TMMControlId FControlId = badControlId;
    TMMControlType FControlType = ctVolume;
    std::uint32_t FControlTypeCode = 0; // as the mixer reported it
    TMMControlClass FControlClass = ccFader;
    TMMControlInfo FControlInfo;
    TMMControlIdentification FIdentification = TMMControlIdentification::ByType;
    TMMObservable FObservable;
    TMMObserver FLineObserver;
};

// A control of any type.
class TMMMixerControl : public TMMCustomMixerControl {
public:
    using TMMCustomMixerControl::SetControlType;
};

// A line's volume, written to both channels through the balance rule.
class TMMVolumeControl : public TMMCustomMixerControl {
public:
    TMMVolumeControl();

    // -32768 (left only) .. 32767 (right only); 0 keeps both channels equal.
    std::int32_t PanValue() const { return FPanValue; }
    void SetPanValue(std::int32_t value);

    void SetValue(TMMChannel channel, int item, std::int32_t value) override;
    void SetUnsigned(TMMChannel channel, int item, std::uint32_t value) override;

protected:
    bool Accept(const platform::MixerControl& control) const override;

private:
    std::int32_t FPanValue = 0;
};
