#pragma once

#include <filesystem>
#include <functional>
#include <sys/types.h>
#include <vector>

class QProcess;

namespace platform {

// Makes the process started by `process` die with this program, whatever ends it
// (kill -9 included): the kernel sends the child SIGKILL when its parent goes.
// `alsoInChild` runs in the child before its program starts (async-signal-safe calls
// only), for example to hand it a descriptor.
void TieLifetimeToProgram(QProcess& process, std::function<void()> alsoInChild = {});

// Ends (TERM, then KILL after a grace period) every process of this user that runs
// `program` with `workingFolder` as its current folder: the processes an earlier
// instance of the same station left behind. Returns their ids.
std::vector<pid_t> EndLeftoverProcesses(const std::filesystem::path& program,
                                        const std::filesystem::path& workingFolder);

} // namespace platform
