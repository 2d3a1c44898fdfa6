#include "platform/ProcessLifetime.h"

#include <QProcess>
#include <chrono>
#include <csignal>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

fs::path Canonical(const fs::path& path)
{
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    return error ? path : canonical;
}

// The link under /proc/<pid>/, or empty when the process is gone or not ours.
fs::path ProcLink(const fs::path& processFolder, const char* name)
{
    std::error_code error;
    const fs::path target = fs::read_symlink(processFolder / name, error);
    return error ? fs::path() : target;
}

// A zombie has no program any more, so it counts as ended.
bool StillRuns(pid_t pid, const fs::path& program)
{
    return ProcLink(fs::path("/proc") / std::to_string(pid), "exe") == program;
}

} // namespace

void TieLifetimeToProgram(QProcess& process, std::function<void()> alsoInChild)
{
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent, alsoInChild = std::move(alsoInChild)] {
        // Runs in the child between fork and exec: only async-signal-safe calls.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died before the request took effect.
        if (getppid() != parent)
            _exit(127);
        if (alsoInChild)
            alsoInChild();
    });
}

std::vector<pid_t> EndLeftoverProcesses(const fs::path& program, const fs::path& workingFolder)
{
    const fs::path wantedProgram = Canonical(program);
    const fs::path wantedFolder = Canonical(workingFolder);
    std::vector<pid_t> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid() || ProcLink(entry.path(), "exe") != wantedProgram ||
            ProcLink(entry.path(), "cwd") != wantedFolder)
            continue;
        if (kill(pid, SIGTERM) == 0)
            found.push_back(pid);
    }
    // A leftover encoder that does not end on TERM within its grace period is killed.
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    for (const pid_t pid : found) {
        while (StillRuns(pid, wantedProgram) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        if (StillRuns(pid, wantedProgram))
            kill(pid, SIGKILL);
    }
    return found;
}

} // namespace platform
