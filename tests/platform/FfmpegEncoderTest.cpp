#include "platform/FfmpegEncoder.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

using platform::FfmpegEncoder;
using platform::FfmpegEncoderSettings;
using platform::FfmpegProgress;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

const std::string Session =
    "<?xml version=\"1.0\"?>\n<WMEncoder>"
    "<Description Title=\"Rádio Teste\"/>"
    "<SourceGroups><SourceGroup><Source InputSource=\"Placa Um\"/></SourceGroup></SourceGroups>"
    "<Encoder AudioCodec=\"libmp3lame\" Format=\"mp3\" ContentType=\"audio/mpeg\"/>"
    "<Broadcast PublishServer=\"ns2.localhost:8123\" PublishingPoint=\"radio teste\"/>"
    "<Profile><![CDATA[<x bitrate=\"64008\" nSamplesPerSec=\"48000\"/>]]></Profile>"
    "</WMEncoder>\n";

// A stand-in for ffmpeg: records its arguments and pid, then follows the script in
// "behaviour" (one shell command list) so that each test decides what "ffmpeg" does.
class FakeFfmpeg {
public:
    FakeFfmpeg()
    {
        WriteBytes(folder / "session.xml", Session);
        WriteBytes(folder / "ffmpeg", "#!/bin/bash\n"
                                      "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
                                      // Renamed into place, so a reader never sees it empty.
                                      "echo $$ > \"$(dirname \"$0\")/pid.new\"\n"
                                      "mv \"$(dirname \"$0\")/pid.new\" \"$(dirname \"$0\")/pid\"\n"
                                      "source \"$(dirname \"$0\")/behaviour\"\n");
        std::filesystem::permissions(folder / "ffmpeg", std::filesystem::perms::owner_all);
    }

    void Behave(const std::string& script) { WriteBytes(folder / "behaviour", script); }

    FfmpegEncoderSettings Settings()
    {
        FfmpegEncoderSettings settings;
        settings.program = (folder / "ffmpeg").string();
        settings.resolveCapturePcm = [](const std::string& product) {
            return product == "Placa Um" ? std::string("hw:CARD=Um,DEV=0") : std::string();
        };
        settings.password = "p@ss word";
        settings.reportFailure = [this](const std::string& text) { failures.push_back(text); };
        return settings;
    }

    std::vector<std::string> Arguments() const
    {
        std::vector<std::string> lines;
        std::ifstream in(folder / "args");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    pid_t Pid() const { return static_cast<pid_t>(std::stoi(ReadBytes(folder / "pid"))); }

    TempFolder folder;
    std::vector<std::string> failures;
};

// Polls the encoder, letting events run, until it reports the state or 5 s pass.
bool ReachesState(FfmpegEncoder& encoder, std::uint8_t state)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (encoder.RunState() == state)
            return true;
    }
    return false;
}

std::string ValueAfter(const std::vector<std::string>& args, const std::string& option)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option)
            return args[i + 1];
    return "<missing>";
}

const std::string Flowing = "echo total_size=45; echo out_time_us=0; echo progress=continue\n"
                            "echo total_size=1485; echo out_time_us=323344;"
                            " echo progress=continue\n";

} // namespace

TEST(FfmpegProgress, FlowsOnlyOnceBytesAndEncodedTimeHaveLeft)
{
    FfmpegProgress progress;
    progress.Feed("total_size=45\nout_time_us=0\nprogress=continue\n");
    EXPECT_FALSE(progress.Flowing());
    progress.Feed("total_size=1485\nout_ti");
    EXPECT_FALSE(progress.Flowing());
    progress.Feed("me_us=323344\nprogr");
    EXPECT_FALSE(progress.Flowing()); // a block counts once it is complete
    progress.Feed("ess=continue\n");
    EXPECT_TRUE(progress.Flowing());
}

TEST(FfmpegEncoder, PublishesTheSessionsCardToItsMountAtTheProfilesRate)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave(Flowing + "sleep 30\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    EXPECT_EQ(encoder.RunState(), platform::Encoder::kStarting);
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning));

    const auto args = ffmpeg.Arguments();
    EXPECT_EQ(ValueAfter(args, "-i"), "hw:CARD=Um,DEV=0");
    EXPECT_EQ(ValueAfter(args, "-b:a"), "64008");
    EXPECT_EQ(ValueAfter(args, "-ar"), "48000");
    EXPECT_EQ(ValueAfter(args, "-c:a"), "libmp3lame");
    EXPECT_EQ(ValueAfter(args, "-password"), "p@ss word");
    EXPECT_EQ(ValueAfter(args, "-ice_name"), "Rádio Teste");
    EXPECT_EQ(args.back(), "icecast://radio%20teste@ns2.localhost:8123/radio%20teste");
}

TEST(FfmpegEncoder, RefusedConnectionEndsStoppedAndExplainsWhy)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave("echo 'Guessed Channel Layout' >&2\n"
                  "echo 'icecast://radio@ns2.localhost:8123/radio: Connection refused' >&2\n"
                  "exit 1\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped));
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("exit code 1"), std::string::npos);
    EXPECT_NE(ffmpeg.failures[0].find("Connection refused"), std::string::npos);
    EXPECT_NE(encoder.ErrorOutput().find("Guessed Channel Layout"), std::string::npos);
}

TEST(FfmpegEncoder, LostServerAfterFlowingEndsStopped)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave(Flowing + "sleep 0.3; echo 'Error writing trailer: Broken pipe' >&2; exit 1\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning));
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped));
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("Broken pipe"), std::string::npos);
}

TEST(FfmpegEncoder, StopPassesThroughStoppingWithoutReportingAFailure)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave(Flowing + "trap 'sleep 0.2; exit 0' TERM\nwhile :; do sleep 0.05; done\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning));
    encoder.Stop();
    EXPECT_EQ(encoder.RunState(), platform::Encoder::kStopping);
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped));
    EXPECT_TRUE(ffmpeg.failures.empty());
}

TEST(FfmpegEncoder, DestroyingAStartedEncoderEndsItsProcess)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave("sleep 30\n");
    pid_t pid = 0;
    {
        FfmpegEncoder encoder(ffmpeg.Settings());
        encoder.LoadSession(ffmpeg.folder / "session.xml");
        encoder.Start();
        QElapsedTimer clock;
        clock.start();
        while (!std::filesystem::exists(ffmpeg.folder / "pid") && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        pid = ffmpeg.Pid();
        EXPECT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_NE(::kill(pid, 0), 0);
}

TEST(FfmpegEncoder, FailuresBeforeTheProcessRunsRaiseWithTheReason)
{
    FakeFfmpeg ffmpeg;
    ffmpeg.Behave("exit 0\n");
    {
        FfmpegEncoder encoder(ffmpeg.Settings());
        EXPECT_THROW(encoder.Start(), platform::EEncoderError); // nothing loaded
    }
    {
        std::string otherCard = Session;
        otherCard.replace(otherCard.find("Placa Um"), 8, "Placa Dois");
        WriteBytes(ffmpeg.folder / "other.xml", otherCard);
        FfmpegEncoder encoder(ffmpeg.Settings());
        encoder.LoadSession(ffmpeg.folder / "other.xml");
        try {
            encoder.Start();
            FAIL() << "started on an unknown card";
        } catch (const platform::EEncoderError& error) {
            EXPECT_NE(std::string(error.what()).find("Placa Dois"), std::string::npos);
        }
    }
    {
        FfmpegEncoderSettings settings = ffmpeg.Settings();
        settings.program = (ffmpeg.folder / "missing-ffmpeg").string();
        FfmpegEncoder encoder(settings);
        encoder.LoadSession(ffmpeg.folder / "session.xml");
        try {
            encoder.Start();
            FAIL() << "started a missing program";
        } catch (const platform::EEncoderError& error) {
            EXPECT_NE(std::string(error.what()).find("missing-ffmpeg"), std::string::npos);
        }
        EXPECT_EQ(encoder.RunState(), platform::Encoder::kStopped);
    }
}
