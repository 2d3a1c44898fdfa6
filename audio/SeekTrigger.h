#pragma once

#include "audio/MMTypes.h"
#include "audio/WaveFormat.h"

#include <cstdint>

// Finds where a signal crosses the trigger level, so the oscilloscope can start
// its trace at an edge. Looks at the samples of one channel (0 = the first) in
// consecutive frames of the bytes available; levelPercent is in percent of full
// scale. Returns the byte offset of the frame just past the crossing, or -1 when
// there is none (always -1 for tmNone or no data).
std::int32_t SeekTrigger(const TWaveFormatEx* format, const std::uint8_t* data, std::int32_t bytes,
                         std::int32_t levelPercent, TMMTriggerMode mode, std::int32_t channel);
