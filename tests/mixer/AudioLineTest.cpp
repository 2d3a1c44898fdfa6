#include "MixerFixture.h"

#include <tuple>

using namespace mixertest;
using platform::VirtualMixerService;

namespace {

// A source of the recording destination, found by its type.
struct RecordingSource : MixerTest {
    RecordingSource()
    {
        source.SetMixer(mixer.get());
        source.SetDestLine(&recording);
    }
    TMMAudioLine source;
};

} // namespace

TEST_F(MixerTest, TheRecordingDestinationIsFoundByItsTypeWithItsInfo)
{
    EXPECT_EQ(recording.LineId(), LineIdOf(kRecording));
    EXPECT_EQ(recording.DestinationIndex(), static_cast<std::int32_t>(kRecording));
    EXPECT_EQ(recording.LineInfo().Name, "Controle de gravação");
    EXPECT_EQ(recording.LineInfo().Connections, 3);
    EXPECT_EQ(recording.LineInfo().Controls, 2);
    EXPECT_FALSE(HasFlag(recording.LineInfo().Flags, cfSource));
}

TEST_F(RecordingSource, ASourceIsFoundUnderItsOwnDestinationNotTheFirstOfItsTypeOnTheCard)
{
    source.SetComponentType(ctSrcLine);
    EXPECT_EQ(source.LineId(), LineIdOf(kRecording, 1));
    EXPECT_NE(source.LineId(), LineIdOf(kSpeakers, 0));
    EXPECT_EQ(source.DestinationIndex(), -1);
    EXPECT_TRUE(HasFlag(source.LineInfo().Flags, cfSource));
}

TEST_F(RecordingSource, EachTypeFindsItsRecordingSourceOrNothing)
{
    const std::tuple<TMMComponentType, std::int32_t> cases[] = {
        {ctSrcMicrophone, 0},
        {ctSrcLine, 1},
        {ctSrcCD, 2},
        {ctSrcAux, -1},
        {ctSrcWaveOut, -1},
        {ctDstSpeakers, -1},
        // The destination itself is not one of its sources.
        {ctDstWaveIn, -1}};
    for (const auto& [type, sourceIndex] : cases) {
        source.SetComponentType(type);
        const std::int32_t expected = sourceIndex < 0 ? -1 : LineIdOf(kRecording, sourceIndex);
        EXPECT_EQ(source.LineId(), expected) << "type " << int(type);
    }
}

TEST_F(RecordingSource, AMissingTypeGivesNoLineEmptyInfoAndInvalidControls)
{
    source.SetComponentType(ctSrcLine);
    TMMVolumeControl volume;
    volume.SetAudioLine(&source);
    ASSERT_TRUE(volume.IsValid());

    source.SetComponentType(ctSrcAux);
    EXPECT_EQ(source.LineId(), badLineId);
    EXPECT_EQ(source.LineInfo().Name, "");
    EXPECT_EQ(source.LineInfo().Channels, 0);
    EXPECT_FALSE(volume.IsValid());
    EXPECT_EQ(volume.ControlId(), badControlId);
    try {
        volume.GetValue(chBoth, 0);
        FAIL() << "reading an invalid control must raise";
    } catch (const EMMMixerError& e) {
        EXPECT_STREQ(e.what(), "Control not valid");
    }
}

TEST_F(RecordingSource, ASourceByIdIsOnlyFoundUnderItsOwnDestination)
{
    source.SetLineId(LineIdOf(kSpeakers, 0));
    EXPECT_EQ(source.LineId(), badLineId);
    source.SetLineId(LineIdOf(kRecording, 2));
    EXPECT_EQ(source.LineId(), LineIdOf(kRecording, 2));
    EXPECT_EQ(source.ComponentType(), ctSrcCD);
}

TEST_F(RecordingSource, ADestinationOnAnotherMixerFindsNothing)
{
    TMMMixerDevice other;
    source.SetMixer(&other);
    source.SetComponentType(ctSrcLine);
    EXPECT_EQ(source.LineId(), badLineId);
}

TEST_F(RecordingSource, ReResolvingTheDestinationReResolvesItsSources)
{
    source.SetComponentType(ctSrcLine);
    recording.SetComponentType(ctDstSpeakers);
    EXPECT_EQ(source.LineId(), LineIdOf(kSpeakers, 0));
}

TEST_F(MixerTest, ALineFoundByIdTakesTheTypeTheMixerReports)
{
    TMMAudioLine line;
    line.SetMixer(mixer.get());
    line.SetLineId(LineIdOf(kSpeakers, 2));
    EXPECT_EQ(line.ComponentType(), ctSrcMicrophone);
    EXPECT_EQ(line.Identification(), TMMLineIdentification::ById);
    line.SetLineId(12345);
    EXPECT_EQ(line.LineId(), badLineId);
}

TEST_F(MixerTest, ALineByTargetFindsTheLineFeedingThatDevice)
{
    VirtualMixerService::Card targeted = testsupport::StudioMixerCard("Placa Alvo");
    auto& waveIn = targeted.destinations[kRecording].line.target;
    waveIn = {platform::TARGETTYPE_WAVEIN, 1, 1, 0x0100, "Placa Alvo"};
    const std::int32_t id = mixers.service.AddCard(targeted);
    mixer->SetDeviceId(id);

    // A wave input device whose capabilities match the target description.
    class WaveInLike : public TMMCustomAudioDevice {
    public:
        WaveInLike(platform::DeviceCapsSource& caps) : FCaps(caps)
        {
            platform::SetDeviceCapsSource(platform::DeviceKind::WaveIn, &FCaps);
            SetDeviceKind(dtWaveIn);
        }
        ~WaveInLike() override
        {
            platform::SetDeviceCapsSource(platform::DeviceKind::WaveIn, nullptr);
        }
        platform::DeviceCapsSource& FCaps;
    };
    // The mixers' own capabilities stand in: device id names the same card.
    WaveInLike device(platform::MixerCapsSource());
    device.SetDeviceId(id);

    TMMAudioLine line;
    line.SetMixer(mixer.get());
    line.SetTarget(&device);
    EXPECT_EQ(line.LineId(), mixers.service.LineIdOf(id, kRecording));
}

TEST_F(MixerTest, PropertyErrorsNameTheMistake)
{
    TMMAudioLine line;
    TMMMixerDevice other;
    TMMVolumeControl notALine;
    const std::tuple<std::function<void()>, const char*> cases[] = {
        {[&] { line.SetDestLine(&notALine); }, "DestLine should be TMMAudioLine"},
        {[&] { line.SetTarget(&other); }, "Can't target to mixer"},
        {[&] { other.SetDevice(mixer.get()); }, "Mixer can't reference mixer"},
    };
    for (const auto& [action, message] : cases) {
        try {
            action();
            ADD_FAILURE() << "no error for " << message;
        } catch (const EMMMixerError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST_F(MixerTest, AComponentTypeOutsideTheTableIsRefused)
{
    VirtualMixerService::Card odd = testsupport::StudioMixerCard("Placa Estranha");
    odd.destinations[kSpeakers].line.componentType = 0x2000;
    mixer->SetDeviceId(mixers.service.AddCard(odd));
    TMMAudioLine line;
    line.SetMixer(mixer.get());
    try {
        line.SetLineId(0);
        FAIL() << "an unknown component type must raise";
    } catch (const EMMMixerError& e) {
        EXPECT_STREQ(e.what(), "Undefined API component type");
    }
}

TEST_F(MixerTest, DestroyingTheMixerLeavesItsLinesUnresolved)
{
    TMMAudioLine line;
    line.SetMixer(mixer.get());
    line.SetComponentType(ctDstSpeakers);
    ASSERT_TRUE(line.IsValid());
    mixer.reset();
    EXPECT_EQ(line.Mixer(), nullptr);
    EXPECT_EQ(line.LineId(), badLineId);
}

TEST_F(MixerTest, SwitchingTheMixerToAnotherCardReResolvesItsLines)
{
    VirtualMixerService::Card small;
    small.name = "Placa Simples";
    small.destinations.push_back({});
    small.destinations[0].line.componentType = platform::DST_WAVEIN;
    const std::int32_t id = mixers.service.AddCard(small);
    mixer->SetDeviceId(id);
    EXPECT_EQ(recording.LineId(), mixers.service.LineIdOf(id, 0));
    EXPECT_EQ(recording.LineInfo().Connections, 0);
    EXPECT_TRUE(mixer->GetActive());
    EXPECT_EQ(mixers.service.OpenHandles(), 1u);
}

TEST_F(MixerTest, WhileLoadingALineAndItsControlWaitUntilLoadingEnds)
{
    TMMAudioLine line;
    TMMVolumeControl volume;
    line.BeginLoading();
    volume.BeginLoading();
    line.SetMixer(mixer.get());
    line.SetComponentType(ctDstSpeakers);
    volume.SetAudioLine(&line);
    EXPECT_EQ(line.LineId(), badLineId);
    EXPECT_EQ(volume.ControlId(), badControlId);
    EXPECT_EQ(volume.ControlClass(), ccFader); // derived from the type alone
    line.EndLoading();
    EXPECT_EQ(line.LineId(), LineIdOf(kSpeakers));
    EXPECT_EQ(volume.ControlId(), badControlId) << "the control is still loading";
    volume.EndLoading();
    EXPECT_EQ(volume.ControlInfo().Name, "Volume principal");
}
