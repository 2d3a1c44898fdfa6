#include "meters/OscopeColumns.h"

#include <cstring>

namespace {

int Sample(const OscopeLayout& layout, const std::uint8_t* data, int frame, int channel)
{
    const int index = frame * (layout.mode + 1) + channel;
    if (layout.bits == b8Bit)
        return data[index];
    std::int16_t value;
    std::memcpy(&value, data + 2 * index, sizeof value);
    return value;
}

// 8-bit samples keep their bias here; To16 moves them to the signed 16-bit range.
int Raw(const OscopeLayout& layout, const std::uint8_t* data, int frame)
{
    if (layout.mode == mMono)
        return Sample(layout, data, frame, 0);
    if (layout.channel == chBoth) {
        const int sum = Sample(layout, data, frame, 0) + Sample(layout, data, frame, 1);
        return layout.bits == b8Bit ? sum >> 1 : sum / 2;
    }
    return Sample(layout, data, frame, layout.channel == chLeft ? 0 : 1);
}

int To16(const OscopeLayout& layout, int raw)
{
    return layout.bits == b8Bit ? raw * 256 - 32768 : raw;
}

MinMaxPair ScanChannel(const OscopeLayout& layout, const std::uint8_t* data, int frames,
                       int channel)
{
    const int bias = layout.bits == b8Bit ? 128 : 0;
    const int limit = layout.bits == b8Bit ? 127 : 32767;
    int smallest = limit, largest = -limit;
    int smallestAt = 0, largestAt = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const int s = Sample(layout, data, frame, channel) - bias;
        if (s < smallest) {
            smallest = s;
            smallestAt = frame;
        }
        if (s > largest) {
            largest = s;
            largestAt = frame;
        }
    }
    if (largestAt < smallestAt)
        return {largest + bias, smallest + bias};
    return {smallest + bias, largest + bias};
}

} // namespace

std::int32_t OscopeBytesPerRefresh(const OscopeLayout& layout, int columns, int zoom, bool scroll,
                                   int fftLength)
{
    const std::int32_t frame = layout.FrameBytes();
    if (scroll)
        return frame * fftLength;
    if (zoom >= 1)
        return frame * columns * zoom;
    return (frame * columns / (1 - zoom) + 5) & ~3;
}

int FrameValue(const OscopeLayout& layout, const std::uint8_t* data, int frame)
{
    return To16(layout, Raw(layout, data, frame));
}

void FillColumns(const OscopeLayout& layout, const std::uint8_t* data, int zoom, bool lowPass,
                 std::span<std::int16_t> columns)
{
    const int count = static_cast<int>(columns.size());
    int before = 0; // the unsmoothed column left of the current one
    for (int i = 0; i < count; ++i) {
        const int frame = zoom >= 1 ? i * zoom : i / (1 - zoom);
        const int value = FrameValue(layout, data, frame);
        columns[i] = static_cast<std::int16_t>(lowPass ? (before + 3 * value) / 4 : value);
        before = value;
    }
}

std::pair<MinMaxPair, MinMaxPair> ScanMinMax(const OscopeLayout& layout, const std::uint8_t* data,
                                             int frames)
{
    const MinMaxPair left = ScanChannel(layout, data, frames, 0);
    if (layout.mode == mMono)
        return {left, left};
    return {left, ScanChannel(layout, data, frames, 1)};
}

MinMaxPair RecorderExtremes(const OscopeLayout& layout, const std::uint8_t* data, int frames)
{
    const auto [left, right] = ScanMinMax(layout, data, frames);
    MinMaxPair raw = layout.channel == chRight ? right : left;
    if (layout.mode != mMono && layout.channel == chBoth) {
        if (layout.bits == b8Bit)
            raw = {(left.first + right.first) >> 1, (left.second + right.second) >> 1};
        else
            raw = {(left.first + right.first) / 2, (left.second + right.second) / 2};
    }
    return {To16(layout, raw.first), To16(layout, raw.second)};
}
