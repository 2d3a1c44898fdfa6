#pragma once

#include <cstddef>
#include <cstdint>

// The device's wave header: where the samples are, how many bytes the buffer holds
// and how many were recorded into it. Pointer-sized fields take the native width.
struct TWaveHdr {
    char* lpData;
    std::uint32_t dwBufferLength;
    std::uint32_t dwBytesRecorded;
    std::uintptr_t dwUser;
    std::uint32_t dwFlags;
    std::uint32_t dwLoops;
    TWaveHdr* lpNext;
    std::uintptr_t reserved;
};

inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;

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
