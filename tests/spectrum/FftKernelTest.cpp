#include "spectrum/FftKernels.h"
#include "spectrum/MMFFT.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

std::vector<float> RandomSamples(int n, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(n);
    for (float& s : samples)
        s = uniform(random);
    return samples;
}

std::vector<float> RunKernel(spectrum::ForwardKernel kernel, const TransformPlan& plan,
                             std::vector<float> data)
{
    kernel(data.data(), plan.Length / 2, plan.Twiddle.get(), plan.BitRev.get(), plan.Split.get());
    return data;
}

bool ProcessorHasAvx2()
{
#if defined(SONAVIA_FFT_AVX2_KERNEL)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace

TEST(FftKernel, BaselineAndAvx2KernelsGiveIdenticalResults)
{
    if (!ProcessorHasAvx2())
        GTEST_SKIP() << "this processor has no AVX2";
#if defined(SONAVIA_FFT_AVX2_KERNEL)
    for (int order = 1; order <= 14; ++order) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const auto input = RandomSamples(plan->Length, 7u * order);
        EXPECT_EQ(RunKernel(spectrum::ForwardBaseline, *plan, input),
                  RunKernel(spectrum::ForwardAvx2, *plan, input));
        DisposeTransformPlan(plan);
    }
#endif
}

TEST(FftKernel, RunRealTransformUsesTheBestKernel)
{
    TransformPlan* plan = NewTransformPlan(9);
    ASSERT_NE(plan, nullptr);
    auto data = RandomSamples(plan->Length, 99u);
    const auto expected = RunKernel(spectrum::BestForwardKernel(), *plan, data);
    RunRealTransform(plan, data.data(), +1);
    EXPECT_EQ(data, expected);
    DisposeTransformPlan(plan);
}

// Lengths beyond the analyser's, checked on a spread of bins so that the direct sums
// stay cheap: the recursion and the permutation must hold at any size.
TEST(FftKernel, LongTransformsMatchDirectSumsOnSampledBins)
{
    for (int order : {13, 16}) {
        SCOPED_TRACE(order);
        TransformPlan* plan = NewTransformPlan(order);
        ASSERT_NE(plan, nullptr);
        const int n = plan->Length;
        const auto input = RandomSamples(n, 5u);
        auto output = input;
        RunRealTransform(plan, output.data(), +1);
        std::vector<std::complex<long double>> roots(n);
        for (int m = 0; m < n; ++m)
            roots[m] = std::polar(1.0L, -2 * std::numbers::pi_v<long double> * m / n);
        long double worst = 0, peak = 0;
        for (int k = 0; k < n / 2; k += n / 2 / 61 + 1) {
            std::complex<long double> sum = 0;
            for (int j = 0; j < n; ++j)
                sum +=
                    static_cast<long double>(input[j]) * roots[(static_cast<long long>(j) * k) % n];
            const std::complex<long double> got(output[2 * k], output[2 * k + 1]);
            worst = std::max(worst, std::abs(got - sum));
            peak = std::max(peak, std::abs(sum));
        }
        // The same half-epsilon-per-stage bound as the full comparisons.
        EXPECT_LE(static_cast<double>(worst / peak), 0.5 * order * FLT_EPSILON);
        DisposeTransformPlan(plan);
    }
}
