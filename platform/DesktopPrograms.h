#pragma once

#include <string>
#include <vector>

namespace platform {

// Finds and starts the desktop's own programs. A program is started directly with
// its argument vector, never through a shell, and is not waited for.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // The full path of the program on the search path; empty when it is not installed.
    virtual std::string Find(const std::string& name) const = 0;
    // Starts the program and returns at once; false when it could not be started.
    virtual bool StartDetached(const std::string& program,
                               const std::vector<std::string>& arguments) = 0;
};

class QtProgramLauncher final : public ProgramLauncher {
public:
    std::string Find(const std::string& name) const override;
    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override;
};

// The launcher every part of the program uses; a test installs its own.
ProgramLauncher& ActiveProgramLauncher();
void SetActiveProgramLauncher(ProgramLauncher* launcher); // nullptr restores the real one

// The package that brings the recording-level tool, for the operator to install.
inline constexpr const char* kRecordingLevelToolPackage = "pavucontrol";

// Opens the desktop's recording-level settings: the PulseAudio volume control at its
// input devices, else alsamixer's capture view in a terminal. False when neither can
// be started.
bool StartRecordingLevelTool(ProgramLauncher& launcher);

} // namespace platform
