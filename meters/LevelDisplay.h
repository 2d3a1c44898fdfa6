#pragma once

#include "audio/MMDisplay.h"
#include "meters/LevelEngine.h"

// The connector's display contract for a display whose measuring is a level
// engine's: the bar and needle meters differ only in how they lay out and draw
// what the engine measured.
class TMMLevelDisplay : public TMMDisplay {
public:
    explicit TMMLevelDisplay(LevelKind kind) : FEngine(kind) {}

    std::int32_t BytesPerRefresh() const override { return FEngine.BytesPerRefresh(); }
    void ConsumePcm(const std::uint8_t* data) override { FEngine.ConsumePcm(data); }
    void ClearDisplay() override { FEngine.ClearDisplay(); }

    // Measuring properties (bit length, mode, channel, samples, gain, sensitivity,
    // decay, peak timing, Value ...) live on the engine.
    LevelEngine& Engine() { return FEngine; }
    const LevelEngine& Engine() const { return FEngine; }

protected:
    LevelEngine FEngine;
};
