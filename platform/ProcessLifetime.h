#pragma once

#include <filesystem>
#include <sys/types.h>
#include <vector>

class QProcess;

namespace platform {

// Makes the process started by `process` die with this program, whatever ends it
// (kill -9 included): the kernel sends the child SIGKILL when its parent goes.
void TieLifetimeToProgram(QProcess& process);

// Ends (TERM, then KILL after a grace period) every process of this user that runs
// `program` with `workingFolder` as its current folder: the processes an earlier
// instance of the same station left behind. Returns their ids.
std::vector<pid_t> EndLeftoverProcesses(const std::filesystem::path& program,
                                        const std::filesystem::path& workingFolder);

} // namespace platform
