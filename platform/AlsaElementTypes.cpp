#include "platform/AlsaElementTypes.h"

#include "platform/MixerService.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace platform {
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::uint32_t SourceTypeForElement(const std::string& name)
{
    // First match wins: "Mic Boost" is a microphone, "Aux Line" an auxiliary input,
    // "Headphone" no telephone.
    static const std::pair<const char*, std::uint32_t> kWords[] = {
        {"headphone", SRC_UNDEFINED}, {"pc speaker", SRC_PCSPEAKER},
        {"mic", SRC_MICROPHONE},      {"aux", SRC_AUXILIARY},
        {"line", SRC_LINE},           {"cd", SRC_COMPACTDISC},
        {"phone", SRC_TELEPHONE},     {"beep", SRC_PCSPEAKER},
        {"synth", SRC_SYNTHESIZER},   {"midi", SRC_SYNTHESIZER},
        {"iec958", SRC_DIGITAL},      {"s/pdif", SRC_DIGITAL},
        {"digital", SRC_DIGITAL},     {"pcm", SRC_WAVEOUT},
        {"wave", SRC_WAVEOUT},        {"video", SRC_ANALOG},
        {"analog", SRC_ANALOG}};
    const std::string lower = Lower(name);
    for (const auto& [word, type] : kWords)
        if (lower.find(word) != std::string::npos)
            return type;
    return SRC_UNDEFINED;
}

std::string ControlNameForCapture(const std::string& pcmName)
{
    const auto card = [](const std::string& rest) {
        return "hw:" + rest.substr(0, rest.find(','));
    };
    for (const char* prefix : {"sysdefault:", "plughw:", "hw:"}) {
        const std::string p = prefix;
        if (pcmName.rfind(p, 0) == 0)
            return card(pcmName.substr(p.size()));
    }
    return pcmName; // "default", "pulse", "pipewire" have controls of the same name
}

} // namespace platform
