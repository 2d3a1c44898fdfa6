#pragma once

#include <cstddef>

// Counts calls of the C library's sine and cosine functions made anywhere in this test
// program (they are wrapped here and forwarded), so a test can prove that code takes
// its rotations from tables instead of computing them.
std::size_t TrigonometricCalls();
