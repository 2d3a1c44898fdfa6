#include "audio/Allocator.h"

#include "audio/WaveFormat.h"

TMMAllocator::~TMMAllocator()
{
    FreeAll();
}

void* TMMAllocator::AllocBuffer(std::uint32_t /*flags: every block is fixed and zero-filled*/,
                                std::size_t size)
{
    std::lock_guard lock(mutex_);
    Entry* chosen = nullptr;
    for (Entry& entry : entries_) {
        if (entry.useCount == 0 && entry.size == size) {
            chosen = &entry;
            break;
        }
    }
    if (chosen == nullptr) {
        for (Entry& entry : entries_) {
            if (entry.useCount == 0 && entry.size >= size) {
                chosen = &entry;
                break;
            }
        }
    }
    if (chosen == nullptr) {
        entries_.push_back({AllocFixedBlock(size), size, 0});
        chosen = &entries_.back();
    }
    chosen->useCount = 1;
    return chosen->block;
}

void TMMAllocator::FreeBuffer(void*& p)
{
    std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
        if (entry.block == p) {
            if (entry.useCount > 0)
                --entry.useCount;
            p = nullptr;
            return;
        }
    }
}

void TMMAllocator::FreeAll()
{
    std::lock_guard lock(mutex_);
    while (!entries_.empty()) {
        FreeFixedBlock(entries_.back().block);
        entries_.pop_back();
    }
}

std::size_t TMMAllocator::BlockCount() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::size_t TMMAllocator::BlocksInUse() const
{
    std::lock_guard lock(mutex_);
    std::size_t used = 0;
    for (const Entry& entry : entries_)
        used += entry.useCount > 0 ? 1 : 0;
    return used;
}
