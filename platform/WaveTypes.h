#pragma once

#include <atomic>
#include <cstdint>

// The records a capture device and its client exchange: the PCM wave format and
// the wave header of one buffer.

// The 18-byte PCM wave format record, packed and little-endian.
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

// The wave header of one buffer: where the samples go, how many bytes the buffer
// holds and how many the device recorded. Pointer-sized fields take the native width.
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

inline constexpr std::uint32_t WHDR_DONE = 0x01;     // the device has finished with it
inline constexpr std::uint32_t WHDR_PREPARED = 0x02; // ready to be queued
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;  // queued on the device

// The flags are read by the client while the device's thread sets them.
inline std::uint32_t HeaderFlags(TWaveHdr* h)
{
    return std::atomic_ref<std::uint32_t>(h->dwFlags).load(std::memory_order_acquire);
}

inline void SetHeaderFlags(TWaveHdr* h, std::uint32_t set, std::uint32_t clear)
{
    std::atomic_ref<std::uint32_t> flags(h->dwFlags);
    std::uint32_t old = flags.load(std::memory_order_relaxed);
    while (!flags.compare_exchange_weak(old, (old & ~clear) | set, std::memory_order_acq_rel))
        ;
}
