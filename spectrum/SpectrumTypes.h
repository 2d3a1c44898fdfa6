#pragma once

#include <cstdint>

// The analyser's own enumerations; their ordinals take part in the arithmetic.

enum TMMSpectrumKind : std::uint8_t { skDots, skLines, skVLines, skBars, skPeaks, skScroll };

// A spectral tilt: value div 2 is the difference order applied to the samples
// (+6 dB per octave each), value mod 2 adds a further +3 dB per octave in the
// amplitude tables.
enum TMMSpectrumGain : std::uint8_t { sgNone, sg3db, sg6db, sg9db, sg12db };

inline int DifferenceOrder(TMMSpectrumGain gain)
{
    return gain / 2;
}
inline int HalfStep(TMMSpectrumGain gain)
{
    return gain % 2;
}
