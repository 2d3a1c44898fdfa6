#pragma once

#include <string>

namespace platform {

// How ffmpeg is told to record a capture device: its input format and device name.
struct FfmpegInput {
    std::string format; // "alsa" or "pulse"
    std::string device;
};

// The ffmpeg input that records the ALSA capture PCM `pcm`. A PCM that is ALSA's
// PulseAudio plugin is recorded from PulseAudio directly: the same source, without the
// plugin's extra copy and its many small wake-ups, which cost the encoder three times
// the CPU of the encoding itself.
FfmpegInput FfmpegInputFor(const std::string& pcm);

} // namespace platform
