#include "app/BitrateProfile.h"

#include <gtest/gtest.h>

using app::ApplyBitrateProfile;
using app::FindBitrateProfile;

namespace {

// A profile text the way the station template writes it, in one row's values.
std::string ProfileText(const std::string& bitrate, const std::string& avg, const std::string& rate,
                        const std::string& block, const std::string& codec)
{
    return "<streamconfig bitrate=\"" + bitrate + "\" bufferwindow=\"5000\" lsamplesize=\"" +
           block + "\"><waveformatex nChannels=\"2\" nSamplesPerSec=\"" + rate +
           "\" nAvgBytesPerSec=\"" + avg + "\" nBlockAlign=\"" + block + "\" codecdata=\"" + codec +
           "\"/></streamconfig>";
}

std::string RowText(const std::string& kbps)
{
    const app::BitrateProfile& row = *FindBitrateProfile(kbps);
    return ProfileText(row.bitrate, row.nAvgBytesPerSec, row.nSamplesPerSec, row.blockSize,
                       row.codecdata);
}

} // namespace

TEST(BitrateProfile, From32000To96000RewritesEveryFragment)
{
    const std::string result = ApplyBitrateProfile(RowText("32000"), *FindBitrateProfile("96000"));
    EXPECT_EQ(result, ProfileText("96000", "12000", "48000", "4096", "008800000F0000400000"));
}

TEST(BitrateProfile, EveryRowConvertsToEveryOtherRow)
{
    for (const app::BitrateProfile& from : app::BitrateProfiles)
        for (const app::BitrateProfile& to : app::BitrateProfiles)
            EXPECT_EQ(ApplyBitrateProfile(RowText(from.bitrate), to), RowText(to.bitrate))
                << from.bitrate << " -> " << to.bitrate;
}

TEST(BitrateProfile, From128016ReplacesEveryOccurrenceOfTheBitrate)
{
    const std::string text = RowText("128016") + "<note peak=\"128016\"/>";
    const std::string result = ApplyBitrateProfile(text, *FindBitrateProfile("64008"));
    EXPECT_EQ(result, RowText("64008") + "<note peak=\"64008\"/>");
}

TEST(BitrateProfile, OtherRowsReplaceOnlyTheFirstOccurrenceOfTheBitrate)
{
    const std::string text = RowText("96000") + "<note peak=\"96000\"/>";
    const std::string result = ApplyBitrateProfile(text, *FindBitrateProfile("32000"));
    EXPECT_EQ(result, RowText("32000") + "<note peak=\"96000\"/>");
}

TEST(BitrateProfile, UnchangedBitrateLeavesTheTextAlone)
{
    const std::string text = RowText("64008") + " nSamplesPerSec=\"11025\"";
    EXPECT_EQ(ApplyBitrateProfile(text, *FindBitrateProfile("64008")), text);
}

TEST(BitrateProfile, FragmentsOffTheSourceRowKeepTheirValues)
{
    // A hand-edited 32000 profile whose sample rate and block size match no row value.
    const std::string text = ProfileText("32000", "4000", "22050", "999", "008800001700001E0000");
    EXPECT_EQ(ApplyBitrateProfile(text, *FindBitrateProfile("96000")),
              ProfileText("96000", "12000", "22050", "999", "008800000F0000400000"));
}

TEST(BitrateProfile, FragmentNamesMatchIgnoringCase)
{
    const std::string text = "bitrate=\"32000\" NAVGBYTESPERSEC=\"4000\" nsamplespersec=\"32000\"";
    EXPECT_EQ(ApplyBitrateProfile(text, *FindBitrateProfile("64008")),
              "bitrate=\"64008\" nAvgBytesPerSec=\"8001\" nSamplesPerSec=\"48000\"");
}

TEST(BitrateProfile, TextsWithoutAKnownBitrateStayUnchanged)
{
    const auto& target = *FindBitrateProfile("32000");
    for (const std::string text :
         {"", "no fragments at all", "bitrate=\"44100\" nSamplesPerSec=\"44100\"", "bitrate=\"96",
          "bitrate"})
        EXPECT_EQ(ApplyBitrateProfile(text, target), text) << text;
}

TEST(BitrateProfile, CurrentValueIsTheFiveCharactersAfterTheFragmentName)
{
    // "12801" selects the 128016 row even when followed by something else.
    EXPECT_EQ(ApplyBitrateProfile("bitrate=\"128019\" x=\"128016\"", *FindBitrateProfile("32000")),
              "bitrate=\"128019\" x=\"32000\"");
    // The first "bitrate" wins, even inside another word.
    EXPECT_EQ(ApplyBitrateProfile("maxbitrate bitrate=\"32000\"", *FindBitrateProfile("96000")),
              "maxbitrate bitrate=\"32000\"");
}
