#pragma once

#include <cstddef>

// Counts the global operator new calls of this test program and the blocks still
// live, so a test can prove that code allocates nothing or frees all it took; and
// can make an allocation fail to exercise out-of-memory paths.
std::size_t AllocationCount();
std::size_t LiveAllocations();

// On the calling thread, the allocation after 'successes' more succeed throws
// std::bad_alloc (once).
void FailAllocationAfter(std::size_t successes);
