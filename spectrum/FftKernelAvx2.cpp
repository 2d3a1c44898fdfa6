#include "spectrum/FftKernels.h"

#if defined(SONAVIA_FFT_AVX2_KERNEL)

// Every library header must come before the target switch, so that no inline code
// shared with other files is built for AVX2.
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <memory>

// AVX2 only: no FMA, whose fused rounding would make the results differ from the
// baseline kernel's. The compiler does not redefine __AVX__ after this switch, hence
// our own macro for the code that picks AVX instructions.
#pragma GCC target("avx2")
#define SONAVIA_FFT_BUILD_AVX2 1

#include "spectrum/FftKernelBody.h"

void spectrum::ForwardAvx2(float* data, int points, const TwiddleRecord* twiddle,
                           const std::int32_t* bitRev, const SplitRecord* split)
{
    ForwardTransform(data, points, twiddle, bitRev, split);
}

#endif
