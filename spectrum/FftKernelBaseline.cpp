#include "spectrum/FftKernels.h"

#include "spectrum/FftKernelBody.h"

void spectrum::ForwardBaseline(float* data, int points, const TwiddleRecord* twiddle,
                               const std::int32_t* bitRev, const SplitRecord* split)
{
    ForwardTransform(data, points, twiddle, bitRev, split);
}
