#pragma once

// How the oscilloscope turns a block of interleaved PCM into its column values:
// signed 16-bit numbers, one per pixel column, whatever the block's layout.

#include "audio/MMTypes.h"

#include <cstdint>
#include <span>
#include <utility>

// Where the samples of one block come from and which of them are shown.
struct OscopeLayout {
    TMMBits bits = b8Bit;
    TMMMode mode = mMono;
    TMMChannel channel = chBoth;

    int FrameBytes() const { return (bits + 1) * (mode + 1); }
};

// Bytes one update reads: a whole block of FFTLength frames when scrolling,
// otherwise enough frames for every column at the zoom.
std::int32_t OscopeBytesPerRefresh(const OscopeLayout& layout, int columns, int zoom, bool scroll,
                                   int fftLength);

// The shown value of frame j: the chosen channel (or the mean of both), 8-bit
// data moved to the 16-bit range.
int FrameValue(const OscopeLayout& layout, const std::uint8_t* data, int frame);

// Zoom >= 1: column i is frame i * zoom; zoom <= -1: each frame fills 1 - zoom
// columns. LowPass mixes each column with a quarter of the one before.
void FillColumns(const OscopeLayout& layout, const std::uint8_t* data, int zoom, bool lowPass,
                 std::span<std::int16_t> columns);

// One channel's extremes over a block, the earlier one first.
struct MinMaxPair {
    int first = 0;
    int second = 0;
};

// The smallest and largest sample of each channel of `frames` frames (left,
// right; mono gives the same pair twice). 8-bit results keep their 128 bias.
std::pair<MinMaxPair, MinMaxPair> ScanMinMax(const OscopeLayout& layout, const std::uint8_t* data,
                                             int frames);

// The two column values the recorder draws for one block: the chosen channel's
// extremes in the order they occurred, on the 16-bit scale.
MinMaxPair RecorderExtremes(const OscopeLayout& layout, const std::uint8_t* data, int frames);
