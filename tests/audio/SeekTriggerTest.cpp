#include "audio/SeekTrigger.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TWaveFormatEx Pcm(int bits, int channels)
{
    TWaveFormatEx format{};
    BuildPcmFormat(&format, bits, channels, 44100);
    return format;
}

std::vector<std::uint8_t> Bytes16(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::int32_t Seek(const TWaveFormatEx& format, const std::vector<std::uint8_t>& data,
                  std::int32_t level, TMMTriggerMode mode)
{
    return SeekTrigger(&format, data.data(), static_cast<std::int32_t>(data.size()), level, mode,
                       0);
}

TEST(SeekTrigger, UpFlankFindsTheFrameAtOrPastTheLevel)
{
    const TWaveFormatEx mono = Pcm(16, 1);
    // 50 % is 16350: the crossing is between samples 2 and 3.
    const auto data = Bytes16({0, 10000, 16349, 16350, 20000, 0});
    EXPECT_EQ(Seek(mono, data, 50, tmUpFlank), 3 * 2);
    EXPECT_EQ(Seek(mono, data, 70, tmUpFlank), -1); // 22890 is never reached
}

TEST(SeekTrigger, DownFlankNegatesTheLevel)
{
    const TWaveFormatEx mono = Pcm(16, 1);
    const auto data = Bytes16({0, -100, -16349, -16350, -30000, 0});
    EXPECT_EQ(Seek(mono, data, 50, tmDownFlank), 3 * 2);
    EXPECT_EQ(Seek(mono, data, 50, tmUpFlank), -1);
}

TEST(SeekTrigger, TheLastPairOfFramesIsNeverExamined)
{
    const TWaveFormatEx mono = Pcm(16, 1);
    const auto late = Bytes16({0, 0, 0, 30000});
    EXPECT_EQ(Seek(mono, late, 50, tmUpFlank), -1);
    const auto earlier = Bytes16({0, 0, 30000, 30000});
    EXPECT_EQ(Seek(mono, earlier, 50, tmUpFlank), 2 * 2);
}

TEST(SeekTrigger, EightBitLevelsAreUnsignedAroundTheMiddle)
{
    const TWaveFormatEx mono = Pcm(8, 1);
    // 50 % is 63 + 128 = 191; -50 % is -63 + 128 = 65.
    const std::vector<std::uint8_t> rising = {128, 190, 191, 255, 128};
    EXPECT_EQ(Seek(mono, rising, 50, tmUpFlank), 2);
    const std::vector<std::uint8_t> falling = {128, 66, 65, 0, 128};
    EXPECT_EQ(Seek(mono, falling, 50, tmDownFlank), 2);
}

TEST(SeekTrigger, StereoLooksAtTheFirstChannelAndAnswersWholeFrames)
{
    const TWaveFormatEx stereo = Pcm(16, 2);
    //                        L  R      L  R      L      R  L  R
    const auto data = Bytes16({0, 30000, 0, 30000, 30000, 0, 0, 0});
    EXPECT_EQ(Seek(stereo, data, 50, tmUpFlank), 2 * 4);
    EXPECT_EQ(SeekTrigger(&stereo, data.data(), 16, 50, tmUpFlank, 1), -1);
}

TEST(SeekTrigger, NothingToSearchGivesNoTrigger)
{
    const TWaveFormatEx mono = Pcm(16, 1);
    const auto data = Bytes16({0, 30000, 30000, 0});
    EXPECT_EQ(Seek(mono, data, 50, tmNone), -1);
    EXPECT_EQ(SeekTrigger(&mono, data.data(), 0, 50, tmUpFlank, 0), -1);
    TWaveFormatEx broken = mono;
    broken.nBlockAlign = 1; // a frame too small for its sample must not be read past
    EXPECT_EQ(Seek(broken, data, 50, tmUpFlank), -1);
}

} // namespace
