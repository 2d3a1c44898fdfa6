#pragma once

#include "audio/MMTypes.h"

#include <array>
#include <cstdint>

// Smoothing of successive block levels by TMMDecayMode, shared by the level and
// needle meters (one value) and the spectrum analyser (one value per bar, all
// advancing together). Arithmetic is in single precision where the displays have
// always kept it, so levels match to the unit.

inline constexpr std::int32_t kDecayRingSize = 32;
inline constexpr float kInitialDecayFactor = 0.0001f;

struct DecaySettings {
    float factor = kInitialDecayFactor; // per block
    std::int32_t window = 1;            // dmUniform averaging window, 1..32
};

// The settings for a Decay strength (clamped to 1..16): the factor is
// 0.0001^(1/2^decay), reached by repeated square roots each stored as single.
DecaySettings DecaySettingsFor(std::int32_t decay);

// Ring position and fill count; one per group of values smoothed together.
struct DecayClock {
    std::int32_t position = 0;
    std::int32_t fill = 0;

    // Once per block, before any value of the group is smoothed.
    void Advance(std::int32_t window);
    void Reset() { *this = DecayClock{}; }
};

// The smoothing state of one value.
struct DecayChannel {
    float held = 0.0f;
    std::int32_t sum = 0;
    std::array<std::int32_t, kDecayRingSize> ring{};

    // Returns the smoothed level of the raw level a (a >= 0).
    std::int32_t Apply(TMMDecayMode mode, const DecaySettings& settings, const DecayClock& clock,
                       std::int32_t a);
    void Reset() { *this = DecayChannel{}; }
};
