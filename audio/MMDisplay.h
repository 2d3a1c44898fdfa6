#pragma once

#include "audio/MMTypes.h"
#include "audio/WaveFormat.h"

#include <cstdint>
#include <vector>

// What the connector needs of a display it feeds. The bar and needle meters, the
// oscilloscope, the spectrum analyser and the idle library displays implement it;
// the connector holds them only through this contract, so the audio layer never
// depends on the drawing code.

class TMMDisplay;

// Told when a watched display is being destroyed, so that whoever holds it in a
// slot lets go before the pointer dangles.
class TMMDisplayWatcher {
public:
    virtual void DisplayDestroyed(TMMDisplay* display) = 0;

protected:
    ~TMMDisplayWatcher() = default;
};

class TMMDisplay {
public:
    TMMDisplay() = default;
    TMMDisplay(const TMMDisplay&) = delete;
    TMMDisplay& operator=(const TMMDisplay&) = delete;
    // Tells every watcher that this display is going away.
    virtual ~TMMDisplay();

    // Takes the stream's PCM format; raises the display's own error class with
    // "Invalid WaveFormat" when it is not valid PCM.
    virtual void SetStreamFormat(const TWaveFormatEx* format) = 0;
    // Bytes of interleaved PCM one ConsumePcm reads.
    virtual std::int32_t BytesPerRefresh() const = 0;
    // Reads exactly BytesPerRefresh() bytes from data, updates and repaints.
    // Runs, with every event it raises, inside the connector's refresh pass while
    // the connector holds its lock: a slot change made from there takes effect
    // when the pass ends, and a display destroyed there leaves its slots at once.
    // Nothing else of the connector may be called from there.
    virtual void ConsumePcm(const std::uint8_t* data) = 0;
    // Drops the held values and repaints.
    virtual void ClearDisplay() = 0;

    // A watcher added n times must be removed n times; each addition is notified.
    void AddWatcher(TMMDisplayWatcher* watcher);
    void RemoveWatcher(TMMDisplayWatcher* watcher);

private:
    std::vector<TMMDisplayWatcher*> watchers_;
};

// The oscilloscope: the connector reads these to decide how far each step advances.
class TMMOscopeDisplay : public TMMDisplay {
public:
    virtual bool Scroll() const = 0;
    virtual bool Accelerate() const = 0;
    virtual std::int32_t FFTLength() const = 0;
    virtual TMMBits BitLength() const = 0;
    virtual TMMMode Mode() const = 0;
};

// The spectrogram: it takes a quarter step while accelerated.
class TMMSpectrogramDisplay : public TMMDisplay {
public:
    virtual bool Accelerate() const = 0;
};
