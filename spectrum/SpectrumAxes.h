#pragma once

#include "spectrum/SpectrumTypes.h"

#include <cstdint>

// The analyser's axes: which FFT bins each display column shows, how a bin value
// becomes a bar height in pixels, and how the display height divides into spots
// and colour zones. Plain functions of the settings, recomputed whenever one
// changes, so a frame only multiplies and shifts.

struct FrequencyAxis {
    int sampleRate = 11025;
    int fftLength = 128;
    bool logFreq = false;
    float zoom = 1.0f;           // 1..16
    float startFrequency = 1.0f; // Hz
};

// Brings zoom and start frequency back into what the axis can show.
void LimitFrequencyAxis(FrequencyAxis& axis);

// Fills first[0..width) and end[0..width) for a display of width columns: first
// is the column's first bin, end its exclusive last bin when it covers several,
// else 0.
void MapColumns(const FrequencyAxis& axis, int width, std::int32_t* first, std::int32_t* end);

// A bar is a run of columns sharing a first bin: every column after the first of
// a run gets first = -1 and end = 0.
void MarkContinuations(int width, std::int32_t* first, std::int32_t* end);

struct AmplitudeAxis {
    int height = 4;
    int sampleRate = 11025;
    int fftLength = 128;
    int refFreq = 1000;
    float verticalScale = 1.0f; // share of full scale at the top
    TMMSpectrumGain gain = sgNone;
    bool logAmp = false;
};

// Bar = (bin value x factor[column]) >> shift. With the logarithmic axis the bin
// values are log units, less logOffset[bin]; pixelsPerUnit serves the decaying path.
struct AmplitudeTables {
    std::int32_t shift = 0;
    float pixelsPerUnit = 0.0f;
};

// Log units: 8192 per octave of power.
inline constexpr double kLogUnitsPerLn = 8192.0 / 0.69314718055994530942;

// Fills factor[0..width) (0 for continuation columns) and, for the logarithmic
// axis, logOffset[0..fftLength/2).
AmplitudeTables BuildAmplitudeTables(const AmplitudeAxis& axis, const std::int32_t* first,
                                     int width, std::int32_t* factor, std::int32_t* logOffset);

struct SpotGeometry {
    int spots = 1;
    int bottomOffset = 0;
    int t1 = 0; // zone limits, in the unit the kind draws in
    int t2 = 0;
};

SpotGeometry SpotGeometryFor(TMMSpectrumKind kind, int height, int spotHeight, int spotSpace,
                             int point1, int point2);

// Zone 0..2 (lower, middle, upper) of spot or pixel index i.
inline int ZoneOf(int i, const SpotGeometry& g)
{
    return i > g.t2 ? 2 : i > g.t1 ? 1 : 0;
}
