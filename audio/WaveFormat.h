#pragma once

#include <cstddef>
#include <cstdint>

// The 18-byte PCM wave format record, packed and little-endian, as devices and
// displays exchange it.
#pragma pack(push, 1)
struct TWaveFormatEx {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18, "the wave format record is 18 bytes");

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

std::int32_t Min(std::int32_t a, std::int32_t b);
std::int32_t Max(std::int32_t a, std::int32_t b);
std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi); // lo when v < lo

// a * b / c in 64 bits, rounded to nearest.
std::int64_t ScaleRounded(std::int64_t a, std::int64_t b, std::int64_t c);

// A fixed, zero-filled heap block; raises EOutOfMemory when none can be had.
void* AllocFixedBlock(std::size_t size);
void FreeFixedBlock(void*& block);

void BuildPcmFormat(TWaveFormatEx* f, int bits, int channels, std::uint32_t rate);
bool IsPcmFormatValid(const TWaveFormatEx* f);
std::size_t FormatRecordSize(const TWaveFormatEx* f);
// A new block (free with FreeFormat) holding a copy, or nullptr for none.
TWaveFormatEx* CloneFormat(const TWaveFormatEx* f);
void FreeFormat(TWaveFormatEx*& f);

std::int64_t BytesToFrames(const TWaveFormatEx* f, std::int64_t bytes);
std::int64_t BytesToMilliseconds(const TWaveFormatEx* f, std::int64_t bytes);
std::int64_t FramesToBytes(const TWaveFormatEx* f, std::int64_t frames);
std::int64_t MillisecondsToBytes(const TWaveFormatEx* f, std::int64_t ms);
