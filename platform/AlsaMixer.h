#pragma once

#include "platform/TableMixerService.h"

#include <memory>
#include <vector>

namespace platform {

// The sound system's mixers: one per capture device of the wave input's list that
// has a mixer control, named as the wave input names the device. Each is shown as
// a playback destination (the speakers, with "Master" as its own volume) whose
// sources are the other playback elements, and a recording destination whose
// sources are the capture elements, with a multiplexer made of the capture-source
// enumeration or of the capture switches. Changes reach open handles from the
// mixer's poll descriptors, on the user-interface thread.
class AlsaMixerService final : public TableMixerService {
public:
    AlsaMixerService();
    ~AlsaMixerService() override;

    bool GetErrorText(MMResult result, std::string& text) override;
    MMResult GetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, std::vector<std::int32_t>& values) override;
    MMResult SetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, const std::vector<std::int32_t>& values) override;

    struct Card;

protected:
    std::size_t TableCount() override;
    const MixerTable& Table(std::size_t mixerId) override;

private:
    void Enumerate();
    void Watch(Card& card);
    void HandleEvents(Card& card);

    bool enumerated_ = false;
    std::vector<std::unique_ptr<Card>> cards_;
};

} // namespace platform
