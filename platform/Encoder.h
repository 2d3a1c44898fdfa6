#pragma once

#include "platform/Exception.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace platform {

SONAVIA_ERROR_CLASS(EEncoderError, Exception)

// The external encoder that publishes the station: the five operations the
// station controller calls. Each raises EEncoderError (or a subclass) on failure.
class Encoder {
public:
    // Run states the station mirrors in its status line; other values may be read
    // and mean nothing to the station.
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

class EncoderFactory {
public:
    virtual ~EncoderFactory() = default;
    // A fresh encoder; raises EEncoderError when none can be made.
    virtual std::unique_ptr<Encoder> Create() = 0;
};

} // namespace platform
