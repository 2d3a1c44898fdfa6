#include "spectrum/MMFFT.h"

#include <cmath>

namespace {

// The window formulas are evaluated in double and only the result is rounded to float,
// so every table entry is one rounding away from the exact weight.
constexpr double TwoPi = 6.2831853071795864766;
constexpr double FourPi = 12.566370614359172953;
constexpr double GaussianFactor = -5.0;

} // namespace

float WindowWeight(TMMFFTWindow kind, int i, int n)
{
    const double x = i;
    const double len = n;
    switch (kind) {
    case fwHamming:
        return static_cast<float>(0.54 - 0.46 * std::cos(TwoPi * x / len));
    case fwHanning:
        return static_cast<float>(0.5 - 0.5 * std::cos(TwoPi * x / len));
    case fwBlackman:
        return static_cast<float>(0.42 - 0.5 * std::cos(TwoPi * x / len) +
                                  0.08 * std::cos(FourPi * x / len));
    case fwGaussian: {
        const double offset = 2.0 * x - len;
        return static_cast<float>(std::exp(GaussianFactor * offset * offset / (len * len)));
    }
    case fwWelch: {
        const double d = (2.0 * x - len) / (len + 1.0);
        return static_cast<float>(1.0 - d * d);
    }
    case fwParzen: {
        const double d = (2.0 * x - len) / (len + 1.0);
        return static_cast<float>(1.0 - std::fabs(d));
    }
    case fwRectangular:
    default:
        return 1.0f;
    }
}

void FillWindowTable(std::int32_t* table, TMMFFTWindow kind, int order)
{
    if (table == nullptr || order < 0 || order > MaxTransformOrder)
        return;
    const int n = 1 << order;
    for (int i = 0; i < n; ++i) {
        const double weight = WindowWeight(kind, i, n);
        table[i] = static_cast<std::int32_t>(std::floor(weight * 32767.0 + 0.5));
    }
}
