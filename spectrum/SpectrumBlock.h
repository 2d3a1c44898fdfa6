#pragma once

#include "audio/MMTypes.h"

#include <cstdint>

// One block of captured PCM made ready for the transform, and the transform's
// result made into the spectrum block the bars are read from.

struct BlockLayout {
    TMMBits bits = b8Bit;
    TMMMode mode = mMono;
    TMMChannel channel = chBoth;
};

// Forms one signal sample from each of the n frames at data (mono, one channel,
// or the mean of both), applies the difference filter of the given order (0..2)
// and the Q15 window, and writes the n results to y. Returns how many samples
// reached positive full scale.
int PrepareBlock(const std::uint8_t* data, int n, BlockLayout layout, int order,
                 const std::int32_t* window, float* y);

// Each of the n transform values divided by n/2, truncated, kept as its low 16 bits.
void StoreSpectrum(const float* transformed, int n, std::int16_t* spectrum);

// re^2 + im^2 in 32-bit arithmetic; a sum that overflows counts as 0.
inline std::int32_t BinPower(std::int16_t re, std::int16_t im)
{
    const std::uint32_t sum = std::uint32_t(re * re) + std::uint32_t(im * im);
    const auto power = static_cast<std::int32_t>(sum);
    return power < 0 ? 0 : power;
}
