#pragma once

#include "platform/MixerService.h"

#include <QObject>

#include <map>
#include <vector>

namespace platform {

// A control as a mixer's table holds it: what it reports, its line, the channels
// of its value block and the items of a list control.
struct MixerTableControl {
    MixerControl info;
    std::int32_t lineId = -1;
    std::uint32_t channels = 1;
    std::vector<MixerListText> items;
};

// One mixer described in full: each destination followed by its sources.
struct MixerTable {
    MixerCaps caps;
    std::vector<MixerLine> lines;
    std::vector<MixerTableControl> controls; // control id = index
};

// The queries every mixer answers from its tables, and the open handles with their
// notices. A back end supplies the tables and moves the values.
class TableMixerService : public MixerService {
public:
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
    MMResult GetListTexts(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                          std::uint32_t items, std::vector<MixerListText>& texts) override;

    // Line ids of a table: a destination's is its index, a source's packs both indexes.
    static std::int32_t SourceLineId(std::uint32_t destination, std::uint32_t source);
    // Open handles of the mixer.
    std::size_t OpenHandles() const { return handles_.size(); }

protected:
    virtual std::size_t TableCount() = 0;
    virtual const MixerTable& Table(std::size_t mixerId) = 0;
    // The mixer's table; nullptr for an id no mixer has.
    const MixerTable* TableOf(std::int32_t mixerId);
    // The control, or nullptr with the reason in result.
    const MixerTableControl* ControlOf(std::int32_t mixerId, std::int32_t controlId,
                                       MMResult& result);
    // Looks up a control for a value transfer: MMSYSERR_NOERROR when the mixer has it
    // and the block asked for fits it (its own channel count or one, and every item of
    // a list control).
    MMResult CheckBlock(std::int32_t mixerId, std::int32_t controlId, std::uint32_t channels,
                        std::uint32_t items);
    // Tells every handle open on the mixer, now.
    void Deliver(std::int32_t mixerId, std::uint32_t msg, std::int32_t id);
    // Tells them later, on the user-interface thread, as the system's mixer does
    // after a write.
    void Post(std::int32_t mixerId, std::uint32_t msg, std::int32_t id);

private:
    std::map<HMixer, std::pair<std::int32_t, MixerCallback>> handles_;
    HMixer nextHandle_ = 1;
    QObject notices_; // queued notices die with the service
};

} // namespace platform
