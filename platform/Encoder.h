#pragma once

#include <cstdint>
#include <filesystem>

namespace platform {

// The external encoder that publishes the station: the five operations the
// station controller calls. Each raises an error of its own class on failure.
class Encoder {
public:
    // Run states the station mirrors in its status line.
    static constexpr std::uint8_t kStarting = 1;
    static constexpr std::uint8_t kRunning = 2;
    static constexpr std::uint8_t kStopping = 4;
    static constexpr std::uint8_t kStopped = 5;

    virtual ~Encoder() = default;
    virtual void LoadSession(const std::filesystem::path& sessionFile) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    // Called once each time the stopped state has been read.
    virtual void AfterStop() = 0;
    virtual std::uint8_t RunState() = 0;
};

} // namespace platform
