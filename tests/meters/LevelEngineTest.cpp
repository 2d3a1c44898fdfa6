#include "meters/LevelEngine.h"

#include "audio/TickService.h"
#include "meters/LevelErrors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Counts what the engine asks of its display.
struct RecordingDisplay {
    bool visible = true;
    int redraws = 0;
    int repaints = 0;
    int pcmOverflows = 0;
    int gainOverflows = 0;

    LevelEngineHooks Hooks()
    {
        return {[this] { return visible; }, [this] { ++redraws; }, [this] { ++repaints; },
                [this] { ++pcmOverflows; }, [this] { ++gainOverflows; }};
    }
};

std::vector<std::uint8_t> Block16(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

TWaveFormatEx Pcm(int bits, int channels, std::uint32_t rate)
{
    TWaveFormatEx format{};
    BuildPcmFormat(&format, bits, channels, rate);
    return format;
}

// The peak ticker is driven by hand so that hold times are counted exactly.
class LevelEngineTest : public ::testing::Test {
protected:
    void SetUp() override { TickServiceSetManual(true); }
    void TearDown() override { TickServiceSetManual(false); }

    // A bar of 40 segments on 16-bit mono blocks of one sample.
    LevelEngine& Bar40()
    {
        bar.SetHooks(display.Hooks());
        bar.SetRange(40);
        bar.SetBitLength(b16Bit);
        bar.SetSamples(1);
        return bar;
    }

    void Feed(LevelEngine& engine, std::int16_t sample)
    {
        const auto block = Block16({sample});
        engine.ConsumePcm(block.data());
    }

    RecordingDisplay display;
    LevelEngine bar{LevelKind::Bar};
};

TEST_F(LevelEngineTest, StreamFormatSetsLayoutAndBlockSize)
{
    bar.SetSamples(99);
    const TWaveFormatEx format = Pcm(16, 2, 44100);
    bar.SetStreamFormat(&format);
    EXPECT_EQ(bar.BitLength(), b16Bit);
    EXPECT_EQ(bar.Mode(), mStereo);
    EXPECT_EQ(bar.BytesPerRefresh(), 396);
    bar.SetSamples(20);
    EXPECT_EQ(bar.BytesPerRefresh(), 80);

    TWaveFormatEx withGarbageTail = Pcm(8, 1, 4000);
    withGarbageTail.cbSize = 0xBEEF; // only the first 16 bytes are the display's business
    bar.SetStreamFormat(&withGarbageTail);
    EXPECT_EQ(bar.BitLength(), b8Bit);
    EXPECT_EQ(bar.BytesPerRefresh(), 20);
    const TWaveFormatEx fastest = Pcm(16, 1, 100000);
    EXPECT_NO_THROW(bar.SetStreamFormat(&fastest));
}

TEST_F(LevelEngineTest, InvalidFormatsAreRefusedWithTheDisplaysOwnError)
{
    const TWaveFormatEx good = Pcm(16, 2, 44100);
    bar.SetStreamFormat(&good);
    TWaveFormatEx tooWide = Pcm(16, 2, 44100);
    tooWide.wBitsPerSample = 24;
    TWaveFormatEx threeChannels = Pcm(16, 2, 44100);
    threeChannels.nChannels = 3;
    const TWaveFormatEx tooSlow = Pcm(16, 2, 3999);
    const TWaveFormatEx tooFast = Pcm(16, 2, 100001);
    TWaveFormatEx notPcm = Pcm(16, 2, 44100);
    notPcm.wFormatTag = 2;
    for (const TWaveFormatEx* bad : std::initializer_list<const TWaveFormatEx*>{
             &tooWide, &threeChannels, &tooSlow, &tooFast, &notPcm}) {
        try {
            bar.SetStreamFormat(bad);
            ADD_FAILURE() << "format accepted";
        } catch (const EMMLevelError& error) {
            EXPECT_STREQ(error.what(), "Invalid WaveFormat");
            EXPECT_STREQ(error.ClassName(), "EMMLevelError");
        }
        EXPECT_EQ(bar.BitLength(), b16Bit);
        EXPECT_EQ(bar.Mode(), mStereo);
    }
    EXPECT_THROW(bar.SetStreamFormat(nullptr), EMMLevelError);
    LevelEngine needle(LevelKind::Needle);
    EXPECT_THROW(needle.SetStreamFormat(&tooSlow), EMMMeterError);
}

TEST_F(LevelEngineTest, PropertiesKeepTheirRanges)
{
    bar.SetSamples(0);
    EXPECT_EQ(bar.Samples(), 1);
    bar.SetSamples(-7);
    EXPECT_EQ(bar.Samples(), 1);
    bar.SetGain(8);
    bar.SetGain(33); // outside: ignored, not clamped
    bar.SetGain(-9);
    EXPECT_EQ(bar.Gain(), 8);
    bar.SetSensitivy(-200);
    EXPECT_EQ(bar.Sensitivy(), -90);
    bar.SetSensitivy(0);
    EXPECT_EQ(bar.Sensitivy(), -9);
    bar.SetDecay(0);
    EXPECT_EQ(bar.Decay(), 1);
    bar.SetDecay(99);
    EXPECT_EQ(bar.Decay(), 16);
    EXPECT_EQ(bar.DecayParameters().window, 30);
    bar.SetPeakDelay(51);
    bar.SetPeakSpeed(-1);
    EXPECT_EQ(bar.PeakDelay(), 50);
    EXPECT_EQ(bar.PeakSpeed(), 0);
    bar.SetNumPeaks(9);
    EXPECT_EQ(bar.NumPeaks(), 5);
    bar.SetDCOffsetL(-123);
    bar.SetDCOffsetR(45);
    EXPECT_EQ(bar.DCOffsetL(), -123);
    EXPECT_EQ(bar.DCOffsetR(), 45);
}

TEST_F(LevelEngineTest, BlockPeakCoversEverySixteenBitLayout)
{
    bar.SetBitLength(b16Bit);
    bar.SetSamples(3);
    const auto mono = Block16({100, -2000, 1500});
    EXPECT_EQ(bar.BlockPeak(mono.data()), 2000);

    bar.SetMode(mStereo);
    //                        L     R     L     R     L    R
    const auto stereo = Block16({1000, -3001, -500, 200, 7, -9});
    bar.SetChannel(chLeft);
    EXPECT_EQ(bar.BlockPeak(stereo.data()), 1000);
    bar.SetChannel(chRight);
    EXPECT_EQ(bar.BlockPeak(stereo.data()), 3001);
    bar.SetChannel(chBoth); // (1000 - 3001) div 2 truncates toward zero: -1000
    EXPECT_EQ(bar.BlockPeak(stereo.data()), 1000);

    // The offsets are subtracted from each channel before measuring.
    bar.SetDCOffsetL(1000);
    bar.SetDCOffsetR(-3001);
    bar.SetChannel(chLeft);
    EXPECT_EQ(bar.BlockPeak(stereo.data()), 1500);
    bar.SetChannel(chRight);
    EXPECT_EQ(bar.BlockPeak(stereo.data()), 3201);
}

TEST_F(LevelEngineTest, BlockPeakCoversEveryEightBitLayout)
{
    bar.SetBitLength(b8Bit);
    bar.SetSamples(2);
    const std::uint8_t mono[] = {128, 0};
    EXPECT_EQ(bar.BlockPeak(mono), 32768);
    const std::uint8_t loud[] = {255, 200};
    EXPECT_EQ(bar.BlockPeak(loud), 32512);

    bar.SetMode(mStereo);
    const std::uint8_t stereo[] = {0, 129, 130, 255};
    bar.SetChannel(chLeft);
    EXPECT_EQ(bar.BlockPeak(stereo), 32768);
    bar.SetChannel(chRight);
    EXPECT_EQ(bar.BlockPeak(stereo), 32512);
    bar.SetChannel(chBoth); // (0 + 129) div 2 = 64 -> 16384; (130 + 255) div 2 = 192 -> 16384
    EXPECT_EQ(bar.BlockPeak(stereo), 16384);
    bar.SetDCOffsetR(
        1); // right samples lowered by one: (0 + 128) div 2 = 64, (130 + 254) div 2 = 192
    EXPECT_EQ(bar.BlockPeak(stereo), 16384);
    bar.SetDCOffsetL(-2); // left raised by two: (2 + 128) div 2 = 65 -> 15872; (132 + 254) = 193
    EXPECT_EQ(bar.BlockPeak(stereo), 16640);
}

TEST_F(LevelEngineTest, FullScaleInputFiresPcmOverflow)
{
    Bar40();
    Feed(bar, -32768);
    EXPECT_EQ(display.pcmOverflows, 1);
    EXPECT_EQ(bar.LastRawPeak(), 32768);
    Feed(bar, 32766);
    EXPECT_EQ(display.pcmOverflows, 1);

    bar.SetBitLength(b8Bit);
    const std::uint8_t zero = 0;
    bar.ConsumePcm(&zero);
    EXPECT_EQ(display.pcmOverflows, 2);
    const std::uint8_t top = 255;
    bar.ConsumePcm(&top);
    EXPECT_EQ(display.pcmOverflows, 2);
}

TEST_F(LevelEngineTest, DecibelScaleMapsSensitivityToZeroAndFullScaleToRange)
{
    Bar40();
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
    Feed(bar, 4370); // -17.5 dB, half way down a -35 dB scale
    EXPECT_EQ(bar.DisplayedPosition(), 20);
    Feed(bar, 0);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    EXPECT_EQ(display.gainOverflows, 0);
}

TEST_F(LevelEngineTest, GainAmplifiesInEighthsAndOverflowsClipToTheTop)
{
    Bar40();
    bar.SetGain(8);
    Feed(bar, 2185); // doubled to 4370
    EXPECT_EQ(bar.DisplayedPosition(), 20);
    EXPECT_EQ(display.gainOverflows, 0);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
    EXPECT_EQ(display.gainOverflows, 1);
    bar.SetGain(-8); // everything silenced
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
}

TEST_F(LevelEngineTest, NeedleOverflowsAtFullScale)
{
    LevelEngine needle(LevelKind::Needle, display.Hooks());
    needle.SetSensitivy(-9);
    needle.SetValue(100);
    EXPECT_EQ(needle.DisplayedPosition(), 32767);
    EXPECT_EQ(display.gainOverflows, 1); // the needle overflows on reaching its stop
}

TEST_F(LevelEngineTest, LinearScaleStartsAtTheSensitivityAmplitude)
{
    Bar40();
    bar.SetLogAmp(false);
    Feed(bar, 582); // just below the -35 dB amplitude 582.7
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
    Feed(bar, 16675); // (16675 - 582.69) * 40 / 32184.31 = 20.0
    EXPECT_EQ(bar.DisplayedPosition(), 20);
}

TEST_F(LevelEngineTest, SymmetricBarHalvesThePosition)
{
    Bar40();
    bar.SetSymmetric(true);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 20);
}

TEST_F(LevelEngineTest, SilenceOnAnEmptyDisplayDrawsNothing)
{
    Bar40();
    Feed(bar, 0);
    EXPECT_EQ(display.redraws, 0);
    Feed(bar, 4370);
    EXPECT_EQ(display.redraws, 1);
    bar.SetNumPeaks(0); // an unchanged level with no peak news is not redrawn
    Feed(bar, 4370);
    EXPECT_EQ(display.redraws, 1);
}

TEST_F(LevelEngineTest, HiddenOrDisabledDisplayIgnoresBlocks)
{
    Bar40();
    display.visible = false;
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    display.visible = true;
    bar.SetEnabled(false);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    bar.SetEnabled(true);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
}

TEST_F(LevelEngineTest, StepUpJumpsAndFallsBySingleFactor)
{
    Bar40();
    bar.SetDecayMode(dmStepUp);
    bar.SetDecay(8);
    std::vector<std::int32_t> positions;
    Feed(bar, 32767);
    for (int i = 0; i < 6; ++i) {
        positions.push_back(bar.DisplayedPosition());
        Feed(bar, 0); // levels 31609, 30492, 29414, 28375, 27372, 26405
    }
    positions.push_back(bar.DisplayedPosition());
    EXPECT_EQ(positions, (std::vector<std::int32_t>{40, 40, 39, 39, 39, 38, 38}));
    Feed(bar, 32767); // jumps straight back up
    EXPECT_EQ(bar.DisplayedPosition(), 40);
}

TEST_F(LevelEngineTest, UniformWithDecayOneFollowsEachBlock)
{
    Bar40();
    bar.SetDecayMode(dmUniform);
    bar.SetDecay(1);
    Feed(bar, 32767);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
    Feed(bar, 4370);
    EXPECT_EQ(bar.DisplayedPosition(), 20);
}

TEST_F(LevelEngineTest, UniformWithDecayEightAveragesFourteenBlocks)
{
    LevelEngine needle(LevelKind::Needle, display.Hooks());
    needle.SetBitLength(b16Bit);
    needle.SetSamples(1);
    needle.SetLogAmp(false);
    needle.SetShowPeak(false);
    needle.SetDecayMode(dmUniform);
    needle.SetDecay(8);
    // One loud block followed by silence: the mean is 28000/n while the ring
    // fills, then drops to 0 once the loud block has left the 14-block window.
    Feed(needle, 28000);
    const std::int32_t afterOne = needle.DisplayedPosition();
    for (int blocks = 2; blocks <= 14; ++blocks)
        Feed(needle, 0);
    const std::int32_t afterFourteen = needle.DisplayedPosition();
    Feed(needle, 0);
    // 28000 div 14 = 2000 on a linear scale from 103.62 (-50 dB) to full scale
    EXPECT_EQ(afterOne, 27985);
    EXPECT_EQ(afterFourteen, 1902);
    EXPECT_EQ(needle.DisplayedPosition(), 0);
}

TEST_F(LevelEngineTest, DecayModeChangeForgetsTheHistory)
{
    Bar40();
    bar.SetDecayMode(dmStepUp);
    bar.SetDecay(8);
    Feed(bar, 32767);
    bar.SetDecayMode(dmExponential);
    bar.SetDecayMode(dmStepUp);
    Feed(bar, 0);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
}

TEST_F(LevelEngineTest, PeakIsHeldFortyOneTicksThenDisappearsAtTheNextBlock)
{
    Bar40();
    Feed(bar, 32767);
    Feed(bar, 0);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    EXPECT_EQ(bar.PeakPosition(), 40);
    EXPECT_EQ(bar.PeakCounter(), 41);
    for (int tick = 0; tick < 40; ++tick)
        TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 40);
    EXPECT_FALSE(bar.RedrawPending());
    TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 0);
    EXPECT_TRUE(bar.RedrawPending());

    const int before = display.redraws;
    Feed(bar, 0); // the marker's removal is drawn with the next block, even silent
    EXPECT_EQ(display.redraws, before + 1);
    Feed(bar, 0);
    EXPECT_EQ(display.redraws, before + 1);
}

TEST_F(LevelEngineTest, BarPeakFallsOneSegmentPerPeakSpeedTicks)
{
    Bar40();
    bar.SetPeakDelay(0);
    bar.SetPeakSpeed(2);
    Feed(bar, 32767);
    Feed(bar, 0);
    TickServiceTickNow(); // hold of 2 * 0 + 1 ticks
    EXPECT_EQ(bar.PeakPosition(), 39);
    TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 39);
    TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 38);
}

TEST_F(LevelEngineTest, BarTakesEqualPeaksAsNewButNeedleNeedsHigher)
{
    Bar40();
    Feed(bar, 4370);
    for (int tick = 0; tick < 10; ++tick)
        TickServiceTickNow();
    Feed(bar, 4370);
    EXPECT_EQ(bar.PeakCounter(), 41); // restarted by an equal peak

    LevelEngine needle(LevelKind::Needle, display.Hooks());
    needle.SetBitLength(b16Bit);
    needle.SetSamples(1);
    Feed(needle, 4370);
    for (int tick = 0; tick < 10; ++tick)
        TickServiceTickNow();
    Feed(needle, 4370);
    EXPECT_EQ(needle.PeakCounter(), 31);
}

TEST_F(LevelEngineTest, NeedlePeakFallsTowardTheNeedle)
{
    LevelEngine needle(LevelKind::Needle, display.Hooks());
    needle.SetBitLength(b16Bit);
    needle.SetSamples(1);
    needle.SetPeakDelay(0);
    needle.SetPeakSpeed(1);
    Feed(needle, 32766);
    const std::int32_t top = needle.PeakPosition();
    Feed(needle, 10000);
    const std::int32_t level = needle.DisplayedPosition();
    ASSERT_GT(top - level, 1000);
    TickServiceTickNow();
    EXPECT_EQ(needle.PeakPosition(), top - 500);
    while (needle.PeakPosition() - 500 > level)
        TickServiceTickNow();
    TickServiceTickNow();
    EXPECT_EQ(needle.PeakPosition(), level); // stops at the needle, never below
    needle.SetPeakSpeed(0);
    Feed(needle, 32766);
    Feed(needle, 0);
    TickServiceTickNow();
    EXPECT_EQ(needle.PeakPosition(), 0); // snaps to the needle at rest
}

TEST_F(LevelEngineTest, PeakTickerStopsWhileDisabledOrWithoutPeaksAndAlwaysComesBack)
{
    Bar40();
    bar.SetPeakDelay(0);
    bar.SetEnabled(false);
    bar.SetNumPeaks(0);
    bar.SetNumPeaks(2); // the bar is still disabled: the ticker stays off
    bar.SetEnabled(true);
    Feed(bar, 32767);
    Feed(bar, 0);
    EXPECT_EQ(bar.PeakPosition(), 40);
    TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 0);

    bar.SetNumPeaks(0);
    bar.SetNumPeaks(1);
    Feed(bar, 32767);
    bar.SetNumPeaks(0);
    TickServiceTickNow();
    EXPECT_EQ(bar.PeakPosition(), 40); // no ticks while peak hold is off
}

TEST_F(LevelEngineTest, PeakTimingChangeClearsTheCounter)
{
    Bar40();
    Feed(bar, 32767);
    bar.SetPeakDelay(10);
    EXPECT_EQ(bar.PeakCounter(), 0);
    TickServiceTickNow(); // a cleared counter lets the marker fall at the next tick
    EXPECT_EQ(bar.PeakPosition(), 0);
}

TEST_F(LevelEngineTest, ValueRoundTrips)
{
    Bar40();
    bar.SetValue(100);
    EXPECT_EQ(bar.DisplayedPosition(), 40);
    EXPECT_EQ(bar.Value(), 100);
    bar.SetValue(250); // clamped
    EXPECT_EQ(bar.Value(), 100);
    bar.SetValue(0);
    EXPECT_EQ(bar.Value(), 0);
    bar.SetValue(13); // 4260 -> 19.8 segments -> 20 -> -17.5 dB = 13.3 %
    EXPECT_EQ(bar.DisplayedPosition(), 20);
    EXPECT_EQ(bar.Value(), 13);
    bar.SetGain(8); // the gain is taken back out of the reading
    bar.SetValue(100);
    EXPECT_EQ(bar.Value(), 50);

    bar.SetGain(0);
    bar.SetLogAmp(false);
    bar.SetValue(50);
    EXPECT_EQ(bar.DisplayedPosition(), 20); // (16384 - 582.69) * 40 / 32184.31 = 19.6
    EXPECT_EQ(bar.Value(), 50);
    Feed(bar, 1387); // one segment reads as 2.5 %, and halves round to even
    EXPECT_EQ(bar.DisplayedPosition(), 1);
    EXPECT_EQ(bar.Value(), 2);
    Feed(bar, 4410); // five segments: 12.5 %
    EXPECT_EQ(bar.DisplayedPosition(), 5);
    EXPECT_EQ(bar.Value(), 12);
}

TEST_F(LevelEngineTest, ClearDisplayForgetsLevelPeakAndHistory)
{
    Bar40();
    bar.SetDecayMode(dmStepUp);
    Feed(bar, 32767);
    const int repaints = display.repaints;
    bar.ClearDisplay();
    EXPECT_EQ(display.repaints, repaints + 1);
    EXPECT_EQ(bar.DisplayedPosition(), 0);
    EXPECT_EQ(bar.PeakPosition(), 0);
    EXPECT_EQ(bar.PeakCounter(), 0);
    EXPECT_EQ(bar.LastRawPeak(), 0);
    Feed(bar, 4370); // no held level left from before the clear
    EXPECT_EQ(bar.DisplayedPosition(), 20);
}

} // namespace
