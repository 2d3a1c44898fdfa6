#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Exception.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace platform {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Section name of a "[name]" line, or nullopt-like empty view with false.
bool SectionName(std::string_view line, std::string_view& name)
{
    const auto trimmed = Trimmed(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']')
        return false;
    name = Trimmed(trimmed.substr(1, trimmed.size() - 2));
    return true;
}

bool KeyOfLine(std::string_view line, std::string_view key)
{
    const auto equals = line.find('=');
    return equals != std::string_view::npos && EqualNoCase(Trimmed(line.substr(0, equals)), key);
}

// Index range [begin, end) of the section's body lines; begin == npos when missing.
std::pair<std::size_t, std::size_t> FindSection(const std::vector<std::string>& lines,
                                                std::string_view section)
{
    constexpr auto npos = std::string::npos;
    std::size_t begin = npos;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (!SectionName(lines[i], name))
            continue;
        if (begin != npos)
            return {begin, i};
        if (EqualNoCase(name, section))
            begin = i + 1;
    }
    return {begin, lines.size()};
}

// Replaces the key's line in place, or adds it at the end of its section (creating the
// section when missing).
void SetKey(std::vector<std::string>& lines, std::string_view section, std::string_view key,
            const std::string& entry)
{
    auto [begin, end] = FindSection(lines, section);
    if (begin == std::string::npos) {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
        return;
    }
    const auto keyLine =
        std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                     lines.begin() + static_cast<std::ptrdiff_t>(end),
                     [&](const std::string& line) { return KeyOfLine(line, key); });
    if (keyLine != lines.begin() + static_cast<std::ptrdiff_t>(end)) {
        *keyLine = entry;
        return;
    }
    // After the section's last key, before any blank lines that end it.
    auto insertAt = end;
    while (insertAt > begin && Trimmed(lines[insertAt - 1]).empty())
        --insertAt;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

} // namespace

bool HasProfileSection(const std::filesystem::path& file, std::string_view section)
{
    return FindSection(ReadLines(file), section).first != std::string::npos;
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key)
{
    return std::string(Trimmed(ReadProfileBytes(file, section, key)));
}

std::string ReadProfileBytes(const std::filesystem::path& file, std::string_view section,
                             std::string_view key)
{
    const auto lines = ReadLines(file);
    const auto [begin, end] = FindSection(lines, section);
    if (begin == std::string::npos)
        return {};
    for (std::size_t i = begin; i < end; ++i) {
        if (KeyOfLine(lines[i], key))
            return lines[i].substr(lines[i].find('=') + 1);
    }
    return {};
}

void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value)
{
    WriteProfileStrings(file, section, {{std::string(key), std::string(value)}});
}

void WriteProfileStrings(const std::filesystem::path& file, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values)
{
    // A line break would end the value early and start a line of its own (a key
    // or section of the caller's choosing); refuse rather than corrupt the file.
    for (const auto& [key, value] : values)
        if (value.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos)
            throw EIniFileException("Unable to write to " + file.string() + ": the value of " +
                                    key +
                                    " contains a line break or NUL character; remove it and retry");
    auto lines = ReadLines(file);
    // A file holding NUL bytes is no text (a damaged disk, a wrong copy): nothing in it
    // can be kept, and patching it would leave the garbage around the keys.
    if (std::any_of(lines.begin(), lines.end(),
                    [](const std::string& line) { return line.find('\0') != std::string::npos; }))
        lines.clear();
    for (const auto& [key, value] : values)
        SetKey(lines, section, key, key + "=" + value);
    std::string content;
    for (const auto& line : lines)
        content += line + "\r\n";
    if (!ReplaceFileContents(file, content,
                             std::filesystem::perms::owner_read |
                                 std::filesystem::perms::owner_write))
        throw EIniFileException("Unable to write to " + file.string());
}

} // namespace platform
