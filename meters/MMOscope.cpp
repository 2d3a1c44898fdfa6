#include "meters/MMOscope.h"

#include "audio/Numeric.h"
#include "audio/PropertyRule.h"

#include <QEvent>
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace {

// Columns the buffer holds beyond the plot, so a drawing handler may look a
// little past the last one.
constexpr int kSpareColumns = 40;
constexpr int kAmpMargin = 32;  // each side
constexpr int kTimeMargin = 40; // bottom

} // namespace

TMMOscope::TMMOscope(QWidget* parent) : TMMDIBGraphicControl(parent)
{
    SetColor(clBlack);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true); // the cursor shows what a press over the selection grabs
    SetBounds(0, 0, 194, 90);
    DoLayout();
}

TMMOscope::~TMMOscope() = default;

void TMMOscope::SetStreamFormat(const TWaveFormatEx* format)
{
    // Only the first 16 bytes count: whatever follows belongs to the sender.
    TWaveFormatEx copy{};
    if (format != nullptr)
        std::memcpy(&copy, format, offsetof(TWaveFormatEx, cbSize));
    if (format == nullptr || !IsPcmFormatValid(&copy))
        throw EMMOscopeError("Invalid WaveFormat");
    SetSampleRate(static_cast<int>(copy.nSamplesPerSec));
    SetBitLength(static_cast<TMMBits>(copy.wBitsPerSample / 8 - 1));
    SetMode(static_cast<TMMMode>(copy.nChannels - 1));
}

TWaveFormatEx TMMOscope::StreamFormat() const
{
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 8 * (FLayout.bits + 1), FLayout.mode + 1,
                   static_cast<std::uint32_t>(FSampleRate));
    return format;
}

std::int32_t TMMOscope::BytesPerRefresh() const
{
    return OscopeBytesPerRefresh(FLayout, FColumnCount, FZoom, FScroll, FFFTLength);
}

void TMMOscope::ConsumePcm(const std::uint8_t* data)
{
    if (!isEnabled() || !isVisible() || FReadOutHeld || data == nullptr)
        return;
    if (FScroll) {
        const MinMaxPair extremes = RecorderExtremes(FLayout, data, FFFTLength);
        FColumns[0] = static_cast<std::int16_t>(extremes.first);
        FColumns[1] = static_cast<std::int16_t>(extremes.second);
    } else {
        FillColumns(FLayout, data, FZoom, FLowPass,
                    std::span<std::int16_t>(FColumns.data(), std::size_t(FColumnCount)));
    }
    PaintNow(true, [this](TMMDIBGraphicControl*, bool) { DrawUpdate(Canvas(), true); });
}

void TMMOscope::ClearDisplay()
{
    EndReadOut();
    std::fill(FColumns.begin(), FColumns.end(), std::int16_t(0));
    FSelStart = FSelEnd = -1;
    FLocator = -1;
    Restart();
    update();
}

void TMMOscope::Restart()
{
    FRestartDue = true;
}

// ---------------------------------------------------------------- properties

void TMMOscope::SetKind(TMMOscopeKind value)
{
    SetProperty(
        FKind, value, [this] { Restart(); }, [this] { update(); });
}

void TMMOscope::SetBitLength(TMMBits value)
{
    SetProperty(FLayout.bits, value, [this] { update(); });
}

void TMMOscope::SetMode(TMMMode value)
{
    SetProperty(FLayout.mode, value, [this] { update(); });
}

void TMMOscope::SetChannel(TMMChannel value)
{
    SetProperty(FLayout.channel, value, [this] { update(); });
}

void TMMOscope::SetSampleRate(int value)
{
    SetProperty(FSampleRate, std::clamp(value, 8000, 88200), [this] { update(); });
}

void TMMOscope::SetGain(int value)
{
    if (value >= -8 && value <= 32)
        SetProperty(FGain, value, [this] { update(); });
}

void TMMOscope::SetZoom(int value)
{
    if (value != 0)
        SetProperty(FZoom, std::clamp(value, -9, 9), [this] { update(); });
}

void TMMOscope::SetSteps(int value)
{
    SetProperty(FSteps, std::clamp(value, 1, 9), [this] { update(); });
}

void TMMOscope::SetEffect(TMMOscopeEffect value)
{
    SetProperty(
        FEffect, value, [this] { FBand = EffectBandOf(FEffect, FHeight); }, [this] { update(); });
}

void TMMOscope::SetLowPass(bool value)
{
    SetProperty(FLowPass, value, [this] { update(); });
}

void TMMOscope::SetDrawMidLine(bool value)
{
    SetProperty(FDrawMidLine, value, [this] { update(); });
}

void TMMOscope::SetDrawGrid(bool value)
{
    SetProperty(FDrawGrid, value, [this] { update(); });
}

void TMMOscope::SetDrawAmpScale(bool value)
{
    // The bounds grow to hold the margins if needed, and the plot is laid out anew.
    SetProperty(FDrawAmpScale, value, [this] { SetBounds(x(), y(), width(), height()); });
}

void TMMOscope::SetDrawTimeScale(bool value)
{
    SetProperty(FDrawTimeScale, value, [this] { SetBounds(x(), y(), width(), height()); });
}

void TMMOscope::SetScroll(bool value)
{
    SetProperty(
        FScroll, value, [this] { Restart(); }, [this] { update(); });
}

void TMMOscope::SetAccelerate(bool value)
{
    SetProperty(
        FAccelerate, value, [this] { Restart(); }, [this] { update(); });
}

void TMMOscope::SetFFTLength(int value)
{
    const auto length = static_cast<unsigned>(std::clamp(value, 1, 4096));
    SetProperty(FFFTLength, static_cast<int>(std::bit_floor(length)));
}

void TMMOscope::SetBarWidth(int value)
{
    SetProperty(FBarWidth, std::max(value, 1), [this] { update(); });
}

void TMMOscope::SetShowInfo(bool value)
{
    SetProperty(FShowInfo, value, [this] { EndReadOut(); });
}

void TMMOscope::SetUseSelection(bool value)
{
    SetProperty(FUseSelection, value);
}

void TMMOscope::SetLocked(bool value)
{
    SetProperty(FLocked, value);
}

void TMMOscope::SetColorProperty(TColor& field, TColor value)
{
    SetProperty(
        field, value, [this] { Restart(); }, [this] { update(); });
}

void TMMOscope::SetSelection(int start, int end)
{
    start = std::clamp(start, -1, FColumnCount);
    end = std::clamp(end, -1, FColumnCount);
    if (start > end)
        std::swap(start, end);
    if (end - start <= 0)
        start = end = -1;
    if (start == FSelStart && end == FSelEnd)
        return;
    FSelStart = start;
    FSelEnd = end;
    update();
    if (FSelecting && OnSelecting)
        OnSelecting(this, FSelStart, FSelEnd);
}

void TMMOscope::SetLocator(int column)
{
    SetProperty(FLocator, std::clamp(column, -1, FColumnCount - 1), [this] { update(); });
}

int TMMOscope::BlockMilliseconds() const
{
    const int bytesPerSecond = FSampleRate * FLayout.FrameBytes();
    return static_cast<int>(ScaleRounded(BytesPerRefresh(), 1000, bytesPerSecond));
}

// ---------------------------------------------------------------- layout

void TMMOscope::SetBounds(int left, int top, int width, int height)
{
    const int frame = 2 * Bevel().BevelExtend() + 2;
    width = std::max(width, frame + (FDrawAmpScale ? 2 * kAmpMargin + 2 : 0));
    height = std::max(height, frame + (FDrawTimeScale ? kTimeMargin + 2 : 0));
    TMMDIBGraphicControl::SetBounds(left, top, width, height);
    DoLayout();
}

void TMMOscope::DoLayout()
{
    TRect plot = InnerRect();
    if (FDrawAmpScale) {
        plot.Left += kAmpMargin;
        plot.Right -= kAmpMargin;
    }
    if (FDrawTimeScale)
        plot.Bottom -= kTimeMargin;
    FPlot = plot;
    FColumnCount = std::max(plot.Width(), 4);
    FHeight = std::max(plot.Height(), 4);
    FMid = FHeight / 2;
    FColumns.assign(std::size_t(FColumnCount + kSpareColumns), 0);
    DIBCanvas().SetSize(FColumnCount, FHeight);
    FBand = EffectBandOf(FEffect, FHeight);
    FSelStart = FSelEnd = -1;
    FLocator = -1;
    Restart();
    update();
}

void TMMOscope::BevelChanged()
{
    SetBounds(x(), y(), width(), height());
}

void TMMOscope::ColorChanged()
{
    Restart();
    update();
}

void TMMOscope::resizeEvent(QResizeEvent* event)
{
    TMMDIBGraphicControl::resizeEvent(event);
    DoLayout();
}

void TMMOscope::changeEvent(QEvent* event)
{
    TMMDIBGraphicControl::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled())
        EndReadOut();
    Restart();
    update();
}
