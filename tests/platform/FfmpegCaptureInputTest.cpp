#include "platform/FfmpegCaptureInput.h"

#include <gtest/gtest.h>

// ALSA's PulseAudio plugin (libasound2-plugins) is recorded from PulseAudio itself;
// every other PCM through ALSA under its own name.
TEST(FfmpegCaptureInput, PulsePluginIsRecordedFromPulseAudioOthersThroughAlsa)
{
    const struct {
        const char* pcm;
        const char* format;
        const char* device;
    } cases[] = {
        {"pulse", "pulse", "default"},
        {"hw:CARD=Um,DEV=0", "alsa", "hw:CARD=Um,DEV=0"},
        {"null", "alsa", "null"},
        {"no-such-pcm", "alsa", "no-such-pcm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pcm);
        const platform::FfmpegInput input = platform::FfmpegInputFor(c.pcm);
        EXPECT_EQ(input.format, c.format);
        EXPECT_EQ(input.device, c.device);
    }
}
