#include "spectrum/FftKernels.h"
#include "spectrum/MMFFT.h"

spectrum::ForwardKernel spectrum::BestForwardKernel()
{
#if defined(SONAVIA_FFT_AVX2_KERNEL)
    if (__builtin_cpu_supports("avx2"))
        return ForwardAvx2;
#endif
    return ForwardBaseline;
}

void RunRealTransform(const TransformPlan* plan, float* data, int direction)
{
    if (plan == nullptr || data == nullptr)
        return;
    static const spectrum::ForwardKernel forward = spectrum::BestForwardKernel();
    forward(data, plan->Length / 2, plan->Twiddle.get(), plan->BitRev.get(), plan->Split.get());
    if (direction < 0) {
        // For real input the positive-kernel transform is the conjugate of the
        // negative-kernel one, so the same butterflies serve and only the sign of
        // the imaginary parts and the 1/n scale differ.
        for (int i = 0; i < plan->Length; i += 2) {
            data[i] *= plan->InvLength;
            data[i + 1] *= -plan->InvLength;
        }
    }
}
