// Times the real-input transform against FFTW (single precision, FFTW_MEASURE) and
// KissFFT's real transform at the analyser's lengths, then prints our time divided
// by each library's. Every variant copies a fresh input block before transforming,
// as the analyser does, so all three pay the same copy.
#include "spectrum/MMFFT.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fftr.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Lengths[] = {64, 256, 1024, 4096};

std::vector<float> Samples(int n)
{
    std::mt19937 random(12345u);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(n);
    for (float& s : samples)
        s = uniform(random);
    return samples;
}

int Log2(int n)
{
    int order = 0;
    while ((1 << order) < n)
        ++order;
    return order;
}

void BM_RunRealTransform(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> input = Samples(n);
    std::vector<float> data(n);
    TransformPlan* plan = NewTransformPlan(Log2(n));
    for (auto _ : state) {
        std::memcpy(data.data(), input.data(), n * sizeof(float));
        RunRealTransform(plan, data.data(), +1);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    DisposeTransformPlan(plan);
}

void BM_FftwR2C(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> input = Samples(n);
    float* in = fftwf_alloc_real(n);
    fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE); // overwrites 'in'
    for (auto _ : state) {
        std::memcpy(in, input.data(), n * sizeof(float));
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}

void BM_KissFftr(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> input = Samples(n);
    std::vector<float> in(n);
    std::vector<kiss_fft_cpx> out(n / 2 + 1);
    kiss_fftr_cfg config = kiss_fftr_alloc(n, 0, nullptr, nullptr);
    for (auto _ : state) {
        std::memcpy(in.data(), input.data(), n * sizeof(float));
        kiss_fftr(config, in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    kiss_fftr_free(config);
}

void AtAnalyserLengths(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kNanosecond);
    for (int n : Lengths)
        b->Arg(n);
}

BENCHMARK(BM_RunRealTransform)->Apply(AtAnalyserLengths);
BENCHMARK(BM_FftwR2C)->Apply(AtAnalyserLengths);
BENCHMARK(BM_KissFftr)->Apply(AtAnalyserLengths);

// Console output as usual, plus the best CPU time per iteration of every benchmark
// (over repetitions, or their median when only aggregates are reported) for the
// closing ratio table. CPU time, because the build machines are shared.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || !(single || median))
                continue;
            auto [it, added] =
                best_.try_emplace(run.run_name.str(), std::numeric_limits<double>::infinity());
            it->second = std::min(it->second, run.GetAdjustedCPUTime());
        }
    }

    void PrintRatios() const
    {
        std::printf("\n%6s %12s %12s %12s %12s %12s\n", "n", "ours", "FFTW", "KissFFT", "ours/FFTW",
                    "ours/Kiss");
        for (int n : Lengths) {
            const double ours = Time("BM_RunRealTransform", n);
            const double fftw = Time("BM_FftwR2C", n);
            const double kiss = Time("BM_KissFftr", n);
            if (ours <= 0 || fftw <= 0 || kiss <= 0)
                continue; // filtered out of this run
            std::printf("%6d %12.1f %12.1f %12.1f %12.2f %12.2f\n", n, ours, fftw, kiss,
                        ours / fftw, ours / kiss);
        }
        std::printf("(best CPU nanoseconds per transform, copy of the input block included)\n");
    }

private:
    double Time(const std::string& benchmark, int n) const
    {
        const auto it = best_.find(benchmark + "/" + std::to_string(n));
        return it == best_.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> best_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
