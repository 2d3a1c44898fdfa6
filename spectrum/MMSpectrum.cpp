// The analyser's settings: construction, the display contract's format and
// clearing, and every property with its range rule and what it recomputes.
#include "spectrum/MMSpectrum.h"

#include "audio/PropertyRule.h"
#include "audio/TickService.h"

#include <QEvent>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr int kBins = TMMSpectrum::kMaxFFTLength / 2;

int PowerOfTwoAtMost(int value)
{
    return int(std::bit_floor(unsigned(value)));
}

} // namespace

TMMSpectrum::TMMSpectrum(QWidget* parent)
    : TMMDIBGraphicControl(parent), FWindowTable(kMaxFFTLength), FSamples(kMaxFFTLength),
      FSpectrum(kMaxFFTLength), FBinValue(kBins), FLogOffset(kBins), FDecayState(kBins),
      FInactive(this)
{
    SetColor(clBlack);
    setMouseTracking(false);
    FTicker = TickServiceAdd(kTickPeriodMs, 0, &TMMSpectrum::TickCallback, this);
    UpdatePlan();
    TMMDIBGraphicControl::SetBounds(0, 0, 194, 89);
    UpdateGeometry();
}

TMMSpectrum::~TMMSpectrum()
{
    TickServiceRemove(FTicker);
    DisposeTransformPlan(FPlan);
}

void TMMSpectrum::TickCallback(TickHandler*, void* owner)
{
    static_cast<TMMSpectrum*>(owner)->TickPeaks();
}

void TMMSpectrum::SetStreamFormat(const TWaveFormatEx* format)
{
    // Only the first 16 bytes count: whatever follows belongs to the sender.
    TWaveFormatEx copy{};
    if (format != nullptr)
        std::memcpy(&copy, format, offsetof(TWaveFormatEx, cbSize));
    if (format == nullptr || !IsPcmFormatValid(&copy))
        throw EMMSpectrumError("Invalid WaveFormat");
    SetSampleRate(int(copy.nSamplesPerSec));
    SetBitLength(static_cast<TMMBits>(copy.wBitsPerSample / 8 - 1));
    SetMode(static_cast<TMMMode>(copy.nChannels - 1));
}

void TMMSpectrum::ClearDisplay()
{
    ResetAnalysis();
    update();
}

void TMMSpectrum::SetShowInfo(bool value)
{
    SetProperty(FShowInfo, value);
}

void TMMSpectrum::SetDrawFreqScale(bool value)
{
    SetProperty(FDrawFreqScale, value, [this] {
        SetBounds(x(), y(), width(), height());
        update();
    });
}

void TMMSpectrum::SetDrawAmpScale(bool value)
{
    SetProperty(FDrawAmpScale, value, [this] {
        SetBounds(x(), y(), width(), height());
        update();
    });
}

void TMMSpectrum::SetDrawGrid(bool value)
{
    SetProperty(FDrawGrid, value, [this] { Redraw(); });
}

void TMMSpectrum::SetSpace(int value)
{
    if (value < 0 || value > 5)
        return;
    SetProperty(
        FSpace, value, [this] { RedrawInactive(); }, [this] { ClearBars(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetSpotSpace(int value)
{
    if (value < 0 || value > 10)
        return;
    SetProperty(FSpotSpace, value, [this] { UpdateSpotGeometry(); });
}

void TMMSpectrum::SetSpotHeight(int value)
{
    if (value < 1 || value > FHeight / 3)
        return;
    SetProperty(FSpotHeight, value, [this] { UpdateSpotGeometry(); });
}

void TMMSpectrum::SetBarColor(int zone, TColor value)
{
    SetProperty(
        FBarColors[zone], value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetInactiveColor(int zone, TColor value)
{
    SetProperty(
        FInactiveColors[zone], value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetScaleTextColor(TColor value)
{
    SetProperty(
        FScaleTextColor, value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetScaleLineColor(TColor value)
{
    SetProperty(
        FScaleLineColor, value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetGridColor(TColor value)
{
    SetProperty(
        FGridColor, value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetPoint1(int value)
{
    if (value < 1 || value > 100)
        return;
    SetProperty(FPoint1, value, [this] { UpdateSpotGeometry(); });
}

void TMMSpectrum::SetPoint2(int value)
{
    if (value < 1 || value > 100)
        return;
    SetProperty(FPoint2, value, [this] { UpdateSpotGeometry(); });
}

void TMMSpectrum::SetDrawInactive(bool value)
{
    SetProperty(FDrawInactive, value, [this] { Redraw(); });
}

void TMMSpectrum::SetInactiveDoted(bool value)
{
    SetProperty(
        FInactiveDoted, value, [this] { RedrawInactive(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetActiveDoted(bool value)
{
    SetProperty(FActiveDoted, value, [this] { Redraw(); });
}

void TMMSpectrum::SetMode(TMMMode value)
{
    SetProperty(
        FLayout.mode, value, [this] { UpdateBytesPerRefresh(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetBitLength(TMMBits value)
{
    SetProperty(
        FLayout.bits, value, [this] { UpdateBytesPerRefresh(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetChannel(TMMChannel value)
{
    SetProperty(
        FLayout.channel, value, [this] { UpdateBytesPerRefresh(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetSampleRate(int value)
{
    SetProperty(
        FSampleRate, std::clamp(value, 8000, 100000), [this] { UpdateFrequencyMapping(); },
        [this] { ResetAnalysis(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetRefFreq(int value)
{
    SetProperty(
        FRefFreq, std::clamp(value, 1, 44100), [this] { UpdateAmplitudeTables(); },
        [this] { ClearBars(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetGain(TMMSpectrumGain value)
{
    SetProperty(
        FGain, value, [this] { UpdateAmplitudeTables(); }, [this] { ClearBars(); },
        [this] { Redraw(); });
}

void TMMSpectrum::SetFFTLength(int value)
{
    SetProperty(
        FFFTLength, PowerOfTwoAtMost(std::clamp(value, 8, kMaxFFTLength)), [this] { UpdatePlan(); },
        [this] { UpdateFrequencyMapping(); }, [this] { UpdateBytesPerRefresh(); },
        [this] { ResetAnalysis(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetLogFreq(bool value)
{
    SetProperty(
        FLogFreq, value, [this] { UpdateFrequencyMapping(); }, [this] { ResetAnalysis(); },
        [this] { Redraw(); });
}

void TMMSpectrum::SetLogAmp(bool value)
{
    SetProperty(
        FLogAmp, value, [this] { UpdateAmplitudeTables(); }, [this] { ResetAnalysis(); },
        [this] { Redraw(); });
}

void TMMSpectrum::SetKind(TMMSpectrumKind value)
{
    SetProperty(FKind, value, [this] { UpdateSpotGeometry(); });
}

void TMMSpectrum::SetWindow(TMMFFTWindow value)
{
    SetProperty(FWindow, value, [this] {
        FillWindowTable(FWindowTable.data(), FWindow, std::countr_zero(unsigned(FFFTLength)));
    });
}

void TMMSpectrum::SetDecayMode(TMMDecayMode value)
{
    SetProperty(FDecayMode, value, [this] { ResetDecay(); });
}

void TMMSpectrum::SetDecay(int value)
{
    SetProperty(FDecay, std::clamp(value, 1, 16), [this] {
        FDecaySettings = DecaySettingsFor(FDecay);
        if (FDecayMode == dmUniform)
            ResetDecay();
    });
}

int TMMSpectrum::VerticalScale() const
{
    return int(std::lround(FVerticalScale / 0.01f));
}

void TMMSpectrum::SetVerticalScale(int value)
{
    const float scale = static_cast<float>(std::clamp(value, 1, 500) * 0.01);
    SetProperty(
        FVerticalScale, scale, [this] { UpdateAmplitudeTables(); }, [this] { ClearBars(); },
        [this] { Redraw(); });
}

void TMMSpectrum::SetFrequencyScale(int value)
{
    const float zoom = float(PowerOfTwoAtMost(std::clamp(value, 1, 16)));
    SetProperty(
        FZoom, zoom, [this] { UpdateFrequencyMapping(); }, [this] { ResetAnalysis(); },
        [this] { Redraw(); });
}

void TMMSpectrum::SetNumPeaks(int value)
{
    if (value < 0 || value > 5)
        return;
    SetProperty(
        FNumPeaks, value, [this] { ClearBars(); }, [this] { UpdateTicker(); });
}

void TMMSpectrum::SetPeakDelay(int value)
{
    if (value < 0 || value > 50)
        return;
    SetProperty(
        FPeakDelay, value, [this] { ClearBars(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetPeakSpeed(int value)
{
    if (value < 0 || value > 50)
        return;
    SetProperty(
        FPeakSpeed, value, [this] { ClearBars(); }, [this] { Redraw(); });
}

void TMMSpectrum::SetDisplayPeak(bool value)
{
    SetProperty(FDisplayPeak, value, [this] { Redraw(); });
}

void TMMSpectrum::SetOnDrawBar(TMMSpectrumDrawBar handler)
{
    FOnDrawBar = std::move(handler);
    RedrawInactive();
    Redraw();
}

void TMMSpectrum::SetOnGetXScale(TMMSpectrumGetXScale handler)
{
    FOnGetXScale = std::move(handler);
    UpdateFrequencyMapping();
    ResetAnalysis();
    Redraw();
}

void TMMSpectrum::SetBitsPerPixel(int bits)
{
    TMMDIBGraphicControl::SetBitsPerPixel(bits);
    FInactive.SetBitsPerPixel(bits);
    RedrawInactive();
}

void TMMSpectrum::SetBounds(int left, int top, int width, int height)
{
    const int b = Bevel().BevelExtend();
    width = std::max(width, 2 * b + (FDrawAmpScale ? 69 : 5));
    height = std::max(height, 2 * b + (FDrawFreqScale ? 45 : 5));
    TMMDIBGraphicControl::SetBounds(left, top, width, height);
    UpdateGeometry();
}

void TMMSpectrum::BevelChanged()
{
    UpdateGeometry();
    update();
}

void TMMSpectrum::ColorChanged()
{
    RedrawInactive();
    update();
}

void TMMSpectrum::resizeEvent(QResizeEvent* event)
{
    TMMDIBGraphicControl::resizeEvent(event);
    UpdateGeometry();
}

void TMMSpectrum::changeEvent(QEvent* event)
{
    TMMDIBGraphicControl::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (isEnabled())
        ResetAnalysis();
    else
        ClearDisplay();
    UpdateTicker();
    update();
}
