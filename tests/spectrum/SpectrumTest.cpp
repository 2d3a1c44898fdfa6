#include "audio/TickService.h"
#include "spectrum/MMSpectrum.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWindow>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int kRate = 44100;

// Interleaved 16-bit stereo, n frames: sample(i) gives (left, right).
std::vector<std::uint8_t> Stereo16(int n, const std::function<std::pair<int, int>(int)>& sample)
{
    std::vector<std::uint8_t> block(std::size_t(n) * 4);
    for (int i = 0; i < n; ++i) {
        const auto [l, r] = sample(i);
        const std::int16_t pair[2] = {std::int16_t(l), std::int16_t(r)};
        std::memcpy(block.data() + 4 * i, pair, 4);
    }
    return block;
}

std::vector<std::uint8_t> Sine(int n, double hz, double amplitude)
{
    return Stereo16(n, [&](int i) {
        const int v = int(std::lround(amplitude * std::sin(2 * M_PI * hz * i / kRate)));
        return std::make_pair(v, v);
    });
}

// A spectrum of 16-bit stereo at 44.1 kHz on a frameless 170 x 56 display, shown.
struct Shown {
    TMMSpectrum s;
    explicit Shown(int fftLength = 64)
    {
        s.Bevel().SetBevelOuter(bvNone);
        s.SetBounds(0, 0, 170, 56);
        s.SetMode(mStereo);
        s.SetBitLength(b16Bit);
        s.SetSampleRate(kRate);
        s.SetFFTLength(fftLength);
        s.show();
        QElapsedTimer timer;
        timer.start();
        while (!(s.windowHandle() && s.windowHandle()->isExposed()) && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    void Feed(const std::vector<std::uint8_t>& block) { s.ConsumePcm(block.data()); }
    std::int32_t MaxBin() const
    {
        std::int32_t m = 0;
        for (int j = 0; j < s.FFTLength() / 2; ++j)
            m = std::max(m, s.BinValue(j));
        return m;
    }
};

int PeakOfBin(const TMMSpectrum& s, int bin)
{
    for (const TSpectrumBar& bar : s.Bars())
        if (s.FirstBin(bar.first) == bin)
            return bar.peak;
    return -1;
}

// The peak ticker runs only when a test says so.
struct ManualTicks {
    ManualTicks() { TickServiceSetManual(true); }
    ~ManualTicks() { TickServiceSetManual(false); }
};

TEST(Spectrum, OutOfRangeWritesAreClampedOrIgnored)
{
    const struct {
        const char* name;
        std::function<void(TMMSpectrum&)> write;
        std::function<int(const TMMSpectrum&)> read;
        int expected;
    } cases[] = {
        {"FFTLength 100", [](auto& s) { s.SetFFTLength(100); },
         [](auto& s) { return s.FFTLength(); }, 64},
        {"FFTLength 5000", [](auto& s) { s.SetFFTLength(5000); },
         [](auto& s) { return s.FFTLength(); }, 4096},
        {"FFTLength 3", [](auto& s) { s.SetFFTLength(3); }, [](auto& s) { return s.FFTLength(); },
         8},
        {"FrequencyScale 3", [](auto& s) { s.SetFrequencyScale(3); },
         [](auto& s) { return s.FrequencyScale(); }, 2},
        {"VerticalScale 0", [](auto& s) { s.SetVerticalScale(0); },
         [](auto& s) { return s.VerticalScale(); }, 1},
        {"VerticalScale 900", [](auto& s) { s.SetVerticalScale(900); },
         [](auto& s) { return s.VerticalScale(); }, 500},
        {"VerticalScale 20", [](auto& s) { s.SetVerticalScale(20); },
         [](auto& s) { return s.VerticalScale(); }, 20},
        {"SampleRate 10", [](auto& s) { s.SetSampleRate(10); },
         [](auto& s) { return s.SampleRate(); }, 8000},
        {"RefFreq 50000", [](auto& s) { s.SetRefFreq(50000); }, [](auto& s) { return s.RefFreq(); },
         44100},
        {"Decay 17", [](auto& s) { s.SetDecay(17); }, [](auto& s) { return s.Decay(); }, 16},
        {"Space 6", [](auto& s) { s.SetSpace(6); }, [](auto& s) { return s.Space(); }, 1},
        {"SpotSpace 11", [](auto& s) { s.SetSpotSpace(11); }, [](auto& s) { return s.SpotSpace(); },
         1},
        {"SpotHeight 30 > H/3", [](auto& s) { s.SetSpotHeight(30); },
         [](auto& s) { return s.SpotHeight(); }, 1},
        {"NumPeaks 6", [](auto& s) { s.SetNumPeaks(6); }, [](auto& s) { return s.NumPeaks(); }, 1},
        {"PeakDelay 51", [](auto& s) { s.SetPeakDelay(51); }, [](auto& s) { return s.PeakDelay(); },
         20},
        {"PeakSpeed -1", [](auto& s) { s.SetPeakSpeed(-1); }, [](auto& s) { return s.PeakSpeed(); },
         0},
        {"Point1 0", [](auto& s) { s.SetPoint1(0); }, [](auto& s) { return s.Point1(); }, 50},
        {"Point1 101", [](auto& s) { s.SetPoint1(101); }, [](auto& s) { return s.Point1(); }, 50},
    };
    for (const auto& c : cases) {
        TMMSpectrum s;
        s.SetBounds(0, 0, 170, 56);
        c.write(s);
        EXPECT_EQ(c.read(s), c.expected) << c.name;
    }
}

TEST(Spectrum, StreamFormatSetsRateWidthAndChannelsOrIsRefused)
{
    TMMSpectrum s;
    TWaveFormatEx format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 88200;
    s.SetStreamFormat(&format);
    EXPECT_EQ(s.SampleRate(), 22050);
    EXPECT_EQ(s.BytesPerRefresh(), 2 * 2 * 128);
    format.wBitsPerSample = 12;
    format.nSamplesPerSec = 8000;
    try {
        s.SetStreamFormat(&format);
        FAIL() << "no error";
    } catch (const EMMSpectrumError& error) {
        EXPECT_STREQ(error.what(), "Invalid WaveFormat");
    }
    EXPECT_EQ(s.SampleRate(), 22050);
}

TEST(Spectrum, SilenceLightsNothing)
{
    for (TMMBits bits : {b16Bit, b8Bit}) {
        Shown v;
        v.s.SetBitLength(bits);
        const std::vector<std::uint8_t> silence(std::size_t(v.s.BytesPerRefresh()),
                                                bits == b8Bit ? 128 : 0);
        v.Feed(silence);
        EXPECT_EQ(v.MaxBin(), 0) << int(bits);
        EXPECT_EQ(v.s.HighestBar().value, 0);
        for (const TSpectrumBar& bar : v.s.Bars())
            EXPECT_EQ(bar.value, 0);
    }
}

TEST(Spectrum, SixDbTiltRemovesAConstantBlock)
{
    Shown v;
    v.s.SetGain(sg6db);
    v.Feed(Stereo16(64, [](int) { return std::make_pair(12000, 12000); }));
    EXPECT_EQ(v.MaxBin(), 0);
    v.s.SetGain(sgNone);
    v.Feed(Stereo16(64, [](int) { return std::make_pair(12000, 12000); }));
    EXPECT_GT(v.s.BinValue(0), 0) << "without the tilt the constant is bin 0";
}

TEST(Spectrum, ToneLightsTheBarOfItsBin)
{
    for (int bin : {3, 10, 25}) {
        Shown v;
        v.Feed(Sine(64, bin * double(kRate) / 64, 8000));
        const auto highest = v.s.HighestBar();
        EXPECT_EQ(highest.bin, bin);
        EXPECT_EQ(v.s.FirstBin(highest.column), bin);
    }
}

TEST(Spectrum, StepUpDecayFallsByItsFactorPerBlock)
{
    Shown v;
    v.s.SetDecayMode(dmStepUp);
    v.s.SetDecay(8);
    v.Feed(Sine(64, 10 * double(kRate) / 64, 16000));
    const std::vector<std::uint8_t> silence(256, 0);
    double previous = v.s.BinValue(10);
    for (int block = 0; block < 5; ++block) {
        v.Feed(silence);
        const double now = v.s.BinValue(10);
        EXPECT_NEAR(now / previous, 0.9646616, 0.0005);
        previous = now;
    }
    v.s.ClearDisplay();
    EXPECT_EQ(v.MaxBin(), 0);
}

TEST(Spectrum, PcmOverflowFiresForEachFullScaleSample)
{
    const struct {
        const char* name;
        TMMChannel channel;
        int left, right, expected;
    } cases[] = {
        {"left 32767", chLeft, 32767, 0, 64},
        {"left -32768", chLeft, -32768, 0, 0},
        {"right 32767 read on the left", chLeft, 0, 32767, 0},
        {"mean 32766", chBoth, 32767, 32765, 64},
        {"mean 32765", chBoth, 32767, 32764, 0},
    };
    for (const auto& c : cases) {
        Shown v;
        v.s.SetChannel(c.channel);
        int fired = 0;
        v.s.OnPcmOverflow = [&](TMMSpectrum*) { ++fired; };
        v.Feed(Stereo16(64, [&](int) { return std::make_pair(c.left, c.right); }));
        EXPECT_EQ(fired, c.expected) << c.name;
    }
}

TEST(Spectrum, GainOverflowFiresEveryFrameABarReachesTheTop)
{
    Shown v;
    v.s.SetVerticalScale(1);
    int fired = 0;
    v.s.OnGainOverflow = [&](TMMSpectrum*) { ++fired; };
    const auto tone = Sine(64, 10 * double(kRate) / 64, 8000);
    v.Feed(tone);
    const int first = fired;
    v.Feed(tone);
    EXPECT_GE(first, 1);
    EXPECT_EQ(fired, 2 * first);
}

TEST(Spectrum, PeaksHoldThenVanishOrFall)
{
    ManualTicks manual;
    for (int speed : {0, 2}) {
        Shown v;
        v.s.SetPeakDelay(2); // held for 5 ticks
        v.s.SetPeakSpeed(speed);
        v.Feed(Sine(64, 10 * double(kRate) / 64, 8000));
        auto peakOf10 = [&] { return PeakOfBin(v.s, 10); };
        const int caught = peakOf10();
        ASSERT_GT(caught, 0);
        for (int tick = 0; tick < 4; ++tick)
            v.s.TickPeaks();
        EXPECT_EQ(peakOf10(), caught) << "still held";
        v.s.TickPeaks();
        EXPECT_EQ(peakOf10(), speed == 0 ? 0 : caught - 1);
        if (speed != 0) {
            v.s.TickPeaks();
            v.s.TickPeaks();
            EXPECT_EQ(peakOf10(), caught - 2) << "one spot every PeakSpeed ticks";
        }
    }
}

TEST(Spectrum, InfoCursorFreezesAnalysisAndPeaks)
{
    ManualTicks manual;
    Shown v;
    v.s.SetPeakDelay(0); // one tick would drop the peak
    v.Feed(Sine(64, 10 * double(kRate) / 64, 8000));
    const std::int32_t before = v.s.BinValue(10);
    const int peak = PeakOfBin(v.s, 10);
    ASSERT_GT(peak, 0);
    const auto at = QPointF(50, 20);
    QMouseEvent press(QEvent::MouseButtonPress, at, v.s.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.s, &press);
    ASSERT_TRUE(v.s.InfoActive());
    v.Feed(std::vector<std::uint8_t>(256, 0));
    v.s.TickPeaks();
    EXPECT_EQ(v.s.BinValue(10), before);
    EXPECT_EQ(PeakOfBin(v.s, 10), peak);
    QMouseEvent release(QEvent::MouseButtonRelease, at, v.s.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.s, &release);
    EXPECT_FALSE(v.s.InfoActive());
    v.Feed(std::vector<std::uint8_t>(256, 0));
    EXPECT_EQ(v.s.BinValue(10), 0);
}

TEST(Spectrum, InfoBoxStaysInsideTheDisplay)
{
    Shown v; // display 170 x 56 at (0, 0)
    const struct {
        int x, y, textHeight;
        TRect expected;
    } cases[] = {
        {10, 5, 10, {10, 20, 70, 32}},    // below and right of the pointer
        {150, 5, 10, {110, 20, 170, 32}}, // moved left by the overhang
        {10, 40, 10, {10, 15, 70, 27}},   // moved up by 40
        {10, 20, 30, {10, 0, 70, 32}},    // moved up, then pinned to the top
        {200, 5, 10, {}},                 // outside the display: no box
    };
    for (const auto& c : cases)
        EXPECT_EQ(v.s.InfoBoxRect(c.x, c.y, 56, c.textHeight), c.expected) << c.x << "," << c.y;
}

TEST(Spectrum, InfoTextNamesFrequencyAndLevel)
{
    Shown v;
    EXPECT_EQ(v.s.InfoText(0, 55), QStringLiteral("0.000 KHz 0.00 V"));
    EXPECT_EQ(v.s.InfoText(169, 0), QStringLiteral("22.050 KHz 1.00 V"));
    v.s.SetLogAmp(true);
    EXPECT_EQ(v.s.InfoText(169, 55), QStringLiteral("22.050 KHz -60.0 dB"));
}

} // namespace
