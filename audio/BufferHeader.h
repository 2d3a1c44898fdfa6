#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WaveTypes.h"

// One heap block: the wave header, 28 reserved zero bytes and then the samples.
// A component that hands on a transformed buffer may point lpSource at the
// header it came from; readers then take the samples from there.
struct BufferHeader {
    TWaveHdr hdr;
    std::uint8_t reserved0[8];
    BufferHeader* lpSource;
    std::uint8_t reserved1[12];
};
static_assert(offsetof(BufferHeader, lpSource) == sizeof(TWaveHdr) + 8,
              "the source link sits 8 bytes into the reserved area");
static_assert(sizeof(BufferHeader) - sizeof(TWaveHdr) >= 28, "28 reserved bytes follow the header");

// Offset of the samples from the start of the block.
inline constexpr std::size_t kBufferHeaderBytes = sizeof(BufferHeader);

// The samples a reader should use: the source header's when one is linked.
inline const BufferHeader* DataHeader(const BufferHeader* header)
{
    return header->lpSource != nullptr ? header->lpSource : header;
}
