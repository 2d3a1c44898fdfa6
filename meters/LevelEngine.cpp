#include "meters/LevelEngine.h"

#include "audio/Numeric.h"
#include "audio/PropertyRule.h"
#include "audio/TickService.h"
#include "meters/LevelErrors.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace {

constexpr std::int32_t kNeedleRange = LevelEngine::kFullScale;
constexpr std::int32_t kNeedlePeakFall = 500;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Largest Samples whose block size (4 bytes a frame at most) still fits 32 bits.
constexpr std::int32_t kMaxSamples = std::numeric_limits<std::int32_t>::max() / 4;

std::int32_t Sample16(const std::uint8_t* at)
{
    std::int16_t sample;
    std::memcpy(&sample, at, sizeof sample);
    return sample;
}

std::int64_t Abs64(std::int64_t v)
{
    return v < 0 ? -v : v;
}

} // namespace

LevelEngine::LevelEngine(LevelKind kind, LevelEngineHooks hooks)
    : kind_(kind), hooks_(std::move(hooks)), sensitivy_(kind == LevelKind::Bar ? -35 : -50),
      range_(kind == LevelKind::Bar ? 0 : kNeedleRange)
{
    RecomputeBytesPerRefresh();
    ticker_ = TickServiceAdd(kTickPeriodMs, 0, &LevelEngine::TickCallback, this);
}

LevelEngine::~LevelEngine()
{
    TickServiceRemove(ticker_);
}

void LevelEngine::SetStreamFormat(const TWaveFormatEx* format)
{
    // Only the first 16 bytes count: whatever follows belongs to the sender.
    TWaveFormatEx copy{};
    if (format != nullptr)
        std::memcpy(&copy, format, offsetof(TWaveFormatEx, cbSize));
    if (format == nullptr || !IsPcmFormatValid(&copy)) {
        if (kind_ == LevelKind::Bar)
            throw EMMLevelError("Invalid WaveFormat");
        throw EMMMeterError("Invalid WaveFormat");
    }
    SetBitLength(static_cast<TMMBits>(copy.wBitsPerSample / 8 - 1));
    SetMode(static_cast<TMMMode>(copy.nChannels - 1));
}

void LevelEngine::ConsumePcm(const std::uint8_t* block)
{
    if (block == nullptr || !Showing())
        return;
    const std::int32_t peak = BlockPeak(block);
    if (peak >= kFullScale)
        Fire(hooks_.onPcmOverflow);
    UpdateLevel(peak);
}

void LevelEngine::ClearDisplay()
{
    ClearMeasuredState();
    Repaint();
}

std::int32_t LevelEngine::BlockPeak(const std::uint8_t* block) const
{
    // 64-bit sums keep absurd DC offsets from overflowing; the result saturates.
    const std::int64_t offL = offsetL_;
    const std::int64_t offR = offsetR_;
    const bool stereo = mode_ == mStereo;
    std::int64_t peak = 0;
    auto take = [&peak](std::int64_t v) {
        v = Abs64(v);
        if (v > peak)
            peak = v;
    };

    if (bitLength_ == b16Bit) {
        if (!stereo) {
            for (std::int32_t i = 0; i < samples_; ++i)
                take(Sample16(block + 2 * i) + offL);
        } else if (channel_ == chBoth) {
            for (std::int32_t i = 0; i < samples_; ++i)
                take((Sample16(block + 4 * i) + offL + Sample16(block + 4 * i + 2) + offR) / 2);
        } else {
            const std::int32_t at = channel_ == chLeft ? 0 : 2;
            const std::int64_t off = channel_ == chLeft ? offL : offR;
            for (std::int32_t i = 0; i < samples_; ++i)
                take(Sample16(block + 4 * i + at) + off);
        }
    } else {
        if (!stereo) {
            for (std::int32_t i = 0; i < samples_; ++i)
                take((block[i] + offL - 128) * 256);
        } else if (channel_ == chBoth) {
            for (std::int32_t i = 0; i < samples_; ++i)
                take(((block[2 * i] + offL + block[2 * i + 1] + offR) / 2 - 128) * 256);
        } else {
            const std::int32_t at = channel_ == chLeft ? 0 : 1;
            const std::int64_t off = channel_ == chLeft ? offL : offR;
            for (std::int32_t i = 0; i < samples_; ++i)
                take((block[2 * i + at] + off - 128) * 256);
        }
    }
    return static_cast<std::int32_t>(peak < kInt32Max ? peak : kInt32Max);
}

void LevelEngine::UpdateLevel(std::int32_t level)
{
    const std::int64_t magnitude = Abs64(level);
    const auto a = static_cast<std::int32_t>(magnitude < kInt32Max ? magnitude : kInt32Max);
    lastRawPeak_ = a;
    {
        // Silence on an empty display costs nothing.
        std::lock_guard lock(peakLock_);
        if (a == 0 && displayedPosition_ == 0 && !redrawPending_)
            return;
    }

    std::int32_t smoothed = a;
    if (decayMode_ != dmNone) {
        decayClock_.Advance(decaySettings_.window);
        smoothed = decayChannel_.Apply(decayMode_, decaySettings_, decayClock_, a);
    }
    const std::int64_t amplified = static_cast<std::int64_t>(smoothed) * (gain_ + 8) / 8;
    std::int32_t p = static_cast<std::int32_t>(ToPosition(amplified));
    if (kind_ == LevelKind::Bar && symmetric_)
        p /= 2;

    const std::int32_t top = kind_ == LevelKind::Bar ? range_ : kNeedleRange;
    const bool overflow = kind_ == LevelKind::Bar ? p > top : p >= top;
    if (overflow) {
        Fire(hooks_.onGainOverflow);
        p = top;
    }

    {
        std::lock_guard lock(peakLock_);
        const bool newPeak = kind_ == LevelKind::Bar ? p >= peakPosition_ && p > 0 && numPeaks_ > 0
                                                     : p > peakPosition_ && showPeak_;
        if (newPeak) {
            redrawPending_ = true;
            peakPosition_ = p;
            peakCounter_ = 2 * peakDelay_ + 1;
        }
        if (p == displayedPosition_ && !redrawPending_)
            return;
        redrawPending_ = false;
        displayedPosition_ = p;
    }
    if (Showing())
        Fire(hooks_.redrawNow);
}

std::int32_t LevelEngine::ToPosition(std::int64_t amplified) const
{
    const double r = range_;
    double position;
    if (logAmp_) {
        const double dbFloor = kind_ == LevelKind::Bar ? 1e-6 : 1e-5;
        const double ratio = std::max(static_cast<double>(amplified) / kFullScale, dbFloor);
        // Only the dB value is rounded to single precision; the steps after it run
        // in double, since a float there shifts results that sit on a .5 boundary.
        const double db = static_cast<float>(20.0 * std::log10(ratio));
        position = (db - sensitivy_) * r / -sensitivy_;
    } else {
        const double bottom = static_cast<float>(kFullScale / std::pow(10.0, -sensitivy_ / 20.0));
        position = (static_cast<double>(amplified) - bottom) * r / (kFullScale - bottom);
    }
    const std::int64_t rounded = RoundHalfEven(position);
    return static_cast<std::int32_t>(rounded < 0 ? 0 : rounded);
}

std::int32_t LevelEngine::Value() const
{
    const std::int32_t position = DisplayedPosition();
    if (position == 0 || range_ <= 0)
        return 0;
    const double r = range_;
    if (!logAmp_)
        return static_cast<std::int32_t>(RoundHalfEven(position * 100.0 / r));
    const double amplitude = std::pow(10.0, (sensitivy_ - position * sensitivy_ / r) / 20.0);
    return static_cast<std::int32_t>(RoundHalfEven(amplitude * 8.0 / (gain_ + 8) * 100.0));
}

void LevelEngine::SetValue(std::int32_t percent)
{
    percent = std::clamp(percent, 0, 100);
    UpdateLevel(static_cast<std::int32_t>(
        RoundHalfEven(percent * static_cast<double>(kFullScale) / 100.0)));
}

void LevelEngine::TickCallback(TickHandler*, void* owner)
{
    static_cast<LevelEngine*>(owner)->PeakTick();
}

void LevelEngine::PeakTick()
{
    // Runs on the timer thread: moves the marker only; the next block draws it.
    std::lock_guard lock(peakLock_);
    if (peakPosition_ <= 0)
        return;
    if (--peakCounter_ > 0)
        return;
    if (kind_ == LevelKind::Bar) {
        peakPosition_ = peakSpeed_ > 0 ? peakPosition_ - 1 : 0;
    } else {
        peakPosition_ = peakSpeed_ > 0
                            ? std::max(peakPosition_ - kNeedlePeakFall, displayedPosition_)
                            : displayedPosition_;
    }
    peakCounter_ = peakSpeed_;
    redrawPending_ = true;
}

std::int32_t LevelEngine::DisplayedPosition() const
{
    std::lock_guard lock(peakLock_);
    return displayedPosition_;
}

std::int32_t LevelEngine::PeakPosition() const
{
    std::lock_guard lock(peakLock_);
    return peakPosition_;
}

std::int32_t LevelEngine::PeakCounter() const
{
    std::lock_guard lock(peakLock_);
    return peakCounter_;
}

bool LevelEngine::RedrawPending() const
{
    std::lock_guard lock(peakLock_);
    return redrawPending_;
}

void LevelEngine::ResetDecayState()
{
    decayClock_.Reset();
    decayChannel_.Reset();
}

void LevelEngine::ClearMeasuredState()
{
    {
        std::lock_guard lock(peakLock_);
        peakPosition_ = 0;
        peakCounter_ = 0;
        displayedPosition_ = 0;
    }
    lastRawPeak_ = 0;
    ResetDecayState();
}

void LevelEngine::UpdateTicker()
{
    // One suspension at most, whatever the reasons, so the ticker always runs
    // again once every reason has gone.
    const bool wanted = enabled_ && (kind_ == LevelKind::Bar ? numPeaks_ > 0 : showPeak_);
    if (ticker_ == nullptr || wanted != tickerSuspended_)
        return;
    if (wanted)
        TickServiceResume(ticker_);
    else
        TickServiceSuspend(ticker_);
    tickerSuspended_ = !wanted;
}

bool LevelEngine::Showing() const
{
    return enabled_ && (!hooks_.isVisible || hooks_.isVisible());
}

void LevelEngine::Repaint() const
{
    Fire(hooks_.repaint);
}

void LevelEngine::Fire(const std::function<void()>& hook) const
{
    if (hook)
        hook();
}

void LevelEngine::RecomputeBytesPerRefresh()
{
    bytesPerRefresh_ = (bitLength_ + 1) * (mode_ + 1) * samples_;
}

void LevelEngine::SetBitLength(TMMBits value)
{
    SetProperty(
        bitLength_, std::min(value, b16Bit), [this] { RecomputeBytesPerRefresh(); },
        [this] { Repaint(); });
}

void LevelEngine::SetMode(TMMMode value)
{
    SetProperty(
        mode_, std::min(value, mStereo), [this] { RecomputeBytesPerRefresh(); },
        [this] { Repaint(); });
}

void LevelEngine::SetChannel(TMMChannel value)
{
    SetProperty(
        channel_, std::min(value, chRight), [this] { RecomputeBytesPerRefresh(); },
        [this] { Repaint(); });
}

void LevelEngine::SetSamples(std::int32_t value)
{
    SetProperty(
        samples_, std::clamp(value, 1, kMaxSamples), [this] { RecomputeBytesPerRefresh(); },
        [this] { Repaint(); });
}

void LevelEngine::SetGain(std::int32_t value)
{
    // Out-of-range gains are ignored, not clamped.
    if (value >= -8 && value <= 32)
        SetProperty(gain_, value, [this] { Repaint(); });
}

void LevelEngine::SetSensitivy(std::int32_t value)
{
    SetProperty(sensitivy_, std::clamp(value, -90, -9), [this] { Repaint(); });
}

void LevelEngine::SetLogAmp(bool value)
{
    SetProperty(logAmp_, value, [this] { Repaint(); });
}

std::int32_t LevelEngine::DCOffsetL() const
{
    return static_cast<std::int32_t>(-offsetL_);
}

void LevelEngine::SetDCOffsetL(std::int32_t value)
{
    offsetL_ = -static_cast<std::int64_t>(value);
}

std::int32_t LevelEngine::DCOffsetR() const
{
    return static_cast<std::int32_t>(-offsetR_);
}

void LevelEngine::SetDCOffsetR(std::int32_t value)
{
    offsetR_ = -static_cast<std::int64_t>(value);
}

void LevelEngine::SetDecayMode(TMMDecayMode value)
{
    SetProperty(decayMode_, std::min(value, dmUniform), [this] { ResetDecayState(); });
}

void LevelEngine::SetDecay(std::int32_t value)
{
    SetProperty(decay_, std::clamp(value, 1, 16), [this] {
        decaySettings_ = DecaySettingsFor(decay_);
        if (decayMode_ == dmUniform)
            ResetDecayState();
    });
}

void LevelEngine::RestartPeakHold()
{
    std::lock_guard lock(peakLock_);
    peakCounter_ = 0;
}

void LevelEngine::SetPeakDelay(std::int32_t value)
{
    SetProperty(
        peakDelay_, std::clamp(value, 0, 50), [this] { RestartPeakHold(); }, [this] { Repaint(); });
}

void LevelEngine::SetPeakSpeed(std::int32_t value)
{
    SetProperty(
        peakSpeed_, std::clamp(value, 0, 50), [this] { RestartPeakHold(); }, [this] { Repaint(); });
}

void LevelEngine::SetNumPeaks(std::int32_t value)
{
    SetProperty(
        numPeaks_, std::clamp(value, 0, 5), [this] { UpdateTicker(); }, [this] { Repaint(); });
}

void LevelEngine::SetShowPeak(bool value)
{
    SetProperty(
        showPeak_, value, [this] { RestartPeakHold(); }, [this] { UpdateTicker(); },
        [this] { Repaint(); });
}

void LevelEngine::SetEnabled(bool value)
{
    SetProperty(enabled_, value, [this] {
        // Disabling empties the display; the needle also starts afresh when enabled.
        if (!enabled_ || kind_ == LevelKind::Needle)
            ClearMeasuredState();
        UpdateTicker();
        Repaint();
    });
}

void LevelEngine::SetRange(std::int32_t positions)
{
    if (kind_ == LevelKind::Needle)
        return; // the needle always spans the full sample scale
    SetProperty(range_, std::max(positions, 0), [this] { Repaint(); });
}

void LevelEngine::SetSymmetric(bool value)
{
    SetProperty(symmetric_, value, [this] { Repaint(); });
}
