#include "AllocationCounter.h"
#include "TrigCallCounter.h"
#include "spectrum/MMFFT.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using LongComplex = std::complex<long double>;
constexpr long double Pi = std::numbers::pi_v<long double>;

struct PlanDeleter {
    void operator()(TransformPlan* plan) const { DisposeTransformPlan(plan); }
};
using Plan = std::unique_ptr<TransformPlan, PlanDeleter>;

Plan MakePlan(int order)
{
    Plan plan(NewTransformPlan(order));
    EXPECT_NE(plan, nullptr);
    return plan;
}

// Bins 0 ... n/2 - 1 of sum x[j] e^(sign 2 pi i jk/n), straight from the definition.
std::vector<LongComplex> DirectDft(const std::vector<float>& x, int sign)
{
    const int n = static_cast<int>(x.size());
    std::vector<LongComplex> roots(n);
    for (int m = 0; m < n; ++m)
        roots[m] = std::polar(1.0L, sign * 2 * Pi * m / n);
    std::vector<LongComplex> bins(n / 2);
    for (int k = 0; k < n / 2; ++k) {
        LongComplex sum = 0;
        for (int j = 0; j < n; ++j)
            sum += static_cast<long double>(x[j]) * roots[(static_cast<long>(j) * k) % n];
        bins[k] = sum;
    }
    return bins;
}

std::vector<float> Transformed(const TransformPlan* plan, std::vector<float> x, int direction)
{
    RunRealTransform(plan, x.data(), direction);
    return x;
}

// Largest bin error divided by the largest reference bin magnitude.
double RelativeError(const std::vector<float>& got, const std::vector<LongComplex>& want)
{
    long double worst = 0;
    long double peak = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        const LongComplex value(got[2 * k], got[2 * k + 1]);
        worst = std::max(worst, std::abs(value - want[k]));
        peak = std::max(peak, std::abs(want[k]));
    }
    return static_cast<double>(worst / peak);
}

struct Signal {
    std::string name;
    std::vector<float> samples;
};

std::vector<Signal> TestSignals(int n)
{
    std::vector<Signal> signals;
    std::mt19937 random(20261207u + n);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    Signal noise{"random", std::vector<float>(n)};
    for (float& s : noise.samples)
        s = uniform(random);
    signals.push_back(noise);
    signals.push_back({"constant", std::vector<float>(n, 0.625f)});
    std::vector<int> bins{1, n / 4, n / 2 - 1};
    bins.erase(std::unique(bins.begin(), bins.end()), bins.end());
    for (int k0 : bins) {
        Signal cosine{"cosine bin " + std::to_string(k0), std::vector<float>(n)};
        Signal sine{"sine bin " + std::to_string(k0), std::vector<float>(n)};
        for (int j = 0; j < n; ++j) {
            const long double angle = 2 * Pi * k0 * j / n;
            cosine.samples[j] = static_cast<float>(0.8L * std::cos(angle));
            sine.samples[j] = static_cast<float>(0.8L * std::sin(angle));
        }
        signals.push_back(cosine);
        signals.push_back(sine);
    }
    return signals;
}

// An n-point real transform rounds every value to float log2 n times: once per
// butterfly stage of the N = n/2 point complex transform and once in the split.
// Each rounding adds at most half an ulp of the value, and for a unitary-like
// transform those errors add at most linearly, so the bound is half an epsilon per
// stage of the peak bin's magnitude. A wrong rotation or a lost term shows as an
// error of order 1e-3 or more, far above it.
double ErrorBound(int order)
{
    return 0.5 * order * static_cast<double>(FLT_EPSILON);
}

} // namespace

TEST(FftTransform, MatchesTheDirectDftAtEveryLengthFrom4To4096)
{
    std::printf("   n   worst error / peak bin   in float epsilons   bound\n");
    for (int order = 2; order <= 12; ++order) {
        const int n = 1 << order;
        Plan plan = MakePlan(order);
        double worst = 0;
        for (const Signal& signal : TestSignals(n)) {
            SCOPED_TRACE("n = " + std::to_string(n) + ", " + signal.name);
            const double error = RelativeError(Transformed(plan.get(), signal.samples, +1),
                                               DirectDft(signal.samples, -1));
            EXPECT_LE(error, ErrorBound(order));
            worst = std::max(worst, error);
        }
        std::printf("%5d   %.3e                %6.3f              %.1f\n", n, worst,
                    worst / FLT_EPSILON, ErrorBound(order) / FLT_EPSILON);
    }
}

TEST(FftTransform, FourSamplesGiveTheClosedFormExactly)
{
    Plan plan = MakePlan(2);
    const auto bins = Transformed(plan.get(), {1.0f, 2.0f, 4.0f, 8.0f}, +1);
    // X0 = (x0 + x1 + x2 + x3, 0), X1 = (x0 - x2, x3 - x1)
    EXPECT_EQ(bins, (std::vector<float>{15.0f, 0.0f, -3.0f, 6.0f}));
    const auto other = Transformed(plan.get(), {-0.5f, 0.25f, 3.0f, -1.75f}, +1);
    EXPECT_EQ(other, (std::vector<float>{1.0f, 0.0f, -3.5f, -2.0f}));
}

TEST(FftTransform, TwoSamplesGiveTheirSumWithoutReadingPastTheArray)
{
    Plan plan = MakePlan(1);
    EXPECT_EQ(Transformed(plan.get(), {3.0f, 5.0f}, +1), (std::vector<float>{8.0f, 0.0f}));
}

TEST(FftTransform, ConstantAndSingleToneGiveTheirExpectedBins)
{
    const int n = 64;
    Plan plan = MakePlan(6);
    const auto constant = Transformed(plan.get(), std::vector<float>(n, 0.5f), +1);
    EXPECT_EQ(constant[0], 32.0f);
    EXPECT_EQ(constant[1], 0.0f);
    for (int i = 2; i < n; ++i)
        EXPECT_NEAR(constant[i], 0.0f, 1e-5f) << "i = " << i;

    std::vector<float> cosine(n), sine(n);
    for (int j = 0; j < n; ++j) {
        cosine[j] = static_cast<float>(std::cos(2 * std::numbers::pi * 5 * j / n));
        sine[j] = static_cast<float>(std::sin(2 * std::numbers::pi * 5 * j / n));
    }
    const auto cosBins = Transformed(plan.get(), cosine, +1);
    const auto sinBins = Transformed(plan.get(), sine, +1);
    EXPECT_NEAR(cosBins[10], 32.0f, 1e-4f);
    EXPECT_NEAR(cosBins[11], 0.0f, 1e-4f);
    EXPECT_NEAR(sinBins[10], 0.0f, 1e-4f);
    EXPECT_NEAR(sinBins[11], -32.0f, 1e-4f);
}

TEST(FftTransform, NegativeDirectionIsThePositiveKernelScaledByOneOverN)
{
    for (int order : {2, 3, 6, 10}) {
        const int n = 1 << order;
        SCOPED_TRACE(n);
        Plan plan = MakePlan(order);
        const auto signal = TestSignals(n).front().samples;
        const double error = RelativeError(Transformed(plan.get(), signal, -1), [&] {
            auto bins = DirectDft(signal, +1);
            for (auto& b : bins)
                b /= static_cast<long double>(n);
            return bins;
        }());
        EXPECT_LE(error, ErrorBound(order));
    }
}

TEST(FftTransform, DirectionIsClampedToPlusOrMinusOne)
{
    Plan plan = MakePlan(5);
    const auto signal = TestSignals(32).front().samples;
    const auto forward = Transformed(plan.get(), signal, +1);
    EXPECT_EQ(Transformed(plan.get(), signal, 0), forward);
    EXPECT_EQ(Transformed(plan.get(), signal, 9), forward);
    EXPECT_EQ(Transformed(plan.get(), signal, -9), Transformed(plan.get(), signal, -1));
    EXPECT_NE(Transformed(plan.get(), signal, -1), forward);
}

TEST(FftTransform, NullPlanOrNullDataDoesNothing)
{
    std::vector<float> data{1.0f, 2.0f, 3.0f, 4.0f};
    RunRealTransform(nullptr, data.data(), +1);
    EXPECT_EQ(data, (std::vector<float>{1.0f, 2.0f, 3.0f, 4.0f}));
    Plan plan = MakePlan(2);
    RunRealTransform(plan.get(), nullptr, +1); // must not crash
}

TEST(FftTransform, AllocatesNothing)
{
    for (int order = 1; order <= 12; ++order) {
        Plan plan = MakePlan(order);
        std::vector<float> data = TestSignals(1 << order).front().samples;
        const std::size_t before = AllocationCount();
        RunRealTransform(plan.get(), data.data(), +1);
        RunRealTransform(plan.get(), data.data(), -1);
        EXPECT_EQ(AllocationCount(), before) << "order " << order;
    }
}

TEST(FftTransform, ComputesNoSineOrCosine)
{
    for (int order = 1; order <= 12; ++order) {
        const std::size_t beforePlan = TrigonometricCalls();
        Plan plan = MakePlan(order);
        if (order >= 2) { // an order-1 plan has no rotations to compute
            EXPECT_GT(TrigonometricCalls(), beforePlan) << "the counter misses the plan's calls";
        }
        std::vector<float> data = TestSignals(1 << order).front().samples;
        const std::size_t before = TrigonometricCalls();
        RunRealTransform(plan.get(), data.data(), +1);
        RunRealTransform(plan.get(), data.data(), -1);
        EXPECT_EQ(TrigonometricCalls(), before) << "order " << order;
    }
}

TEST(FftTransform, AllocationCounterSeesAllocations)
{
    const std::size_t before = AllocationCount();
    Plan plan = MakePlan(4);
    EXPECT_GT(AllocationCount(), before);
}

// The rotations, split factors and permutation come from the plan alone: spoiling
// any one table changes the result, restoring it brings the result back.
TEST(FftTransform, TakesEveryRotationFromThePlanTables)
{
    Plan plan = MakePlan(6);
    const auto signal = TestSignals(64).front().samples;
    const auto reference = Transformed(plan.get(), signal, +1);

    const TwiddleRecord twiddle = plan->Twiddle[2];
    plan->Twiddle[2] = {1.0f, 0.0f, 1.0f, 0.0f};
    EXPECT_NE(Transformed(plan.get(), signal, +1), reference);
    plan->Twiddle[2] = twiddle;

    const SplitRecord split = plan->Split[4];
    plan->Split[4] = {0.5f, 0.5f};
    EXPECT_NE(Transformed(plan.get(), signal, +1), reference);
    plan->Split[4] = split;

    std::swap(plan->BitRev[1], plan->BitRev[2]);
    EXPECT_NE(Transformed(plan.get(), signal, +1), reference);
    std::swap(plan->BitRev[1], plan->BitRev[2]);

    EXPECT_EQ(Transformed(plan.get(), signal, +1), reference);
}
