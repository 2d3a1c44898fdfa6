#pragma once

#include "audio/Decay.h"
#include "audio/MMTypes.h"
#include "audio/WaveFormat.h"

#include <cstdint>
#include <functional>
#include <mutex>

struct TickHandler;

// Which display embeds the engine; they differ in range, dB floor, peak rules and
// the error class of a refused format.
enum class LevelKind {
    Bar,   // TMMLevel: range = number of segments, peak falls by segments
    Needle // TMMMeter: range 32767, peak falls by 500 toward the needle
};

// What the engine asks of the display that embeds it. Every hook is optional and
// runs on the thread that feeds the display (never on the timer thread).
struct LevelEngineHooks {
    std::function<bool()> isVisible;      // the display is shown on screen
    std::function<void()> redrawNow;      // draw the new level at once
    std::function<void()> repaint;        // schedule an ordinary repaint
    std::function<void()> onPcmOverflow;  // a block reached full scale
    std::function<void()> onGainOverflow; // the amplified level went past the top
};

// The measuring side of the level displays: takes blocks of PCM, finds their
// peak, smooths successive peaks, converts them to display positions on a dB or
// linear scale and holds the peak marker for a while on the shared 25 ms timer.
// The bar and needle displays embed one and only add their drawing.
class LevelEngine {
public:
    static constexpr std::int32_t kFullScale = 32767;

    explicit LevelEngine(LevelKind kind, LevelEngineHooks hooks = {});
    ~LevelEngine();
    LevelEngine(const LevelEngine&) = delete;
    LevelEngine& operator=(const LevelEngine&) = delete;

    void SetHooks(LevelEngineHooks hooks) { hooks_ = std::move(hooks); }
    LevelKind Kind() const { return kind_; }

    // The display contract the connector drives.
    void SetStreamFormat(const TWaveFormatEx* format);
    std::int32_t BytesPerRefresh() const { return bytesPerRefresh_; }
    void ConsumePcm(const std::uint8_t* block);
    void ClearDisplay();

    // Measuring properties, each with its range rule.
    TMMBits BitLength() const { return bitLength_; }
    void SetBitLength(TMMBits value);
    TMMMode Mode() const { return mode_; }
    void SetMode(TMMMode value);
    TMMChannel Channel() const { return channel_; }
    void SetChannel(TMMChannel value);
    std::int32_t Samples() const { return samples_; }
    void SetSamples(std::int32_t value); // at least 1
    std::int32_t Gain() const { return gain_; }
    void SetGain(std::int32_t value); // -8..32; other values are ignored
    std::int32_t Sensitivy() const { return sensitivy_; }
    void SetSensitivy(std::int32_t value); // -90..-9
    bool LogAmp() const { return logAmp_; }
    void SetLogAmp(bool value);
    std::int32_t DCOffsetL() const;
    void SetDCOffsetL(std::int32_t value);
    std::int32_t DCOffsetR() const;
    void SetDCOffsetR(std::int32_t value);
    TMMDecayMode DecayMode() const { return decayMode_; }
    void SetDecayMode(TMMDecayMode value);
    std::int32_t Decay() const { return decay_; }
    void SetDecay(std::int32_t value); // 1..16
    std::int32_t PeakDelay() const { return peakDelay_; }
    void SetPeakDelay(std::int32_t value); // 0..50
    std::int32_t PeakSpeed() const { return peakSpeed_; }
    void SetPeakSpeed(std::int32_t value); // 0..50
    std::int32_t NumPeaks() const { return numPeaks_; }
    void SetNumPeaks(std::int32_t value); // bar only, 0..5; 0 = no peak hold
    bool ShowPeak() const { return showPeak_; }
    void SetShowPeak(bool value); // needle only
    std::int32_t Value() const;   // the displayed level in percent
    void SetValue(std::int32_t percent);

    // Set by the display that embeds the engine.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    std::int32_t Range() const { return range_; }
    void SetRange(std::int32_t positions); // bar: its number of segments
    bool Symmetric() const { return symmetric_; }
    void SetSymmetric(bool value); // bar growing both ways from its middle

    // One raw level (a sample magnitude) through decay, gain, conversion, overflow,
    // peak and redraw.
    void UpdateLevel(std::int32_t level);
    // The largest sample magnitude of one block, offsets applied.
    std::int32_t BlockPeak(const std::uint8_t* block) const;

    // What the drawing reads.
    std::int32_t DisplayedPosition() const;
    std::int32_t PeakPosition() const;
    std::int32_t PeakCounter() const;
    bool RedrawPending() const;
    std::int32_t LastRawPeak() const { return lastRawPeak_; }
    const DecaySettings& DecayParameters() const { return decaySettings_; }

private:
    static void TickCallback(TickHandler* handler, void* owner);
    void PeakTick();
    std::int32_t ToPosition(std::int64_t amplified) const;
    void ResetDecayState();
    // A new peak timing starts the hold over.
    void RestartPeakHold();
    void ClearMeasuredState();
    void UpdateTicker();
    bool Showing() const;
    void Repaint() const;
    void Fire(const std::function<void()>& hook) const;
    void RecomputeBytesPerRefresh();

    const LevelKind kind_;
    LevelEngineHooks hooks_;

    TMMBits bitLength_ = b8Bit;
    TMMMode mode_ = mMono;
    TMMChannel channel_ = chBoth;
    std::int32_t samples_ = 50;
    std::int32_t gain_ = 0;
    std::int32_t sensitivy_;
    bool logAmp_ = true;
    std::int64_t offsetL_ = 0; // stored negated: added to each left sample
    std::int64_t offsetR_ = 0;
    TMMDecayMode decayMode_ = dmNone;
    std::int32_t decay_ = 1;
    std::int32_t peakDelay_ = 20;
    std::int32_t peakSpeed_ = 0;
    std::int32_t numPeaks_ = 1;
    bool showPeak_ = true;
    bool enabled_ = true;
    std::int32_t range_;
    bool symmetric_ = false;
    std::int32_t bytesPerRefresh_ = 0;

    DecaySettings decaySettings_; // factor 0.0001 and window 1 until Decay is written
    DecayClock decayClock_;
    DecayChannel decayChannel_;
    std::int32_t lastRawPeak_ = 0;

    // The timer thread moves the peak marker while the feeding thread measures;
    // this guards the four values both sides touch. Never held while calling out.
    mutable std::mutex peakLock_;
    std::int32_t displayedPosition_ = 0;
    std::int32_t peakPosition_ = 0;
    std::int32_t peakCounter_ = 0;
    bool redrawPending_ = false;

    TickHandler* ticker_ = nullptr;
    bool tickerSuspended_ = false;
};
