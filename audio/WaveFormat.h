#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/Numeric.h"
#include "platform/WaveTypes.h"

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
