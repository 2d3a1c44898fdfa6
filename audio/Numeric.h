#pragma once

// The integer arithmetic that the audio components and displays share, rounded the
// way their pixels and byte counts have always been rounded. Clamping is
// std::clamp everywhere.

#include <algorithm>
#include <cstdint>

// a * b / c in 64 bits, rounded to nearest (halves away from zero for c > 0).
std::int64_t ScaleRounded(std::int64_t a, std::int64_t b, std::int64_t c);

// The platform's MulDiv: a * b / c rounded to the nearest integer, halves away
// from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

// Rounds half to even (the FPU's default rounding), saturating at the 32-bit range.
std::int64_t RoundHalfEven(double value);
