#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// Replaces a whole file: the bytes go to a temporary file in the same folder, are
// flushed to disk, and the temporary file is renamed over the target. Either the
// old or the new contents survive a crash or a full disk, never a mixture.
// Returns false (and leaves the target untouched) on any failure.
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms permissions);

} // namespace platform
