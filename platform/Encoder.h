#pragma once

#include "platform/Exception.h"

#include <filesystem>
#include <memory>

namespace platform {

SONAVIA_ERROR_CLASS(EEncoderError, Exception)

// Run states an encoder reports; other values may be read and mean nothing to the station.
enum EncoderRunState : int {
    EncoderStarting = 1,
    EncoderRunning = 2,
    EncoderStopping = 4,
    EncoderStopped = 5,
};

// The external encoder that publishes the station: driven entirely by a session file.
// Every operation raises EEncoderError (or a subclass) when it fails.
class Encoder {
public:
    virtual ~Encoder() = default;
    virtual void Load(const std::filesystem::path& sessionFile) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    // Called once each time the stopped state has been read.
    virtual void AfterStop() = 0;
    virtual int RunState() = 0;
};

class EncoderFactory {
public:
    virtual ~EncoderFactory() = default;
    // A fresh encoder; raises EEncoderError when none can be made.
    virtual std::unique_ptr<Encoder> Create() = 0;
};

} // namespace platform
