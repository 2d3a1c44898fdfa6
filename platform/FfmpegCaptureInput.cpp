#include "platform/FfmpegCaptureInput.h"

#include <alsa/asoundlib.h>

namespace platform {

namespace {

// The string a PCM definition holds under `key`; empty when it holds none.
std::string DefinitionString(snd_config_t* definition, const char* key)
{
    snd_config_t* node = nullptr;
    const char* value = nullptr;
    if (snd_config_search(definition, key, &node) < 0 || snd_config_get_string(node, &value) < 0 ||
        value == nullptr)
        return {};
    return value;
}

} // namespace

FfmpegInput FfmpegInputFor(const std::string& pcm)
{
    const FfmpegInput alsa{"alsa", pcm};
    // A private reference to the configuration: the capture thread may read it meanwhile.
    snd_config_t* top = nullptr;
    if (snd_config_update_ref(&top) < 0)
        return alsa;
    snd_config_t* definition = nullptr;
    FfmpegInput input = alsa;
    if (snd_config_search_definition(top, "pcm", pcm.c_str(), &definition) >= 0) {
        if (DefinitionString(definition, "type") == "pulse") {
            const std::string source = DefinitionString(definition, "device");
            input = {"pulse", source.empty() ? "default" : source};
        }
        snd_config_delete(definition);
    }
    snd_config_unref(top);
    return input;
}

} // namespace platform
