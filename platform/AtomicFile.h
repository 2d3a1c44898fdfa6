#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Replaces a whole file: the bytes go to a temporary file in the same folder, are
// flushed to disk, and the temporary file is renamed over the target. Either the
// old or the new contents survive a crash or a full disk, never a mixture.
// Returns false (and leaves the target untouched) on any failure.
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms permissions);

// Removes the temporary files that replacements of the folder's settings and session
// files (*.ini, *.xml) left when the program was killed half-way; they can hold a copy
// of the account password. Returns their names.
std::vector<std::string> RemoveLeftoverTemporaries(const std::filesystem::path& folder);

} // namespace platform
