#include "spectrum/SpectrumAxes.h"

#include "audio/Numeric.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.28318530717958647692;
constexpr double kFourPiSquared = 39.47841760435743447;
constexpr float kFullScale = 32768.0f;
constexpr float kFactorFloor = 4096.0f; // factors keep at least 12 significant bits
constexpr double kLogRangeDb = 60.0;
// Log units per dB of power: 8192 per octave.
constexpr double kLogUnitsPerDb = 819.2 * 2.30258509299404568402 / 0.69314718055994530942;

} // namespace

void LimitFrequencyAxis(FrequencyAxis& axis)
{
    axis.zoom = std::clamp(axis.zoom, 1.0f, 16.0f);
    const double rate = axis.sampleRate;
    const double n = axis.fftLength;
    if (!axis.logFreq) {
        axis.startFrequency = std::max(axis.startFrequency, 0.0f);
        const double span = rate / (2.0 * axis.zoom);
        if (axis.startFrequency + span > rate / 2)
            axis.startFrequency = static_cast<float>(rate / 2 - span);
    } else {
        const double lowest = rate / n;
        const double highest = (rate / 2) / std::pow(n / 2, 1.0 / axis.zoom);
        axis.startFrequency =
            static_cast<float>(std::clamp<double>(axis.startFrequency, lowest, highest));
    }
}

void MapColumns(const FrequencyAxis& axis, int width, std::int32_t* first, std::int32_t* end)
{
    const double n = axis.fftLength;
    const double rate = axis.sampleRate;
    const double z = axis.zoom;
    const double f0 = axis.startFrequency;
    const int lastBin = axis.fftLength / 2 - 1;
    for (int i = 0; i < width; ++i) {
        double c;
        if (!axis.logFreq)
            c = std::floor(i / double(width) * n / 2 / z + f0 / rate * n + 0.01);
        else
            c = std::floor(std::exp(std::log((n + 1) / 2) * ((i - 0.45) / width) / z) *
                               (n * f0 / rate) +
                           0.51) -
                1;
        const auto bin = static_cast<std::int32_t>(std::clamp(c, 0.0, double(lastBin)));
        first[i] = bin;
        if (i > 0)
            end[i - 1] = bin;
    }
    if (width > 0)
        end[width - 1] = 0;
    // An end that adds nothing beyond the first bin is dropped.
    for (int i = 0; i < width; ++i)
        if (end[i] <= first[i] + 1)
            end[i] = 0;
}

void MarkContinuations(int width, std::int32_t* first, std::int32_t* end)
{
    for (int i = width - 1; i >= 1; --i) {
        if (first[i] == first[i - 1]) {
            first[i] = -1;
            end[i] = 0;
        }
    }
}

AmplitudeTables BuildAmplitudeTables(const AmplitudeAxis& axis, const std::int32_t* first,
                                     int width, std::int32_t* factor, std::int32_t* logOffset)
{
    // Every step is stored in single precision, as the tables always were.
    AmplitudeTables tables;
    const int order = DifferenceOrder(axis.gain);
    const int half = HalfStep(axis.gain);
    const double rate = axis.sampleRate;
    const double ref = axis.refFreq;
    const float rootRef = static_cast<float>(std::sqrt(ref));

    if (!axis.logAmp) {
        float e = static_cast<float>(axis.height /
                                     (double(rootRef) * axis.verticalScale * double(kFullScale)));
        tables.shift = 4;
        if (order == 1)
            e = static_cast<float>(e * rate / (ref * kTwoPi));
        else if (order == 2)
            e = static_cast<float>(e * rate * rate / (ref * kFourPiSquared * ref));
        if (half == 0) {
            e = static_cast<float>(double(e) * rootRef);
            while (e < kFactorFloor) {
                e *= 2;
                ++tables.shift;
            }
        } else {
            const double rootNyquist = std::sqrt(rate / 2);
            while (rootNyquist * e < kFactorFloor) {
                e *= 2;
                ++tables.shift;
            }
        }
        for (int i = 0; i < width; ++i) {
            if (first[i] < 0)
                factor[i] = 0;
            else if (half == 0)
                factor[i] = static_cast<std::int32_t>(std::floor(double(e) + 0.5));
            else
                factor[i] = static_cast<std::int32_t>(RoundHalfEven(
                    std::sqrt((first[i] + 1) * rate / axis.fftLength) * double(e) + 0.5));
        }
        return tables;
    }

    const double fullScaleDb = 20 * std::log10(32768.0);
    const float p = static_cast<float>(axis.height / (kLogRangeDb * kLogUnitsPerDb));
    double tiltDb = 0;
    if (order > 0)
        tiltDb = 20.0 * order * std::log10(rate / (ref * kTwoPi));
    const float g = static_cast<float>(kLogUnitsPerDb * (fullScaleDb - tiltDb - kLogRangeDb));
    float scaled = p;
    while (scaled < kFactorFloor) {
        scaled *= 2;
        ++tables.shift;
    }
    const auto columnFactor = static_cast<std::int32_t>(std::floor(double(scaled) + 0.5));
    std::fill(factor, factor + width, columnFactor);
    tables.pixelsPerUnit = p;
    for (int j = 0; j < axis.fftLength / 2; ++j) {
        double offset = double(g) + 0.5;
        if (half == 1)
            offset -= 10 * kLogUnitsPerDb * std::log10((j + 1) * rate / axis.fftLength / ref);
        logOffset[j] = static_cast<std::int32_t>(std::floor(offset));
    }
    return tables;
}

SpotGeometry SpotGeometryFor(TMMSpectrumKind kind, int height, int spotHeight, int spotSpace,
                             int point1, int point2)
{
    SpotGeometry g;
    spotHeight = std::max(spotHeight, 1);
    g.spots = std::max((height + spotSpace) / (spotHeight + spotSpace), 1);
    g.bottomOffset = (height - ((spotHeight + spotSpace) * g.spots - spotSpace)) / 2;
    const double h = height;
    auto limit = [&](int point) -> int {
        switch (kind) {
        case skBars:
        case skPeaks:
            return int(RoundHalfEven(point * double(g.spots) / 100));
        case skLines:
        case skVLines:
            return int(RoundHalfEven(point * h / 100));
        case skDots:
            return int(RoundHalfEven(h - point * h / 100));
        case skScroll:
            break;
        }
        return int(RoundHalfEven(point * h / 3 / 100));
    };
    g.t1 = limit(point1);
    g.t2 = limit(point2);
    return g;
}
