#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> live{0};
thread_local long untilFailure = -1; // this thread only; negative: never fail

void* Allocate(std::size_t size, std::size_t alignment)
{
    if (untilFailure >= 0 && untilFailure-- == 0)
        throw std::bad_alloc();
    allocations.fetch_add(1);
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* block = alignment <= alignof(std::max_align_t)
                      ? std::malloc(size == 0 ? 1 : size)
                      : std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
    if (block == nullptr)
        throw std::bad_alloc();
    live.fetch_add(1);
    return block;
}

void Release(void* block)
{
    if (block == nullptr)
        return;
    live.fetch_sub(1);
    std::free(block);
}
} // namespace

std::size_t AllocationCount()
{
    return allocations.load();
}
std::size_t LiveAllocations()
{
    return live.load();
}
void FailAllocationAfter(std::size_t successes)
{
    untilFailure = static_cast<long>(successes);
}

// Single and array forms are both replaced: a sanitizer runtime brings its own array
// forms, which would bypass the counter. The nothrow forms of the standard library
// end up here too.
void* operator new(std::size_t size)
{
    return Allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size)
{
    return Allocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    Release(block);
}
void operator delete(void* block, std::align_val_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept
{
    Release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept
{
    Release(block);
}
