#include "audio/Decay.h"

#include "audio/Numeric.h"

#include <cmath>

DecaySettings DecaySettingsFor(std::int32_t decay)
{
    decay = std::clamp(decay, 1, 16);
    DecaySettings settings;
    for (std::int32_t i = 0; i < decay; ++i)
        settings.factor = static_cast<float>(std::sqrt(static_cast<double>(settings.factor)));
    settings.window = std::clamp(2 * (decay - 1), 1, kDecayRingSize);
    return settings;
}

void DecayClock::Advance(std::int32_t window)
{
    if (++position >= window)
        position = 0;
    if (fill < window)
        ++fill;
}

std::int32_t DecayChannel::Apply(TMMDecayMode mode, const DecaySettings& settings,
                                 const DecayClock& clock, std::int32_t a)
{
    // Products of two singles are exact in double, so each step rounds once, on
    // the store to single, as the displays have always done.
    const double factor = settings.factor;
    switch (mode) {
    case dmStepUp:
        held = static_cast<float>(held * factor);
        if (a >= held) {
            held = static_cast<float>(a);
            return a;
        }
        return static_cast<std::int32_t>(held);
    case dmExponential:
        held = static_cast<float>(held * factor + (1.0 - factor) * a);
        return static_cast<std::int32_t>(std::floor(held));
    case dmUniform: {
        std::int32_t& slot = ring[static_cast<std::size_t>(clock.position)];
        sum += a - slot;
        slot = a;
        return clock.fill > 0 ? sum / clock.fill : a;
    }
    case dmNone:
        break;
    }
    return a;
}
