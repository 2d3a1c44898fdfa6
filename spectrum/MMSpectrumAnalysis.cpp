// The analyser's arithmetic: geometry and axes after a setting changes, one
// captured block into bin values, bin values into bar records, and the peak
// ticker that lets the markers fall.
#include "spectrum/MMSpectrum.h"

#include "audio/TickService.h"
#include "spectrum/SpectrumBlock.h"

#include <algorithm>
#include <bit>
#include <cmath>

void TMMSpectrum::UpdateGeometry()
{
    const int b = Bevel().BevelExtend();
    const int side = FDrawAmpScale ? 32 : 0;
    const int below = FDrawFreqScale ? 40 : 0;
    FWidth = std::max(width() - 2 * b - 2 * side, 4);
    FHeight = std::max(height() - 2 * b - below, 4);
    FDisplay = {b + side, b, b + side + FWidth, b + FHeight};
    DIBCanvas().SetSize(FWidth, FHeight);
    FInactive.SetSize(FWidth, FHeight);
    {
        std::lock_guard lock(FBarLock);
        FBars.assign(std::size_t(FWidth) + 1, TSpectrumBar{});
    }
    FFrame.assign(std::size_t(FWidth) + 1, TSpectrumBar{});
    FFirstBin.assign(std::size_t(FWidth) + 10, 0);
    FEndBin.assign(std::size_t(FWidth) + 10, 0);
    FFactor.assign(std::size_t(FWidth), 0);
    ComputeSpots();
    UpdateBytesPerRefresh();
    UpdateFrequencyMapping();
    ResetAnalysis();
}

void TMMSpectrum::ComputeSpots()
{
    FSpotHeight = std::max(FSpotHeight, 1);
    FSpots = SpotGeometryFor(FKind, FHeight, FSpotHeight, FSpotSpace, FPoint1, FPoint2);
}

void TMMSpectrum::UpdateSpotGeometry()
{
    ComputeSpots();
    RedrawInactive();
    ResetAnalysis();
    Redraw();
}

void TMMSpectrum::UpdateFrequencyMapping()
{
    FrequencyAxis axis{FSampleRate, FFFTLength, FLogFreq, FZoom, FStartFrequency};
    LimitFrequencyAxis(axis);
    FZoom = axis.zoom;
    FStartFrequency = axis.startFrequency;
    if (FOnGetXScale) {
        FOnGetXScale(this, FFirstBin.data(), FEndBin.data());
        // Whatever the handler wrote, no column may read past the bins.
        const int lastBin = FFFTLength / 2 - 1;
        for (int i = 0; i < FWidth; ++i) {
            FFirstBin[std::size_t(i)] = std::clamp(FFirstBin[std::size_t(i)], -1, lastBin);
            FEndBin[std::size_t(i)] = std::clamp(FEndBin[std::size_t(i)], 0, lastBin + 1);
        }
        if (FFirstBin[0] < 0)
            FFirstBin[0] = 0;
    } else {
        MapColumns(axis, FWidth, FFirstBin.data(), FEndBin.data());
    }
    MarkContinuations(FWidth, FFirstBin.data(), FEndBin.data());
    UpdateAmplitudeTables();
    RedrawInactive();
    update(); // the frequency scale follows the mapping
}

void TMMSpectrum::UpdateAmplitudeTables()
{
    const AmplitudeAxis axis{FHeight,        FSampleRate, FFFTLength, FRefFreq,
                             FVerticalScale, FGain,       FLogAmp};
    FTables =
        BuildAmplitudeTables(axis, FFirstBin.data(), FWidth, FFactor.data(), FLogOffset.data());
}

void TMMSpectrum::UpdatePlan()
{
    const int order = std::countr_zero(unsigned(FFFTLength));
    DisposeTransformPlan(FPlan);
    FPlan = NewTransformPlan(order);
    FillWindowTable(FWindowTable.data(), FWindow, order);
}

void TMMSpectrum::UpdateBytesPerRefresh()
{
    FBytesPerRefresh = (FLayout.bits + 1) * (FLayout.mode + 1) * FFFTLength;
}

void TMMSpectrum::ResetAnalysis()
{
    EndInfo();
    std::fill(FBinValue.begin(), FBinValue.end(), 0);
    std::fill(FSpectrum.begin(), FSpectrum.end(), std::int16_t(0));
    ClearBars();
    FHighest = {};
    ResetDecay();
    if (isEnabled())
        Fire(OnNeedData);
}

void TMMSpectrum::ResetDecay()
{
    FDecayClock.Reset();
    for (DecayChannel& channel : FDecayState)
        channel.Reset();
}

void TMMSpectrum::ClearBars()
{
    std::lock_guard lock(FBarLock);
    std::fill(FBars.begin(), FBars.end(), TSpectrumBar{});
}

std::vector<TSpectrumBar> TMMSpectrum::Bars() const
{
    std::lock_guard lock(FBarLock);
    std::vector<TSpectrumBar> bars;
    for (const TSpectrumBar& bar : FBars) {
        if (bar.first < 0)
            break;
        bars.push_back(bar);
    }
    return bars;
}

void TMMSpectrum::ConsumePcm(const std::uint8_t* data)
{
    if (data == nullptr || !isEnabled() || !isVisible() || FInfoActive)
        return;
    AnalyseBlock(data);
    if (!FRefresh)
        FRefresh = [this](TMMDIBGraphicControl*, bool) { DrawFrame(Canvas(), true); };
    PaintNow(true, FRefresh);
}

void TMMSpectrum::AnalyseBlock(const std::uint8_t* data)
{
    const int n = FFFTLength;
    const int overflows = PrepareBlock(data, n, FLayout, DifferenceOrder(FGain),
                                       FWindowTable.data(), FSamples.data());
    RunRealTransform(FPlan, FSamples.data(), 1);
    StoreSpectrum(FSamples.data(), n, FSpectrum.data());

    const bool logWithoutDecay = FDecayMode == dmNone && FLogAmp;
    if (!logWithoutDecay)
        FDecayClock.Advance(FDecaySettings.window);
    for (int j = 0; j < n / 2; ++j) {
        const std::int32_t p =
            BinPower(FSpectrum[std::size_t(2 * j)], FSpectrum[std::size_t(2 * j + 1)]);
        std::int32_t value;
        if (logWithoutDecay) {
            value = p > 0 ? static_cast<std::int32_t>(std::log(double(p)) * kLogUnitsPerLn -
                                                      FLogOffset[std::size_t(j)])
                          : 0;
            value = std::max(value, 0);
        } else {
            const auto m = static_cast<std::int32_t>(std::sqrt(double(p)) * 16);
            value = FDecayState[std::size_t(j)].Apply(FDecayMode, FDecaySettings, FDecayClock, m);
        }
        FBinValue[std::size_t(j)] = value;
    }
    for (int i = 0; i < overflows; ++i)
        Fire(OnPcmOverflow);
}

void TMMSpectrum::BuildBars()
{
    // Caller holds FBarLock.
    const bool logWithDecay = FLogAmp && FDecayMode != dmNone;
    FHighest = {};
    FGainOverflows = 0;
    int record = -1;
    for (int column = 0; column < FWidth; ++column) {
        const std::int32_t first = FFirstBin[std::size_t(column)];
        if (first < 0)
            continue;
        if (record >= 0)
            FBars[std::size_t(record)].end = column;
        TSpectrumBar& bar = FBars[std::size_t(++record)];
        bar.first = column;
        const std::int32_t endBin = std::max(FEndBin[std::size_t(column)], first + 1);
        std::int32_t v = FBinValue[std::size_t(first)];
        std::int32_t b = first;
        for (std::int32_t j = first + 1; j < endBin; ++j) {
            if (FBinValue[std::size_t(j)] > v) {
                v = FBinValue[std::size_t(j)];
                b = j;
            }
        }
        std::int32_t value = 0;
        if (logWithDecay) {
            if (v >= 1)
                value =
                    std::max(0, static_cast<std::int32_t>((std::log(v / 16.0) * 2 * kLogUnitsPerLn -
                                                           FLogOffset[std::size_t(b)]) *
                                                          double(FTables.pixelsPerUnit)));
        } else if (v > 0) {
            const std::uint32_t product =
                std::uint32_t(v) * std::uint32_t(FFactor[std::size_t(column)]);
            value = static_cast<std::int32_t>(product >> FTables.shift);
        }
        bar.value = value;
        if (value > FHighest.value)
            FHighest = {value, first, column};
        if (value >= FHeight)
            ++FGainOverflows;
    }
    if (record >= 0)
        FBars[std::size_t(record)].end = FWidth;
    FBars[std::size_t(record + 1)].first = -1;
}

void TMMSpectrum::TickPeaks()
{
    if (FNumPeaks <= 0 || FInfoActive)
        return;
    const int speed = FPeakSpeed;
    std::lock_guard lock(FBarLock);
    for (TSpectrumBar& bar : FBars) {
        if (bar.first < 0)
            break;
        if (bar.peak <= 0 || --bar.hold > 0)
            continue;
        if (speed != 0) {
            --bar.peak;
            bar.hold = speed;
        } else {
            bar.peak = 0;
            bar.hold = 0;
        }
    }
}

void TMMSpectrum::UpdateTicker()
{
    // One suspension at most, whatever the reasons, so the ticker always runs
    // again once every reason has gone.
    const bool wanted = isEnabled() && FNumPeaks > 0;
    if (FTicker == nullptr || wanted != FTickerSuspended)
        return;
    if (wanted)
        TickServiceResume(FTicker);
    else
        TickServiceSuspend(FTicker);
    FTickerSuspended = !wanted;
}
