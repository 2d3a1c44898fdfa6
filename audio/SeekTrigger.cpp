#include "audio/SeekTrigger.h"

#include <algorithm>
#include <cstring>

namespace {

std::int32_t SampleAt(const std::uint8_t* data, std::int32_t offset, bool sixteenBit)
{
    if (!sixteenBit)
        return data[offset];
    std::int16_t sample;
    std::memcpy(&sample, data + offset, sizeof sample);
    return sample;
}

} // namespace

std::int32_t SeekTrigger(const TWaveFormatEx* format, const std::uint8_t* data, std::int32_t bytes,
                         std::int32_t levelPercent, TMMTriggerMode mode, std::int32_t channel)
{
    if (mode == tmNone || bytes <= 0 || data == nullptr || format == nullptr ||
        format->nBlockAlign == 0)
        return -1;
    const bool sixteenBit = format->wBitsPerSample == 16;
    const std::int32_t level = mode == tmDownFlank ? -levelPercent : levelPercent;
    // 8-bit samples are unsigned around 128; 16-bit are signed around 0.
    const std::int32_t threshold = sixteenBit ? level * 327 : level * 127 / 100 + 128;
    const std::int32_t sampleBytes = sixteenBit ? 2 : 1;
    const std::int32_t frameBytes = format->nBlockAlign;
    const std::int32_t channels = format->nChannels > 0 ? format->nChannels : 1;
    if (frameBytes < channels * sampleBytes)
        return -1; // a frame that cannot hold its samples would be read past its end
    const std::int32_t channelOffset = std::clamp(channel, 0, channels - 1) * sampleBytes;
    const std::int32_t frames = bytes / frameBytes;

    for (std::int32_t k = 0; k + 2 < frames; ++k) {
        const std::int32_t now = SampleAt(data, k * frameBytes + channelOffset, sixteenBit);
        const std::int32_t next = SampleAt(data, (k + 1) * frameBytes + channelOffset, sixteenBit);
        const bool fires = mode == tmUpFlank ? (now < threshold && next >= threshold)
                                             : (now > threshold && next <= threshold);
        if (fires)
            return (k + 1) * frameBytes;
    }
    return -1;
}
