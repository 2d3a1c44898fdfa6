#include "audio/WaveFormat.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TWaveFormatEx Pcm(int bits, int channels, std::uint32_t rate)
{
    TWaveFormatEx f{};
    BuildPcmFormat(&f, bits, channels, rate);
    return f;
}

TEST(WaveFormatTest, BuildPcmFormatFillsEveryField)
{
    const auto f = Pcm(16, 2, 44100);
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.cbSize, 0);
    const auto mono8 = Pcm(8, 1, 11025);
    EXPECT_EQ(mono8.nBlockAlign, 1);
    EXPECT_EQ(mono8.nAvgBytesPerSec, 11025u);
}

TEST(WaveFormatTest, ValidityAcceptsTheEdgesAndRejectsTheRest)
{
    auto f = Pcm(16, 2, 44100);
    EXPECT_TRUE(IsPcmFormatValid(&f));
    EXPECT_FALSE(IsPcmFormatValid(nullptr));
    f = Pcm(24, 2, 44100);
    EXPECT_FALSE(IsPcmFormatValid(&f));
    f = Pcm(16, 3, 44100);
    EXPECT_FALSE(IsPcmFormatValid(&f));
    f = Pcm(16, 2, 3999);
    EXPECT_FALSE(IsPcmFormatValid(&f));
    f = Pcm(16, 2, 100001);
    EXPECT_FALSE(IsPcmFormatValid(&f));
    f = Pcm(8, 1, 4000);
    EXPECT_TRUE(IsPcmFormatValid(&f));
    f = Pcm(8, 1, 100000);
    EXPECT_TRUE(IsPcmFormatValid(&f));
    f.wFormatTag = 2;
    EXPECT_FALSE(IsPcmFormatValid(&f));
}

TEST(WaveFormatTest, ConversionsRoundAsTheDisplaysExpect)
{
    const auto f = Pcm(16, 2, 44100);
    EXPECT_EQ(MillisecondsToBytes(&f, 1), 176); // 176.4
    EXPECT_EQ(MillisecondsToBytes(&f, 3), 532); // 529.2 -> 529, up to whole frames
    EXPECT_EQ(MillisecondsToBytes(&f, 1000), 176400);
    EXPECT_EQ(BytesToMilliseconds(&f, 4096), 23); // 23.2
    EXPECT_EQ(BytesToMilliseconds(&f, 4145), 23);
    EXPECT_EQ(BytesToMilliseconds(&f, 4146), 24); // 23.503 rounds up
    EXPECT_EQ(BytesToFrames(&f, 4096), 1024);
    EXPECT_EQ(FramesToBytes(&f, 1024), 4096);
    const auto mono8 = Pcm(8, 1, 8000);
    EXPECT_EQ(MillisecondsToBytes(&mono8, 1), 8);
    EXPECT_EQ(FramesToBytes(&mono8, 3), 3);
}

TEST(WaveFormatTest, FormatCopiesAreSeparateBlocks)
{
    EXPECT_EQ(FormatRecordSize(nullptr), 0u);
    EXPECT_EQ(CloneFormat(nullptr), nullptr);
    auto f = Pcm(16, 2, 44100);
    f.cbSize = 7; // nonsense for PCM: a copy forces it to 0
    EXPECT_EQ(FormatRecordSize(&f), 18u);
    TWaveFormatEx* copy = CloneFormat(&f);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &f);
    EXPECT_EQ(copy->nSamplesPerSec, 44100u);
    EXPECT_EQ(copy->cbSize, 0);
    FreeFormat(copy);
    EXPECT_EQ(copy, nullptr);

    // A compressed format keeps its extra bytes.
    alignas(TWaveFormatEx) unsigned char block[18 + 4] = {};
    auto* adpcm = reinterpret_cast<TWaveFormatEx*>(block);
    adpcm->wFormatTag = 2;
    adpcm->cbSize = 4;
    std::memcpy(block + 18, "\x01\x02\x03\x04", 4);
    EXPECT_EQ(FormatRecordSize(adpcm), 22u);
    TWaveFormatEx* extra = CloneFormat(adpcm);
    EXPECT_EQ(extra->cbSize, 4);
    EXPECT_EQ(std::memcmp(reinterpret_cast<unsigned char*>(extra) + 18, block + 18, 4), 0);
    FreeFormat(extra);
}

TEST(WaveFormatTest, FixedBlocksAreZeroFilledAndFreedOnce)
{
    void* block = AllocFixedBlock(64);
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(bytes[i], 0);
    FreeFixedBlock(block);
    EXPECT_EQ(block, nullptr);
    FreeFixedBlock(block); // freeing none is harmless
}

} // namespace
