#pragma once

#include "spectrum/MMFFT.h"

#include <cstdint>

// The forward transform's arithmetic, built once per instruction set: the baseline
// build runs on any x86-64, the AVX2 build does two complex values per instruction.
// Both do the same operations in the same order, so their results are identical.
namespace spectrum {

// Complex transform of N = 'points' values, bit reversal, DC step and real split.
using ForwardKernel = void (*)(float* data, int points, const TwiddleRecord* twiddle,
                               const std::int32_t* bitRev, const SplitRecord* split);

void ForwardBaseline(float* data, int points, const TwiddleRecord* twiddle,
                     const std::int32_t* bitRev, const SplitRecord* split);

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define SONAVIA_FFT_AVX2_KERNEL 1
void ForwardAvx2(float* data, int points, const TwiddleRecord* twiddle, const std::int32_t* bitRev,
                 const SplitRecord* split);
#endif

// The fastest kernel this processor runs.
ForwardKernel BestForwardKernel();

} // namespace spectrum
