#include "spectrum/SpectrumBlock.h"

#include <cmath>
#include <cstring>

namespace {

std::int32_t Sample16(const std::uint8_t* at)
{
    std::int16_t sample;
    std::memcpy(&sample, at, sizeof sample);
    return sample;
}

// Sample i of the signal as stored (8-bit: the unsigned byte), and whether it
// reached positive full scale.
struct Reader {
    const std::uint8_t* data;
    BlockLayout layout;

    std::int32_t operator()(int i, bool& overflow) const
    {
        const bool stereo = layout.mode != mMono;
        if (layout.bits == b16Bit) {
            if (!stereo) {
                const std::int32_t s = Sample16(data + 2 * i);
                overflow = s >= 32767;
                return s;
            }
            const std::uint8_t* frame = data + 4 * i;
            if (layout.channel == chBoth) {
                const std::int32_t s = (Sample16(frame) + Sample16(frame + 2)) / 2;
                overflow = s >= 32766;
                return s;
            }
            const std::int32_t s = Sample16(frame + (layout.channel == chLeft ? 0 : 2));
            overflow = s >= 32767;
            return s;
        }
        std::int32_t s;
        if (!stereo)
            s = data[i];
        else if (layout.channel == chBoth)
            s = (data[2 * i] + data[2 * i + 1]) >> 1;
        else
            s = data[2 * i + (layout.channel == chLeft ? 0 : 1)];
        overflow = s >= 255;
        return s;
    }
};

} // namespace

int PrepareBlock(const std::uint8_t* data, int n, BlockLayout layout, int order,
                 const std::int32_t* window, float* y)
{
    const Reader read{data, layout};
    const bool eightBit = layout.bits == b8Bit;
    const std::int64_t divisor = eightBit ? 128 : 32768;
    int overflows = 0;
    bool overflow = false;
    // The first differences of a block are 0: the history starts at its first value.
    std::int32_t prev1 = read(0, overflow);
    std::int32_t prev2 = prev1;
    for (int i = 0; i < n; ++i) {
        const std::int32_t s = read(i, overflow);
        overflows += overflow ? 1 : 0;
        std::int32_t x;
        if (order == 1)
            x = s - prev1;
        else if (order == 2)
            x = s + prev2 - 2 * prev1;
        else
            x = eightBit ? s - 128 : s;
        prev2 = prev1;
        prev1 = s;
        y[i] = static_cast<float>(std::int64_t(x) * window[i] / divisor);
    }
    return overflows;
}

void StoreSpectrum(const float* transformed, int n, std::int16_t* spectrum)
{
    const float half = static_cast<float>(n / 2);
    for (int i = 0; i < n; ++i) {
        const auto value = static_cast<std::int64_t>(std::trunc(transformed[i] / half));
        spectrum[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
}
