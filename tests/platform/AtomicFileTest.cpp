#include "platform/AtomicFile.h"
#include "support/TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr auto kOwnerOnly =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

// Caps the size of files this process may write, as a nearly full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

std::size_t EntriesIn(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

} // namespace

TEST(AtomicFile, ReplacesTheContentsWithTheGivenPermissions)
{
    testsupport::TempFolder folder;
    const auto file = folder / "cfg.ini";
    testsupport::WriteBytes(file, "old");
    ASSERT_TRUE(platform::ReplaceFileContents(file, "new contents", kOwnerOnly));
    EXPECT_EQ(testsupport::ReadBytes(file), "new contents");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(AtomicFile, AWriteThatFailsHalfwayLeavesTheOldBytesAndNoTemporaryFile)
{
    testsupport::TempFolder folder;
    const auto file = folder / "cfg.ini";
    testsupport::WriteBytes(file, "[Geral]\r\nA=1\r\n");
    bool replaced = true;
    {
        FileSizeLimit limit(64);
        replaced = platform::ReplaceFileContents(file, std::string(4096, 'x'), kOwnerOnly);
    }
    EXPECT_FALSE(replaced);
    EXPECT_EQ(testsupport::ReadBytes(file), "[Geral]\r\nA=1\r\n");
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(AtomicFile, AReadOnlyTargetIsLeftAlone)
{
    testsupport::TempFolder folder;
    const auto file = folder / "cfg.ini";
    testsupport::WriteBytes(file, "old");
    ::chmod(file.c_str(), 0400);
    EXPECT_FALSE(platform::ReplaceFileContents(file, "new", kOwnerOnly));
    EXPECT_EQ(testsupport::ReadBytes(file), "old");
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}
