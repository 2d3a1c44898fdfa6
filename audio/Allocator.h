#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// A pool of zero-filled heap blocks. A block given back stays in the pool for the
// next request of a size it can serve, so reopening a device with the same buffer
// size allocates nothing. Every operation is locked: blocks may come back from any
// thread.
class TMMAllocator {
public:
    TMMAllocator() = default;
    ~TMMAllocator();
    TMMAllocator(const TMMAllocator&) = delete;
    TMMAllocator& operator=(const TMMAllocator&) = delete;

    // A free block of exactly `size` bytes, else the first free one that is large
    // enough, else a new one. Raises EOutOfMemory when none can be had.
    void* AllocBuffer(std::uint32_t flags, std::size_t size);
    // Gives the block back to the pool and clears p; unknown blocks are left alone.
    void FreeBuffer(void*& p);
    // Releases every block, in use or not.
    void FreeAll();

    std::size_t BlockCount() const;
    std::size_t BlocksInUse() const;

private:
    struct Entry {
        void* block;
        std::size_t size;
        std::int32_t useCount;
    };

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};
