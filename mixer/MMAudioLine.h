#pragma once

#include "mixer/MMMixerDevice.h"

// How a line is found: whichever of LineId, ComponentType and Target was set last.
enum class TMMLineIdentification : std::uint8_t { ById, ByComponentType, ByTarget };

// One line of a mixer: a destination (the recording input, the speakers) or a
// source (line in, microphone). It finds its line again whenever its mixer, its
// identification or its destination line changes, and tells the controls on it.
class TMMAudioLine : public TMMNonVisualComponent {
public:
    TMMAudioLine();
    ~TMMAudioLine() override;

    TMMMixerDevice* Mixer() const { return FMixer; }
    void SetMixer(TMMMixerDevice* mixer);
    TMMLineId LineId() const { return FLineId; }
    void SetLineId(TMMLineId id);
    TMMComponentType ComponentType() const { return FComponentType; }
    void SetComponentType(TMMComponentType type);
    TMMCustomAudioDevice* Target() const { return FTarget; }
    void SetTarget(TMMCustomAudioDevice* target); // never a mixer
    TMMAudioLine* DestLine() const { return FDestLine; }
    void SetDestLine(TMMComponent* line); // a TMMAudioLine or nothing
    const TMMLineInfo& LineInfo() const { return FLineInfo; }
    TMMLineIdentification Identification() const { return FIdentification; }
    // The destination index when the line is a destination; -1 for a source.
    std::int32_t DestinationIndex() const { return FDestIndex; }
    // A valid mixer is attached and the line was found.
    bool IsValid() const;

    TMMObservable& Observable() { return FObservable; }
    TNotifyEvent OnChange;
    TMMControlChangeEvent OnControlChange;

    // Finds the line source describes among this destination's sources.
    bool FindSource(const TMMAudioLine& source, platform::MixerLine& found) const;

protected:
    void Loaded() override;

private:
    void Resolve();
    bool HasValidMixer() const;
    // The line source describes, anywhere on the card.
    bool Query(const TMMAudioLine& source, platform::MixerLine& found) const;
    void MixerNotice(const TMMNotification* data);

    TMMMixerDevice* FMixer = nullptr;
    TMMLineId FLineId = badLineId;
    TMMComponentType FComponentType = ctDstSpeakers;
    TMMCustomAudioDevice* FTarget = nullptr;
    TMMAudioLine* FDestLine = nullptr;
    TMMLineInfo FLineInfo;
    TMMLineIdentification FIdentification = TMMLineIdentification::ById;
    std::int32_t FDestIndex = -1;
    TMMObservable FObservable;
    TMMObserver FMixerObserver;
    TMMObserver FTargetObserver;
    TMMObserver FDestObserver;
};
