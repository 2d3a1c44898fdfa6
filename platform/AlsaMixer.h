#pragma once

#include "platform/MixerService.h"

#include <QObject>
#include <map>
#include <memory>
#include <set>
#include <vector>

typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;
class QSocketNotifier;

namespace platform {

// The sound system's mixers: one per capture device of the wave input's list that
// has a mixer control, named as the wave input names the device. Each is shown as
// a playback destination (the speakers, with "Master" as its own volume) whose
// sources are the other playback elements, and a recording destination whose
// sources are the capture elements, with a multiplexer made of the capture-source
// enumeration or of the capture switches. Changes reach open handles from the
// mixer's poll descriptors, on the user-interface thread.
class AlsaMixerService final : public MixerService {
public:
    AlsaMixerService();
    ~AlsaMixerService() override;

    std::uint32_t GetNumDevs() override;
    MMResult GetDevCaps(std::int32_t mixerId, MixerCaps& caps) override;
    bool GetErrorText(MMResult result, std::string& text) override;
    MMResult Open(HMixer* handle, std::int32_t mixerId, MixerCallback callback) override;
    MMResult Close(HMixer handle) override;
    MMResult GetID(HMixer handle, std::int32_t& mixerId) override;
    MMResult LineById(std::int32_t mixerId, std::int32_t lineId, MixerLine& line) override;
    MMResult LineByComponentType(std::int32_t mixerId, std::uint32_t type,
                                 MixerLine& line) override;
    MMResult LineByDestination(std::int32_t mixerId, std::uint32_t destination,
                               MixerLine& line) override;
    MMResult LineBySource(std::int32_t mixerId, std::uint32_t destination, std::uint32_t source,
                          MixerLine& line) override;
    MMResult LineByTarget(std::int32_t mixerId, const MixerTarget& target,
                          MixerLine& line) override;
    MMResult ControlById(std::int32_t mixerId, std::int32_t controlId,
                         MixerControl& control) override;
    MMResult ControlByType(std::int32_t mixerId, std::int32_t lineId, std::uint32_t type,
                           MixerControl& control) override;
    MMResult ControlLine(std::int32_t mixerId, std::int32_t controlId,
                         std::int32_t& lineId) override;
    MMResult GetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, std::vector<std::int32_t>& values) override;
    MMResult SetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, const std::vector<std::int32_t>& values) override;
    MMResult GetListTexts(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                          std::uint32_t items, std::vector<MixerListText>& texts) override;

    // What a card's values are made of.
    enum class Kind { PlaybackVolume, PlaybackMute, CaptureVolume, MuxEnum, MuxSwitches };
    struct Control {
        MixerControl info;
        std::int32_t lineId = -1;
        Kind kind = Kind::PlaybackVolume;
        snd_mixer_elem_t* element = nullptr;
        std::uint32_t channels = 1;
        std::vector<MixerListText> items;
        // Per item: the enumeration entry (MuxEnum) or the switched element.
        std::vector<unsigned> entries;
        std::vector<snd_mixer_elem_t*> switches;
    };
    struct Card;

private:
    void Enumerate();
    Card* CardOf(std::int32_t mixerId);
    Control* ControlOf(std::int32_t mixerId, std::int32_t controlId);
    void Watch(Card& card);
    void HandleEvents(Card& card);

    bool enumerated_ = false;
    std::vector<std::unique_ptr<Card>> cards_;
    std::map<HMixer, std::pair<std::int32_t, MixerCallback>> handles_;
    HMixer nextHandle_ = 1;
};

} // namespace platform
