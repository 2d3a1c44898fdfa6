#include "platform/DesktopPrograms.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Waits for a file that a started program writes; the launcher itself never waits.
bool AppearsWithin(const std::filesystem::path& file, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(file))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST(QtProgramLauncher, FindsInstalledProgramsAndNotMissingOnes)
{
    platform::QtProgramLauncher launcher;
    EXPECT_TRUE(std::filesystem::exists(launcher.Find("sh")));
    EXPECT_EQ(launcher.Find("no-such-program-sonavia"), "");
}

TEST(QtProgramLauncher, StartsWithoutAShellSoArgumentsArriveVerbatim)
{
    testsupport::TempFolder folder;
    platform::QtProgramLauncher launcher;
    // "$1" would be expanded and "; touch" run if a shell parsed the arguments.
    const std::string odd = (folder / "a b; touch x").string();
    ASSERT_TRUE(launcher.StartDetached("/usr/bin/touch", {odd}));
    EXPECT_TRUE(AppearsWithin(odd, std::chrono::seconds(5)));
    EXPECT_FALSE(std::filesystem::exists(folder / "a"));
}

TEST(QtProgramLauncher, AProgramThatCannotBeStartedIsReported)
{
    platform::QtProgramLauncher launcher;
    EXPECT_FALSE(launcher.StartDetached("/nonexistent/sonavia-tool", {}));
}
