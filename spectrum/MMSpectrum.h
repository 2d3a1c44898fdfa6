#pragma once

#include "audio/Decay.h"
#include "audio/MMDisplay.h"
#include "platform/Exception.h"
#include "spectrum/MMDIBGraphicControl.h"
#include "spectrum/MMFFT.h"
#include "spectrum/SpectrumAxes.h"
#include "spectrum/SpectrumBlock.h"
#include "spectrum/SpectrumTypes.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

SONAVIA_ERROR_CLASS(EMMSpectrumError, platform::Exception)

struct TickHandler;
class TMMSpectrum;

using TMMSpectrumDrawBar =
    std::function<void(TMMSpectrum* sender, TMMDIBCanvas& dib, TRect& rect, int nSpots, int peak)>;
using TMMSpectrumClear = std::function<void(TMMSpectrum* sender, TMMDIBCanvas& dib, TRect& rect)>;
using TMMSpectrumGetXScale =
    std::function<void(TMMSpectrum* sender, std::int32_t* pX1, std::int32_t* pX2)>;
using TMMSpectrumNotify = std::function<void(TMMSpectrum* sender)>;

// One bar of the last frame: columns [first, end), height in pixels, peak marker
// (spots for the bar kinds, pixels for the line kinds) and its hold counter.
struct TSpectrumBar {
    std::int32_t first = -1;
    std::int32_t end = 0;
    std::int32_t value = 0;
    std::int32_t peak = 0;
    std::int32_t hold = 0;
};

// The live spectrum display: each block of captured PCM is windowed, transformed
// and turned into bars on a linear or logarithmic frequency and amplitude axis,
// smoothed by the decay modes, with falling peak markers, and drawn at once.
class TMMSpectrum : public TMMDIBGraphicControl, public TMMDisplay {
    Q_OBJECT
public:
    static constexpr int kMaxFFTLength = 4096;

    explicit TMMSpectrum(QWidget* parent = nullptr);
    ~TMMSpectrum() override;

    // The connector's display contract.
    void SetStreamFormat(const TWaveFormatEx* format) override;
    std::int32_t BytesPerRefresh() const override { return FBytesPerRefresh; }
    void ConsumePcm(const std::uint8_t* data) override;
    void ClearDisplay() override;

    bool ShowInfo() const { return FShowInfo; }
    void SetShowInfo(bool value);
    bool DrawFreqScale() const { return FDrawFreqScale; }
    void SetDrawFreqScale(bool value);
    bool DrawAmpScale() const { return FDrawAmpScale; }
    void SetDrawAmpScale(bool value);
    bool DrawGrid() const { return FDrawGrid; }
    void SetDrawGrid(bool value);
    int Space() const { return FSpace; }
    void SetSpace(int value); // 0..5
    int SpotSpace() const { return FSpotSpace; }
    void SetSpotSpace(int value); // 0..10
    int SpotHeight() const { return FSpotHeight; }
    void SetSpotHeight(int value);                               // 1..H/3
    TColor BarColor(int zone) const { return FBarColors[zone]; } // Bar1Color .. Bar3Color
    void SetBarColor(int zone, TColor value);
    TColor InactiveColor(int zone) const { return FInactiveColors[zone]; } // Inactive1Color ..
    void SetInactiveColor(int zone, TColor value);
    TColor ScaleTextColor() const { return FScaleTextColor; }
    void SetScaleTextColor(TColor value);
    TColor ScaleLineColor() const { return FScaleLineColor; }
    void SetScaleLineColor(TColor value);
    TColor GridColor() const { return FGridColor; }
    void SetGridColor(TColor value);
    int Point1() const { return FPoint1; }
    void SetPoint1(int value); // 1..100
    int Point2() const { return FPoint2; }
    void SetPoint2(int value); // 1..100
    bool DrawInactive() const { return FDrawInactive; }
    void SetDrawInactive(bool value);
    bool InactiveDoted() const { return FInactiveDoted; }
    void SetInactiveDoted(bool value);
    bool ActiveDoted() const { return FActiveDoted; }
    void SetActiveDoted(bool value);
    TMMMode Mode() const { return FLayout.mode; }
    void SetMode(TMMMode value);
    TMMBits BitLength() const { return FLayout.bits; }
    void SetBitLength(TMMBits value);
    TMMChannel Channel() const { return FLayout.channel; }
    void SetChannel(TMMChannel value);
    int SampleRate() const { return FSampleRate; }
    void SetSampleRate(int value); // 8000..100000
    int RefFreq() const { return FRefFreq; }
    void SetRefFreq(int value); // 1..44100
    TMMSpectrumGain Gain() const { return FGain; }
    void SetGain(TMMSpectrumGain value);
    int FFTLength() const { return FFFTLength; }
    void SetFFTLength(int value); // 8..4096, a power of two
    bool LogFreq() const { return FLogFreq; }
    void SetLogFreq(bool value);
    bool LogAmp() const { return FLogAmp; }
    void SetLogAmp(bool value);
    TMMSpectrumKind Kind() const { return FKind; }
    void SetKind(TMMSpectrumKind value);
    TMMFFTWindow Window() const { return FWindow; }
    void SetWindow(TMMFFTWindow value);
    TMMDecayMode DecayMode() const { return FDecayMode; }
    void SetDecayMode(TMMDecayMode value);
    int Decay() const { return FDecay; }
    void SetDecay(int value); // 1..16
    int VerticalScale() const;
    void SetVerticalScale(int value); // 1..500 percent
    int FrequencyScale() const { return int(FZoom); }
    void SetFrequencyScale(int value); // 1..16, a power of two
    int NumPeaks() const { return FNumPeaks; }
    void SetNumPeaks(int value); // 0..5
    int PeakDelay() const { return FPeakDelay; }
    void SetPeakDelay(int value); // 0..50
    int PeakSpeed() const { return FPeakSpeed; }
    void SetPeakSpeed(int value); // 0..50
    bool DisplayPeak() const { return FDisplayPeak; }
    void SetDisplayPeak(bool value);

    TMMSpectrumNotify OnNeedData;
    TMMSpectrumNotify OnGainOverflow;
    TMMSpectrumNotify OnPcmOverflow;
    TMMSpectrumClear OnClearBackground;
    TMMSpectrumDrawBar OnDrawBar() const { return FOnDrawBar; }
    void SetOnDrawBar(TMMSpectrumDrawBar handler);
    TMMSpectrumGetXScale OnGetXScale() const { return FOnGetXScale; }
    void SetOnGetXScale(TMMSpectrumGetXScale handler);

    // Analysis state, as the drawing reads it.
    TRect DisplayRect() const { return FDisplay; }
    const SpotGeometry& Spots() const { return FSpots; }
    std::int32_t FirstBin(int column) const { return FFirstBin[std::size_t(column)]; }
    std::int32_t EndBin(int column) const { return FEndBin[std::size_t(column)]; }
    std::int32_t ColumnFactor(int column) const { return FFactor[std::size_t(column)]; }
    std::int32_t Shift() const { return FTables.shift; }
    std::int32_t BinValue(int bin) const { return FBinValue[std::size_t(bin)]; }
    const DecaySettings& DecayParameters() const { return FDecaySettings; }
    // The bar records of the last frame, up to the terminator.
    std::vector<TSpectrumBar> Bars() const;
    struct THighestBar {
        std::int32_t value = 0;
        std::int32_t bin = -1;
        std::int32_t column = -1;
    };
    THighestBar HighestBar() const { return FHighest; }
    // Frequency of a bin as the peak text shows it, in Hz.
    double BinFrequency(int bin) const;
    // Frequency (Hz) and level under a point of the display (its own coordinates).
    double FrequencyAt(int x) const;
    double LevelAt(int y) const;
    // The text of the info box for a point of the display.
    QString InfoText(int x, int y) const;
    bool InfoActive() const { return FInfoActive.load(); }
    // The info box's rectangle in display coordinates for a pointer at (x, y) of
    // the control and a text of the given size; empty outside the display.
    TRect InfoBoxRect(int x, int y, int textWidth, int textHeight) const;

    // One step of the peak ticker, as the shared 25 ms timer runs it.
    void TickPeaks();

    void SetBitsPerPixel(int bits) override;
    void SetBounds(int left, int top, int width, int height) override;
    // The picture of all unlit spots every bar frame starts from.
    const TMMDIBCanvas& InactiveImage() const { return FInactive; }

protected:
    void Paint(QPainter& canvas) override;
    void BevelChanged() override;
    void ColorChanged() override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static void TickCallback(TickHandler* handler, void* owner);

    // Analysis (MMSpectrumAnalysis.cpp).
    void UpdateGeometry();
    void ComputeSpots();
    void UpdateSpotGeometry();
    void UpdateFrequencyMapping();
    void UpdateAmplitudeTables();
    void UpdatePlan();
    void UpdateBytesPerRefresh();
    void ResetAnalysis();
    void ResetDecay();
    void ClearBars();
    void AnalyseBlock(const std::uint8_t* data);
    void BuildBars();
    void UpdateTicker();
    void Fire(const TMMSpectrumNotify& handler)
    {
        if (handler)
            handler(this);
    }

    // Drawing (MMSpectrumDraw.cpp).
    void DrawFrame(QPainter* screen, bool refresh);
    void DrawBackground(TMMDIBCanvas& dib, bool refresh);
    void DrawGridLines(TMMDIBCanvas& dib);
    void DrawSpotBars(TMMDIBCanvas& dib, bool enabled);
    void DrawLineKind(TMMDIBCanvas& dib, bool enabled);
    void DrawDots(TMMDIBCanvas& dib, bool enabled);
    void DrawVLines(TMMDIBCanvas& dib, bool enabled);
    void CatchPeaks();
    int SpotsOf(int value) const;
    void DrawSpot(TMMDIBCanvas& dib, const TRect& columns, int spot, bool dotted);
    TRect NarrowColumns(int first, int end) const;
    void RedrawInactive();
    int HorizontalGridLines(bool logAmp) const;
    int VerticalGridLines() const;

    // Screen side (MMSpectrumPaint.cpp).
    void DrawPeakText(QPainter& screen);
    void DrawInfoBox(QPainter& screen);
    void DrawFrequencyScale(QPainter& canvas);
    void DrawAmplitudeScales(QPainter& canvas);
    void EndInfo();
    void Redraw() { update(); }

    // Settings.
    bool FShowInfo = true;
    bool FDrawFreqScale = false;
    bool FDrawAmpScale = false;
    bool FDrawGrid = false;
    int FSpace = 1;
    int FSpotSpace = 1;
    int FSpotHeight = 1;
    TColor FBarColors[3] = {clAqua, clAqua, clRed};
    TColor FInactiveColors[3] = {clTeal, clTeal, clMaroon};
    TColor FScaleTextColor = clBlack;
    TColor FScaleLineColor = clBlack;
    TColor FGridColor = clGray;
    int FPoint1 = 50;
    int FPoint2 = 85;
    bool FDrawInactive = true;
    bool FInactiveDoted = false;
    bool FActiveDoted = false;
    BlockLayout FLayout;
    int FSampleRate = 11025;
    int FRefFreq = 1000;
    TMMSpectrumGain FGain = sgNone;
    int FFFTLength = 128;
    bool FLogFreq = false;
    bool FLogAmp = false;
    TMMSpectrumKind FKind = skBars;
    TMMFFTWindow FWindow = fwHamming;
    TMMDecayMode FDecayMode = dmNone;
    int FDecay = 1;
    float FVerticalScale = 1.0f;
    float FZoom = 1.0f;
    float FStartFrequency = 1.0f;
    std::atomic<int> FNumPeaks{1}; // read by the peak ticker
    int FPeakDelay = 20;
    std::atomic<int> FPeakSpeed{0};
    bool FDisplayPeak = false;
    TMMSpectrumDrawBar FOnDrawBar;
    TMMSpectrumGetXScale FOnGetXScale;

    // Analysis state; the per-bin arrays are sized for the longest transform.
    std::int32_t FBytesPerRefresh = 0;
    TransformPlan* FPlan = nullptr;
    std::vector<std::int32_t> FWindowTable;
    std::vector<float> FSamples;
    std::vector<std::int16_t> FSpectrum;
    std::vector<std::int32_t> FBinValue;
    std::vector<std::int32_t> FLogOffset;
    std::vector<DecayChannel> FDecayState;
    DecayClock FDecayClock;
    DecaySettings FDecaySettings;
    TRect FDisplay{0, 0, 4, 4};
    int FWidth = 4;
    int FHeight = 4;
    std::vector<std::int32_t> FFirstBin;
    std::vector<std::int32_t> FEndBin;
    std::vector<std::int32_t> FFactor;
    AmplitudeTables FTables;
    SpotGeometry FSpots;
    THighestBar FHighest;

    // The bar records; the timer thread lowers peaks while the UI thread draws.
    // A frame builds them and catches peaks under the lock, then draws from its
    // own copy, so handlers called while drawing may read Bars().
    mutable std::mutex FBarLock;
    std::vector<TSpectrumBar> FBars;
    std::vector<TSpectrumBar> FFrame;
    int FGainOverflows = 0;
    TPaintNowProc FRefresh;

    TMMDIBCanvas FInactive;
    TickHandler* FTicker = nullptr;
    bool FTickerSuspended = false;
    std::atomic<bool> FInfoActive{false};
    TPoint FInfoPoint;
    QString FSavedToolTip;
};
