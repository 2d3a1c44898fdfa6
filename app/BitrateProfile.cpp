#include "app/BitrateProfile.h"

#include <algorithm>
#include <cctype>

namespace app {

const std::array<BitrateProfile, 4> BitrateProfiles{{
    {"32000", "4000", "32000", "1536", "008800001700001E0000"},
    {"64008", "8001", "48000", "2731", "008800000F00AD2A0000"},
    {"96000", "12000", "48000", "4096", "008800000F0000400000"},
    {"128016", "16002", "48000", "5462", "008800000F0059550000"},
}};

const BitrateProfile* FindBitrateProfile(const std::string& kbps)
{
    for (const BitrateProfile& row : BitrateProfiles)
        if (kbps == row.bitrate)
            return &row;
    return nullptr;
}

namespace {

bool SameLetterIgnoringCase(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

std::size_t FindIgnoringCase(const std::string& text, const std::string& what)
{
    const auto found =
        std::search(text.begin(), text.end(), what.begin(), what.end(), SameLetterIgnoringCase);
    return found == text.end() ? std::string::npos : static_cast<std::size_t>(found - text.begin());
}

void ReplaceFirstIgnoringCase(std::string& text, const std::string& what, const std::string& by)
{
    const std::size_t at = FindIgnoringCase(text, what);
    if (at != std::string::npos)
        text.replace(at, what.size(), by);
}

void ReplaceEvery(std::string& text, const std::string& what, const std::string& by)
{
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + by.size()))
        text.replace(at, what.size(), by);
}

std::string Fragment(const std::string& name, const std::string& value)
{
    return name + "=\"" + value + "\"";
}

// The row a profile text currently holds, told by the first five characters of the
// bitrate value (which is why "128016" is known by "12801").
const BitrateProfile* SourceRow(const std::string& currentValue)
{
    if (currentValue == "12801")
        return FindBitrateProfile("128016");
    const BitrateProfile* row = FindBitrateProfile(currentValue);
    return row != nullptr && std::string(row->bitrate) != "128016" ? row : nullptr;
}

} // namespace

std::string ApplyBitrateProfile(const std::string& text, const BitrateProfile& row)
{
    const std::size_t bitrateAt = text.find("bitrate");
    if (bitrateAt == std::string::npos)
        return text;
    const std::size_t valueAt = bitrateAt + 9;
    const std::string current = valueAt < text.size() ? text.substr(valueAt, 5) : std::string();
    const std::string target = row.bitrate;
    if (current == target)
        return text;
    const BitrateProfile* source = SourceRow(current);
    if (source == nullptr)
        return text;

    std::string result = text;
    if (std::string(source->bitrate) == "128016")
        ReplaceEvery(result, "128016", target);
    else
        ReplaceFirstIgnoringCase(result, source->bitrate, target);

    const struct {
        const char* name;
        std::string from;
        std::string to;
    } fragments[] = {
        {"nAvgBytesPerSec", source->nAvgBytesPerSec, row.nAvgBytesPerSec},
        {"nSamplesPerSec", source->nSamplesPerSec, row.nSamplesPerSec},
        {"lsamplesize", source->blockSize, row.blockSize},
        {"nBlockAlign", source->blockSize, row.blockSize},
        {"codecdata", source->codecdata, row.codecdata},
    };
    for (const auto& fragment : fragments)
        ReplaceFirstIgnoringCase(result, Fragment(fragment.name, fragment.from),
                                 Fragment(fragment.name, fragment.to));
    return result;
}

} // namespace app
