#include "audio/WaveFormat.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

void* AllocFixedBlock(std::size_t size)
{
    void* block = std::calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr)
        throw platform::EOutOfMemory("Out of memory");
    return block;
}

void FreeFixedBlock(void*& block)
{
    std::free(block);
    block = nullptr;
}

void BuildPcmFormat(TWaveFormatEx* f, int bits, int channels, std::uint32_t rate)
{
    f->wFormatTag = WAVE_FORMAT_PCM;
    f->nChannels = static_cast<std::uint16_t>(channels);
    f->nSamplesPerSec = rate;
    f->wBitsPerSample = static_cast<std::uint16_t>(bits);
    f->nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f->nAvgBytesPerSec = f->nBlockAlign * rate;
    f->cbSize = 0;
}

bool IsPcmFormatValid(const TWaveFormatEx* f)
{
    return f != nullptr && f->wFormatTag == WAVE_FORMAT_PCM &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) &&
           (f->nChannels == 1 || f->nChannels == 2) && f->nSamplesPerSec >= 4000 &&
           f->nSamplesPerSec <= 100000;
}

std::size_t FormatRecordSize(const TWaveFormatEx* f)
{
    if (f == nullptr)
        return 0;
    if (f->wFormatTag == WAVE_FORMAT_PCM)
        return sizeof(TWaveFormatEx);
    return sizeof(TWaveFormatEx) + f->cbSize;
}

TWaveFormatEx* CloneFormat(const TWaveFormatEx* f)
{
    const std::size_t size = FormatRecordSize(f);
    if (size == 0)
        return nullptr;
    auto* copy = static_cast<TWaveFormatEx*>(AllocFixedBlock(size));
    std::memcpy(copy, f, size);
    if (copy->wFormatTag == WAVE_FORMAT_PCM)
        copy->cbSize = 0;
    return copy;
}

void FreeFormat(TWaveFormatEx*& f)
{
    void* block = f;
    FreeFixedBlock(block);
    f = nullptr;
}

namespace {
std::int64_t RoundUpToBlock(const TWaveFormatEx* f, std::int64_t bytes)
{
    const std::int64_t align = f->nBlockAlign;
    if (align <= 1)
        return bytes;
    const std::int64_t rest = bytes % align;
    return rest == 0 ? bytes : bytes + align - rest;
}
} // namespace

std::int64_t BytesToFrames(const TWaveFormatEx* f, std::int64_t bytes)
{
    return ScaleRounded(bytes, f->nSamplesPerSec, f->nAvgBytesPerSec);
}

std::int64_t BytesToMilliseconds(const TWaveFormatEx* f, std::int64_t bytes)
{
    return ScaleRounded(bytes, 1000, f->nAvgBytesPerSec);
}

std::int64_t FramesToBytes(const TWaveFormatEx* f, std::int64_t frames)
{
    return RoundUpToBlock(f, ScaleRounded(frames, f->nAvgBytesPerSec, f->nSamplesPerSec));
}

std::int64_t MillisecondsToBytes(const TWaveFormatEx* f, std::int64_t ms)
{
    return RoundUpToBlock(f, ScaleRounded(ms, f->nAvgBytesPerSec, 1000));
}
