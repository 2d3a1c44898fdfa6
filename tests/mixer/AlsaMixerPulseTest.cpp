#include "mixer/MMMixerControl.h"
#include "platform/MixerService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>

// The sound system's mixer against a private PulseAudio server (ALSA's "pulse"
// control: "Master" is the default sink's volume, "Capture" the default source's).
// tests/mixer/alsa_mixer_pulse.sh starts the server and runs these with PULSE_SERVER
// set; without one they are skipped.

namespace {

QString Pactl(const QStringList& arguments)
{
    QProcess pactl;
    pactl.start("pactl", arguments);
    pactl.waitForFinished(5000);
    return QString::fromUtf8(pactl.readAllStandardOutput());
}

// The first percentage pactl reports for the sink or source.
int PercentOf(const QString& report)
{
    const qsizetype percent = report.indexOf('%');
    qsizetype start = percent;
    while (start > 0 && report[start - 1].isDigit())
        --start;
    return report.mid(start, percent - start).toInt();
}

class AlsaMixerPulseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            GTEST_SKIP() << "needs a private PulseAudio server (tests/mixer/alsa_mixer_pulse.sh)";
        // The server's own mixer: the card the wave input calls after it.
        platform::SetActiveMixerService(nullptr);
        mixer = std::make_unique<TMMMixerDevice>();
        std::vector<std::string> names;
        mixer->ListNames(names, false);
        const auto found = std::find(names.begin(), names.end(), "PulseAudio Sound Server");
        ASSERT_NE(found, names.end()) << "the mixers: " << names.size();
        mixer->SetDeviceId(static_cast<TMMDeviceId>(found - names.begin()));
        mixer->SetActive(true);
        speakers.SetMixer(mixer.get());
        speakers.SetComponentType(ctDstSpeakers);
        recording.SetMixer(mixer.get());
        recording.SetComponentType(ctDstWaveIn);
        capture.SetMixer(mixer.get());
        capture.SetDestLine(&recording);
        capture.SetComponentType(ctSrcUndefined);
        master.SetAudioLine(&speakers);
        captureVolume.SetAudioLine(&capture);
    }

    // Lets the mixer's notices in until one for the control came or time ran out.
    static bool WaitForChange(const TMMCustomMixerControl& control, const int& changes)
    {
        QElapsedTimer clock;
        clock.start();
        while (changes == 0 && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return changes > 0 && control.IsValid();
    }

    std::unique_ptr<TMMMixerDevice> mixer;
    TMMAudioLine speakers, recording, capture;
    TMMVolumeControl master, captureVolume;
};

} // namespace

TEST_F(AlsaMixerPulseTest, TheServersMixerHasMasterAndCaptureVolumes)
{
    ASSERT_TRUE(master.IsValid());
    EXPECT_EQ(master.ControlInfo().MaxValue, 65536);
    ASSERT_TRUE(captureVolume.IsValid());
    EXPECT_EQ(capture.LineInfo().Name, "Capture");
    TMMMixerControl selector;
    selector.SetAudioLine(&recording);
    selector.SetControlType(ctMux);
    EXPECT_EQ(selector.ItemIndexOf(capture), 0);
}

TEST_F(AlsaMixerPulseTest, AVolumeWrittenThroughTheModelIsWhatTheServerReports)
{
    const std::tuple<TMMVolumeControl*, QStringList> cases[] = {
        {&master, {"get-sink-volume", "sonavia"}},
        {&captureVolume, {"get-source-volume", "sonavia.monitor"}}};
    for (const auto& [control, query] : cases) {
        control->SetValue(chBoth, 0, 32768);
        EXPECT_EQ(PercentOf(Pactl(query)), 50) << query.join(' ').toStdString();
        control->SetValue(chBoth, 0, 16384);
        EXPECT_EQ(PercentOf(Pactl(query)), 25) << query.join(' ').toStdString();
    }
}

TEST_F(AlsaMixerPulseTest, AChangeMadeWithPactlReachesTheModelAsANotice)
{
    master.SetValue(chBoth, 0, 65536);
    // The notice of this write of ours comes first; it must not count.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    int changes = 0;
    master.OnChange = [&](TMMComponent*) { ++changes; };
    Pactl({"set-sink-volume", "sonavia", "75%"});
    ASSERT_TRUE(WaitForChange(master, changes)) << "no notice from the server's mixer";
    EXPECT_EQ(master.GetValue(chLeft, 0), 49152);
    EXPECT_EQ(master.GetValue(chRight, 0), 49152);
}

TEST_F(AlsaMixerPulseTest, AWriteThroughOneControlReachesTheOthersOnTheSameLine)
{
    TMMVolumeControl other;
    other.SetAudioLine(&speakers);
    int changes = 0;
    other.OnChange = [&](TMMComponent*) { ++changes; };
    master.SetValue(chBoth, 0, 20000);
    ASSERT_TRUE(WaitForChange(other, changes)) << "the other control heard nothing";
    EXPECT_EQ(other.GetValue(chLeft, 0), 20000);
}
