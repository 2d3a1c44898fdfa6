#include "platform/ProcessLifetime.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// A long-running program started in the given folder.
std::unique_ptr<QProcess> SleepIn(const std::filesystem::path& folder)
{
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(QString::fromStdString(folder.string()));
    process->start(QStringLiteral("sleep"), {QStringLiteral("60")});
    EXPECT_TRUE(process->waitForStarted(5000));
    return process;
}

} // namespace

TEST(ProcessLifetime, OnlyTheProgramRunningInTheGivenFolderIsEnded)
{
    testsupport::TempFolder station;
    testsupport::TempFolder elsewhere;
    const auto leftover = SleepIn(station.path());
    const auto other = SleepIn(elsewhere.path());
    const auto ended = platform::EndLeftoverProcesses("/usr/bin/sleep", station.path());
    EXPECT_EQ(ended, std::vector<pid_t>{static_cast<pid_t>(leftover->processId())});
    EXPECT_TRUE(leftover->waitForFinished(5000));
    EXPECT_EQ(other->state(), QProcess::Running);
    other->kill();
    other->waitForFinished(5000);
}
