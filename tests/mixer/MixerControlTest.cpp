#include "MixerFixture.h"

#include <cmath>
#include <tuple>

using namespace mixertest;

namespace {

struct RecordingControls : RecordingLineTest {};

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EMMMixerError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST_F(RecordingControls, ControlsAreFoundOnTheirLineWithTheirInfo)
{
    EXPECT_EQ(volume.ControlId(),
              mixers.service.ControlIdOf(card, lineIn.LineId(), platform::CT_VOLUME));
    EXPECT_EQ(volume.ControlInfo().Name, "Gravação de linha");
    EXPECT_EQ(volume.ControlInfo().MaxValue, 65535);
    EXPECT_EQ(volume.ControlClass(), ccFader);
    EXPECT_EQ(mux.ControlClass(), ccList);
    EXPECT_EQ(mux.ControlInfo().MultipleItems, 3);
    EXPECT_TRUE(HasFlag(mux.ControlInfo().Flags, cfMultiple));
    EXPECT_EQ(mux.ChannelCount(), 1u);
    EXPECT_EQ(volume.ChannelCount(), 2u);
}

TEST_F(RecordingControls, AVolumeControlTakesOnlyAVolume)
{
    TMMVolumeControl onTheMuxLine;
    onTheMuxLine.SetAudioLine(&recording);
    EXPECT_EQ(onTheMuxLine.ControlInfo().Name, "Volume de gravação");
    onTheMuxLine.SetControlId(mux.ControlId());
    EXPECT_EQ(onTheMuxLine.ControlId(), badControlId);
}

TEST_F(RecordingControls, BalanceScalesTheSideAwayFromThePan)
{
    const std::tuple<std::int32_t, std::int32_t, std::int32_t> cases[] = {
        // pan, left, right, for 40000 written to both channels
        {0, 40000, 40000},
        {16384, 19999, 40000}, // 40000 x 16383/32767
        {-16384, 40000, 20000},
        {32767, 0, 40000},
        {-32768, 40000, 0}};
    for (const auto& [pan, left, right] : cases) {
        volume.SetPanValue(pan);
        volume.SetValue(chBoth, 0, 40000);
        EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{left, right})) << "pan " << pan;
    }
}

TEST_F(RecordingControls, ChangingThePanRewritesTheCurrentValue)
{
    volume.SetValue(chBoth, 0, 30000);
    volume.SetPanValue(16384);
    EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{15000, 30000}));
    volume.SetPanValue(0);
    EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{30000, 30000}));
}

TEST_F(RecordingControls, PanIsClampedToItsRange)
{
    volume.SetPanValue(100000);
    EXPECT_EQ(volume.PanValue(), 32767);
    volume.SetPanValue(-100000);
    EXPECT_EQ(volume.PanValue(), -32768);
}

TEST_F(RecordingControls, OneChannelIsWrittenUnscaledAndAlone)
{
    volume.SetPanValue(16384);
    volume.SetValue(chBoth, 0, 1000);
    volume.SetValue(chRight, 0, 5000);
    volume.SetValue(chLeft, 0, 7000);
    EXPECT_EQ(Stored(volume), (std::vector<std::int32_t>{7000, 5000}));
    EXPECT_EQ(volume.GetValue(chLeft, 0), 7000);
    EXPECT_EQ(volume.GetValue(chRight, 0), 5000);
    EXPECT_EQ(volume.GetUnsigned(chBoth, 0), 7000u);
}

TEST_F(RecordingControls, SelectingAnItemOfTheMultiplexerLeavesExactlyThatOneSet)
{
    for (int item = 0; item < 3; ++item) {
        mux.SetBoolean(chBoth, item, true);
        std::vector<std::int32_t> expected(3, 0);
        expected[static_cast<std::size_t>(item)] = 1;
        EXPECT_EQ(Stored(mux), expected) << "item " << item;
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(mux.GetBoolean(chBoth, other), other == item);
    }
}

TEST_F(RecordingControls, UntickingTheSelectedItemKeepsTheMultiplexerOnIt)
{
    mux.SetBoolean(chBoth, 1, true);
    mux.SetBoolean(chBoth, 1, false);
    EXPECT_EQ(Stored(mux), (std::vector<std::int32_t>{0, 1, 0}));
}

TEST_F(RecordingControls, MultiplexerItemsNameTheirLines)
{
    // The studio card lists line in, CD, microphone.
    EXPECT_EQ(mux.ItemParam(0), LineIdOf(kRecording, 1));
    EXPECT_EQ(mux.ItemName(1), "CD Áudio");
    EXPECT_EQ(mux.ItemIndexOf(lineIn), 0);
    lineIn.SetComponentType(ctSrcMicrophone);
    EXPECT_EQ(mux.ItemIndexOf(lineIn), 2);
    EXPECT_EQ(volume.ItemIndexOf(lineIn), -1);
}

TEST_F(RecordingControls, MisuseRaisesItsOwnText)
{
    TMMVolumeControl unbound;
    TMMAudioLine noMixer;
    TMMVolumeControl onNoMixer;
    onNoMixer.SetAudioLine(&noMixer);
    const std::tuple<std::function<void()>, const char*> cases[] = {
        {[&] { unbound.GetValue(chBoth, 0); }, "Mixer required for this operation"},
        {[&] { onNoMixer.SetValue(chBoth, 0, 1); }, "Mixer required for this operation"},
        {[&] { mux.GetBoolean(chBoth, 3); }, "Item index out of range"},
        {[&] { mux.SetBoolean(chBoth, -1, true); }, "Item index out of range"},
        {[&] { mux.ItemName(5); }, "Item index out of range"},
        {[&] { volume.ItemName(0); }, "Item info requested from non-multiple control"},
        {[&] { volume.ItemParam(0); }, "Item info requested from non-multiple control"},
        {[&] { ControlClassOf(0x80000000u); }, "Undefined API control class"},
    };
    for (const auto& [action, message] : cases)
        EXPECT_EQ(ErrorOf(action), message);
}

TEST_F(RecordingControls, AChangeFromOutsideReachesTheControlAndTheMixer)
{
    int changes = 0;
    volume.OnChange = [&](TMMComponent*) { ++changes; };
    std::vector<std::pair<TMMLineId, TMMControlId>> reported;
    mixer->OnControlChange = [&](TMMComponent*, TMMLineId line, TMMControlId control) {
        reported.emplace_back(line, control);
    };
    mixers.service.ChangeFromOutside(card, volume.ControlId(), {123, 456});
    EXPECT_EQ(changes, 0) << "notices arrive later, on the user-interface thread";
    DeliverNotices();
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], std::make_pair(lineIn.LineId(), volume.ControlId()));
    EXPECT_EQ(volume.GetValue(chRight, 0), 456);
}

TEST_F(RecordingControls, AChangeOfAnotherControlLeavesThisOneQuiet)
{
    int changes = 0;
    volume.OnChange = [&](TMMComponent*) { ++changes; };
    mixers.service.ChangeFromOutside(card, mux.ControlId(), {0, 0, 1});
    DeliverNotices();
    EXPECT_EQ(changes, 0);
}

TEST_F(RecordingControls, ALineChangeReachesTheLineAndTheMixer)
{
    int lineChanges = 0;
    lineIn.OnChange = [&](TMMComponent*) { ++lineChanges; };
    TMMLineId reported = badLineId;
    mixer->OnLineChange = [&](TMMComponent*, TMMLineId line) { reported = line; };
    mixers.service.ChangeLineFromOutside(card, lineIn.LineId());
    DeliverNotices();
    EXPECT_EQ(lineChanges, 1);
    EXPECT_EQ(reported, lineIn.LineId());
}

TEST_F(RecordingControls, AClosedMixerHearsNothing)
{
    int changes = 0;
    volume.OnChange = [&](TMMComponent*) { ++changes; };
    mixers.service.ChangeFromOutside(card, volume.ControlId(), {1, 1});
    mixer->SetActive(false);
    DeliverNotices();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(mixers.service.OpenHandles(), 0u);
}

TEST_F(MixerTest, AMixerWithoutAValidDeviceCannotBeOpened)
{
    mixer->SetActive(false);
    mixer->SetDeviceId(InvalidId);
    EXPECT_EQ(ErrorOf([&] { mixer->SetActive(true); }), "Device not valid");
    EXPECT_EQ(mixer->Destinations(), 0);
}

TEST_F(MixerTest, TheMixerReportsItsCardAndDestinations)
{
    EXPECT_EQ(mixer->DeviceCaps().ProductName, "Placa Estúdio");
    EXPECT_EQ(mixer->Destinations(), 2);
    EXPECT_EQ(mixer->DeviceCount(), 1);
}
