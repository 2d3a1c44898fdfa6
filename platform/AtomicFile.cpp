#include "platform/AtomicFile.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view TemporarySuffix = ".XXXXXX";

// "<file>.ini.XXXXXX" or "<file>.xml.XXXXXX" with the six letters or digits mkstemp
// puts in place of the X's.
bool IsLeftoverTemporary(std::string_view name)
{
    if (name.size() <= TemporarySuffix.size())
        return false;
    const std::string_view base = name.substr(0, name.size() - TemporarySuffix.size());
    const std::string_view suffix = name.substr(base.size());
    if (suffix.front() != '.' || !(base.ends_with(".ini") || base.ends_with(".xml")))
        return false;
    for (const char c : suffix.substr(1))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms permissions)
{
    // A file the owner made read-only stays unwritten, as it would be in place.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 &&
        (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0))
        return false;

    std::string temporary = target.string() + std::string(TemporarySuffix);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, static_cast<mode_t>(permissions)) == 0;
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (ok && left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        ok = written > 0;
        if (ok) {
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

std::vector<std::string> RemoveLeftoverTemporaries(const std::filesystem::path& folder)
{
    std::vector<std::string> removed;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code ignored;
        if (entry.is_regular_file(ignored) && IsLeftoverTemporary(name) &&
            std::filesystem::remove(entry.path(), ignored))
            removed.push_back(name);
    }
    return removed;
}

} // namespace platform
