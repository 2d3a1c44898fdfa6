#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The private-profile routine of the station: one key per line, "key=value", under
// "[section]" headers. Values are raw bytes (Windows-1252 on disk); a value runs
// from the first '=' to the end of its line.

// The value without the blanks (spaces, tabs) around it, as a hand-edited
// "key = value" means it. A missing file, section or key reads as the empty string.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key);

// The value exactly as stored, so that every byte other than NUL, CR and LF survives a
// round trip (a scrambled password may begin or end with a blank).
std::string ReadProfileBytes(const std::filesystem::path& file, std::string_view section,
                             std::string_view key);

// Replaces the key's value in place, or appends the key (and its section) when
// missing. The file is rewritten through a temporary file and a rename, so a crash
// never leaves it half written, and is left readable by its owner only: it holds the
// account password. Failure raises EIniFileException "Unable to write to <file>";
// so does a value holding NUL, CR or LF, which the layout cannot keep.
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// Writes several keys, in order, in one replacement of the file: a crash leaves either
// all of them or none. A file that is not text (it holds NUL bytes) is started afresh.
void WriteProfileStrings(const std::filesystem::path& file, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values);

// True when the file has a "[section]" header.
bool HasProfileSection(const std::filesystem::path& file, std::string_view section);

} // namespace platform
