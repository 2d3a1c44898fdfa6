#pragma once

#include "platform/TableMixerService.h"

#include <vector>

namespace platform {

// An in-process mixer for tests: cards described in full (destinations, their
// sources, the controls of every line and their values), and changes made "from
// outside" that reach every open handle as notices on the user-interface thread,
// as the system's own mixer would send them.
class VirtualMixerService final : public TableMixerService {
public:
    struct Control {
        std::uint32_t type = CT_VOLUME;
        std::uint32_t flags = 0;
        std::string shortName;
        std::string name;
        std::int32_t minimum = 0;
        std::int32_t maximum = 65535;
        std::uint32_t steps = 0;
        // A multiple-item control on a destination lists these of its sources (by
        // index), in this order; empty lists them all.
        std::vector<std::uint32_t> itemSources;
    };
    struct Line {
        std::uint32_t componentType = SRC_UNDEFINED;
        std::string shortName;
        std::string name;
        std::uint32_t channels = 2;
        std::uint32_t flags = MIXERLINE_LINEF_ACTIVE;
        MixerTarget target;
        std::vector<Control> controls;
    };
    struct Destination {
        Line line;
        std::vector<Line> sources;
    };
    struct Card {
        std::string name;
        std::uint16_t manufacturerId = 1;
        std::uint16_t productId = 1;
        std::uint32_t driverVersion = 0x0100;
        std::vector<Destination> destinations;
    };

    VirtualMixerService();
    ~VirtualMixerService() override;

    // Returns the new card's mixer id.
    std::int32_t AddCard(Card card);

    // Ids as the card reports them: a destination's line (source -1) or a source's.
    std::int32_t LineIdOf(std::int32_t mixerId, std::uint32_t destination,
                          std::int32_t source = -1) const;
    // The line's first control of the type; -1 when it has none.
    std::int32_t ControlIdOf(std::int32_t mixerId, std::int32_t lineId, std::uint32_t type) const;
    // The control's whole value block (channels x items).
    std::vector<std::int32_t> Values(std::int32_t mixerId, std::int32_t controlId) const;
    // A change made elsewhere (another program, the system's own mixer): every open
    // handle of the card hears of it.
    void ChangeFromOutside(std::int32_t mixerId, std::int32_t controlId,
                           std::vector<std::int32_t> values);
    void SetControlFlags(std::int32_t mixerId, std::int32_t controlId, std::uint32_t flags);
    // The line's state changed elsewhere.
    void ChangeLineFromOutside(std::int32_t mixerId, std::int32_t lineId);
    // Writes through the service so far, of all cards.
    int Writes() const { return writes_; }

    MMResult GetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, std::vector<std::int32_t>& values) override;
    MMResult SetValues(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                       std::uint32_t items, const std::vector<std::int32_t>& values) override;

protected:
    std::size_t TableCount() override { return cards_.size(); }
    const MixerTable& Table(std::size_t mixerId) override { return cards_[mixerId].table; }

private:
    struct StoredCard {
        MixerTable table;
        std::vector<std::vector<std::int32_t>> values; // per control: channels x items
    };

    void AddLine(StoredCard& stored, const Line& line, MixerLine record,
                 const std::vector<MixerLine>& sources, const std::vector<Line>& sourceLines);
    std::vector<std::int32_t>* ValuesOf(std::int32_t mixerId, std::int32_t controlId);

    std::vector<StoredCard> cards_;
    int writes_ = 0;
};

} // namespace platform
