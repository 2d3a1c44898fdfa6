#include "spectrum/MMFFT.h"

#include <cmath>
#include <complex>

namespace {

// The table builders' own constants; the tables are rounded to float, so the last
// bit of these doubles never shows.
constexpr double TableTwoPi = 6.283185307179585;
constexpr double TablePi = 3.1415926535897927;

// Each entry extends the reversal of i / 2 by the bit i shifts out.
void BuildBitReversal(std::int32_t* bitRev, int count, int bits)
{
    bitRev[0] = 0;
    for (int i = 1; i < count; ++i)
        bitRev[i] = (bitRev[i >> 1] >> 1) | ((i & 1) << (bits - 1));
}

// e^(-i k theta) and e^(-i 3k theta) for k = 1 ... N/4, by rotation in double: one
// sine and cosine pair per table instead of one per entry.
void BuildTwiddles(TwiddleRecord* twiddle, int records, int points)
{
    const double theta = TableTwoPi / points;
    const double theta3 = 3.0 * theta;
    const std::complex<double> step1(std::cos(theta), -std::sin(theta));
    const std::complex<double> step3(std::cos(theta3), -std::sin(theta3));
    std::complex<double> w1 = step1;
    std::complex<double> w3 = step3;
    for (int k = 0; k < records; ++k) {
        twiddle[k] = {static_cast<float>(w1.real()), static_cast<float>(w1.imag()),
                      static_cast<float>(w3.real()), static_cast<float>(w3.imag())};
        w1 = w1 * step1;
        w3 = w3 * step3;
    }
}

// (cos k phi / 2, (1 - sin k phi) / 2) for k = 1 ... N/2, phi = pi / N.
void BuildSplit(SplitRecord* split, int records, int points)
{
    const double phi = TablePi / points;
    const std::complex<double> step(std::cos(phi), std::sin(phi));
    std::complex<double> w = step;
    for (int k = 0; k < records; ++k) {
        split[k] = {static_cast<float>(0.5 * w.real()), static_cast<float>(0.5 - 0.5 * w.imag())};
        w = w * step;
    }
}

} // namespace

TransformPlan* NewTransformPlan(int order)
{
    if (order < 1 || order > MaxTransformOrder)
        return nullptr;
    auto plan = std::make_unique<TransformPlan>();
    const int length = 1 << order;
    const int points = length / 2;
    plan->Order = order;
    plan->Length = length;
    plan->InvLength = static_cast<float>(1.0 / length);

    plan->BitRev = std::make_unique<std::int32_t[]>(points);
    BuildBitReversal(plan->BitRev.get(), points, order - 1);
    if (points > 2) {
        plan->Twiddle = std::make_unique<TwiddleRecord[]>(points / 4);
        BuildTwiddles(plan->Twiddle.get(), points / 4, points);
    }
    if (points >= 2) {
        plan->Split = std::make_unique<SplitRecord[]>(points / 2);
        BuildSplit(plan->Split.get(), points / 2, points);
    }
    return plan.release();
}

void DisposeTransformPlan(TransformPlan*& plan)
{
    delete plan;
    plan = nullptr;
}
