#pragma once

#include <cstddef>

// Counts calls of the global operator new made by this test program, so a test can
// prove that a piece of code allocates nothing.
std::size_t AllocationCount();
