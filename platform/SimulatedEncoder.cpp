#include "platform/SimulatedEncoder.h"

#include <algorithm>

namespace platform {

namespace {

void Record(SimulatedEncoderScript& script, const std::string& operation, const std::string& call)
{
    script.calls.push_back(call);
    if (script.failing.count(operation) != 0)
        throw EEncoderError(operation + " failed");
}

class SimulatedEncoder final : public Encoder {
public:
    explicit SimulatedEncoder(SimulatedEncoderScript& script) : script_(script) { ++script_.alive; }
    ~SimulatedEncoder() override { --script_.alive; }

    void LoadSession(const std::filesystem::path& sessionFile) override
    {
        Record(script_, "Load", "Load " + sessionFile.string());
    }
    void Start() override { Record(script_, "Start", "Start"); }
    void Stop() override { Record(script_, "Stop", "Stop"); }
    void AfterStop() override { Record(script_, "AfterStop", "AfterStop"); }
    std::uint8_t RunState() override
    {
        Record(script_, "RunState", "RunState");
        if (script_.upcomingStates.empty())
            return script_.state;
        const std::uint8_t next = script_.upcomingStates.front();
        script_.upcomingStates.pop_front();
        return next;
    }

private:
    SimulatedEncoderScript& script_;
};

} // namespace

std::size_t SimulatedEncoderScript::Count(const std::string& call) const
{
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

std::unique_ptr<Encoder> SimulatedEncoderFactory::Create()
{
    Record(script_, "Create", "Create");
    return std::make_unique<SimulatedEncoder>(script_);
}

} // namespace platform
