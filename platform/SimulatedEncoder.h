#pragma once

#include "platform/Encoder.h"

#include <deque>
#include <set>
#include <string>
#include <vector>

namespace platform {

// What simulated encoders do, shared by every encoder a factory makes, so that a test
// scripts run states and failures and reads back the calls made.
struct SimulatedEncoderScript {
    // Each call is recorded as "Create", "Load <path>", "Start", "Stop", "AfterStop",
    // "RunState" (failing calls too, before they raise).
    std::vector<std::string> calls;
    // RunState returns these in turn; once they are used up it returns `state`.
    std::deque<std::uint8_t> upcomingStates;
    std::uint8_t state = Encoder::kStarting;
    // Operations (by the names above) that raise EEncoderError "<name> failed".
    std::set<std::string> failing;
    int alive = 0; // encoders not yet destroyed

    std::size_t Count(const std::string& call) const;
};

class SimulatedEncoderFactory final : public EncoderFactory {
public:
    explicit SimulatedEncoderFactory(SimulatedEncoderScript& script) : script_(script) {}
    std::unique_ptr<Encoder> Create() override;

private:
    SimulatedEncoderScript& script_;
};

} // namespace platform
