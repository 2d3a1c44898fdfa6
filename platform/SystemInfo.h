#pragma once

#include <filesystem>
#include <string>

namespace platform {

// What the station asks of the machine it runs on.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The folder of the running executable, with no trailing separator. A station
    // keeps every file it owns there.
    virtual std::filesystem::path ExecutableFolder() const = 0;

    // Installation prefix of system programs; the encoder program is found under it.
    // Empty when it cannot be determined.
    virtual std::string ProgramFilesDir() const = 0;

    // True when a desktop sound server (PulseAudio or PipeWire) is running: capture
    // then goes through the server rather than the card's own hardware mixer.
    virtual bool DesktopSoundServerRunning() const = 0;
};

class LinuxSystemInfo final : public SystemInfo {
public:
    std::filesystem::path ExecutableFolder() const override;
    std::string ProgramFilesDir() const override;
    bool DesktopSoundServerRunning() const override;
};

// A fixed answer for every question, for tests and for tools that run a station
// from a folder of their choice.
class FixedSystemInfo final : public SystemInfo {
public:
    std::filesystem::path folder;
    std::string programFilesDir = "/usr";
    bool soundServer = false;

    std::filesystem::path ExecutableFolder() const override { return folder; }
    std::string ProgramFilesDir() const override { return programFilesDir; }
    bool DesktopSoundServerRunning() const override { return soundServer; }
};

} // namespace platform
