#include "platform/FfmpegEncoder.h"
#include "support/LocalIcecast.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <netdb.h>

using platform::FfmpegEncoder;
using platform::FfmpegEncoderSettings;
using testsupport::LocalIcecast;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

// Every byte a password may trip a URL or a command line on.
const std::string Password = "a?b#c/d@e:f%g h";

std::string Session(int port)
{
    return "<?xml version=\"1.0\"?>\n<WMEncoder>"
           "<Description Title=\"Rádio Teste\"/>"
           "<SourceGroups><SourceGroup><Source InputSource=\"Placa Um\"/></SourceGroup>"
           "</SourceGroups>"
           "<Encoder AudioCodec=\"libmp3lame\" Format=\"mp3\"/>"
           "<Broadcast PublishServer=\"ns1.localhost:" +
           std::to_string(port) +
           "\" PublishingPoint=\"lia\"/>"
           "<Profile><![CDATA[<x bitrate=\"64008\" nSamplesPerSec=\"48000\"/>]]></Profile>"
           "</WMEncoder>\n";
}

// A stand-in for ffmpeg: records its arguments and pid, then follows the script in
// "behaviour" (one shell command list) so that each test decides what "ffmpeg" does.
class FakeFfmpeg {
public:
    explicit FakeFfmpeg(int port = 8123)
    {
        WriteBytes(folder / "session.xml", Session(port));
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
        settings.password = Password;
        settings.stallLimit = std::chrono::milliseconds(1500);
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

// Polls the encoder, letting events run, until it reports the state or the time passes.
bool ReachesState(FfmpegEncoder& encoder, std::uint8_t state, int timeoutMs = 8000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
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

// The real encoder on a generated tone, paced like a live capture, onto its output.
const std::string Flowing = "exec ffmpeg -nostdin -loglevel error -re -f lavfi -i sine=440 "
                            "-c:a libmp3lame -b:a 32k -ar 32000 -f mp3 pipe:1\n";

// Whether the condition comes true within the time, asked every 200 ms.
bool Eventually(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    }
    return true;
}

std::size_t OpenDescriptors()
{
    const std::filesystem::directory_iterator open("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(open), end(open)));
}

// Whether any process's command line holds the text.
bool OnSomeCommandLine(const std::string& text)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            ReadBytes(entry.path() / "cmdline").find(text) != std::string::npos)
            return true;
    }
    return false;
}

// One Icecast server for the tests that publish, its mount /lia open to Password.
class Publishing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        serverFolder = new TempFolder;
        server = new LocalIcecast(serverFolder->path() / "icecast", "lia", Password);
    }
    static void TearDownTestSuite()
    {
        delete server;
        delete serverFolder;
    }
    void SetUp() override
    {
        if (!server->Running())
            GTEST_SKIP() << server->Problem();
        // The server frees the mount a moment after the previous test's source left.
        ASSERT_TRUE(Eventually([] { return !server->OnAir("/lia"); }));
    }

    static TempFolder* serverFolder;
    static LocalIcecast* server;
};
TempFolder* Publishing::serverFolder = nullptr;
LocalIcecast* Publishing::server = nullptr;

} // namespace

TEST_F(Publishing, PublishesTheSessionsCardWithAPasswordNoCommandLineShows)
{
    FakeFfmpeg ffmpeg(server->Port());
    ffmpeg.Behave(Flowing);
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    EXPECT_EQ(encoder.RunState(), platform::Encoder::kStarting);
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning)) << encoder.ErrorOutput();
    EXPECT_TRUE(Eventually([] { return server->OnAir("/lia"); }));
    EXPECT_FALSE(OnSomeCommandLine(Password));

    const auto args = ffmpeg.Arguments();
    EXPECT_EQ(ValueAfter(args, "-i"), "hw:CARD=Um,DEV=0");
    EXPECT_EQ(ValueAfter(args, "-b:a"), "64008");
    EXPECT_EQ(ValueAfter(args, "-ar"), "48000");
    EXPECT_EQ(ValueAfter(args, "-c:a"), "libmp3lame");
    EXPECT_EQ(args.back(), "pipe:1");
    EXPECT_TRUE(ffmpeg.failures.empty());
}

// Each way a server can turn the source away ends the broadcast with its own reason.
TEST_F(Publishing, RefusedSourcesEndStoppedSayingWhy)
{
    FakeFfmpeg occupant(server->Port());
    occupant.Behave(Flowing);
    FfmpegEncoder publishing(occupant.Settings());
    const struct {
        const char* name;
        int port;
        std::string password;
        bool mountBusy;
        const char* reason;
    } cases[] = {
        {"wrong password", server->Port(), "segredo", false, "login refused"},
        {"busy mount", server->Port(), Password, true, "mount in use"},
        {"wrong password on a busy mount", server->Port(), "segredo", true, "login refused"},
        {"no server",
         std::atoi(
             testsupport::RunTool(
                 QString::fromStdString((LocalIcecast::Scripts() / "free-port").string()), {}, 5000)
                 .c_str()),
         Password, false, "cannot connect"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.mountBusy && publishing.RunState() != platform::Encoder::kRunning) {
            publishing.LoadSession(occupant.folder / "session.xml");
            publishing.Start();
            ASSERT_TRUE(ReachesState(publishing, platform::Encoder::kRunning));
        }
        FakeFfmpeg ffmpeg(c.port);
        ffmpeg.Behave(Flowing);
        FfmpegEncoderSettings settings = ffmpeg.Settings();
        settings.password = c.password;
        // Twice, as the station retries: the second attempt leaves no more open than the
        // first (the resolver keeps a file open from its first use on).
        std::size_t descriptorsAfterFirst = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            {
                FfmpegEncoder encoder(settings);
                encoder.LoadSession(ffmpeg.folder / "session.xml");
                encoder.Start();
                ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped, 15000));
            }
            if (attempt == 0)
                descriptorsAfterFirst = OpenDescriptors();
        }
        EXPECT_EQ(OpenDescriptors(), descriptorsAfterFirst) << "a socket or pipe was left open";
        ASSERT_EQ(ffmpeg.failures.size(), 2u);
        EXPECT_EQ(ffmpeg.failures[1], ffmpeg.failures[0]);
        EXPECT_NE(ffmpeg.failures[0].find(c.reason), std::string::npos) << ffmpeg.failures[0];
        EXPECT_NE(ffmpeg.failures[0].find("localhost:" + std::to_string(c.port) + "/lia"),
                  std::string::npos)
            << ffmpeg.failures[0];
    }
}

// A stopped encoder (SIGSTOP) sends nothing: the broadcast ends, and a new start is back
// on the air.
TEST_F(Publishing, StalledEncoderEndsTheBroadcastAndANewStartReturns)
{
    FakeFfmpeg ffmpeg(server->Port());
    ffmpeg.Behave(Flowing);
    auto encoder = std::make_unique<FfmpegEncoder>(ffmpeg.Settings());
    encoder->LoadSession(ffmpeg.folder / "session.xml");
    encoder->Start();
    ASSERT_TRUE(ReachesState(*encoder, platform::Encoder::kRunning));
    const pid_t stalled = ffmpeg.Pid();
    ASSERT_EQ(::kill(stalled, SIGSTOP), 0);
    EXPECT_TRUE(ReachesState(*encoder, platform::Encoder::kStopped));
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("stalled: the encoder sent no audio"), std::string::npos)
        << ffmpeg.failures[0];
    EXPECT_EQ(::kill(stalled, 0), -1) << "the stalled encoder was left behind";

    encoder = std::make_unique<FfmpegEncoder>(ffmpeg.Settings());
    encoder->LoadSession(ffmpeg.folder / "session.xml");
    encoder->Start();
    EXPECT_TRUE(ReachesState(*encoder, platform::Encoder::kRunning));
    EXPECT_TRUE(Eventually([] { return server->OnAir("/lia"); }));
}

TEST_F(Publishing, EncoderThatFailsExplainsWithItsLastLines)
{
    FakeFfmpeg ffmpeg(server->Port());
    ffmpeg.Behave("echo 'Guessed Channel Layout' >&2\n"
                  "echo '[alsa @ 0x55d0a1b2c3d0] cannot open audio device hw:9 (No such device)' "
                  ">&2\nexit 1\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped));
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("exit code 1"), std::string::npos);
    EXPECT_NE(ffmpeg.failures[0].find("[alsa] cannot open audio device hw:9"), std::string::npos)
        << ffmpeg.failures[0];
    EXPECT_NE(encoder.ErrorOutput().find("Guessed Channel Layout"), std::string::npos);
}

// A server that goes away while the station is on the air ends the broadcast.
TEST(FfmpegEncoder, LostServerEndsTheBroadcast)
{
    TempFolder serverFolder;
    auto server = std::make_unique<LocalIcecast>(serverFolder / "icecast", "lia", Password);
    if (!server->Running())
        GTEST_SKIP() << server->Problem();
    FakeFfmpeg ffmpeg(server->Port());
    ffmpeg.Behave(Flowing);
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning));
    server.reset();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kStopped));
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("connection lost"), std::string::npos) << ffmpeg.failures[0];
}

// A server that stops reading (SIGSTOP) while the encoder keeps producing: once the
// socket is full nothing more reaches it, and the broadcast ends.
TEST(FfmpegEncoder, ServerThatTakesNoAudioEndsTheBroadcast)
{
    TempFolder serverFolder;
    LocalIcecast server(serverFolder / "icecast", "lia", Password);
    if (!server.Running())
        GTEST_SKIP() << server.Problem();
    FakeFfmpeg ffmpeg(server.Port());
    // As fast as it can, so that the socket to the stopped server fills within seconds.
    ffmpeg.Behave("exec ffmpeg -nostdin -loglevel error -f lavfi -i sine=440 -c:a libmp3lame "
                  "-b:a 32k -ar 32000 -f mp3 pipe:1\n");
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning));
    ASSERT_EQ(::kill(static_cast<pid_t>(server.Pid()), SIGSTOP), 0);
    const bool ended = ReachesState(encoder, platform::Encoder::kStopped, 60000);
    ::kill(static_cast<pid_t>(server.Pid()), SIGCONT);
    ASSERT_TRUE(ended);
    ASSERT_EQ(ffmpeg.failures.size(), 1u);
    EXPECT_NE(ffmpeg.failures[0].find("stalled: the server took no audio"), std::string::npos)
        << ffmpeg.failures[0];
}

TEST_F(Publishing, StopPassesThroughStoppingWithoutReportingAFailure)
{
    FakeFfmpeg ffmpeg(server->Port());
    ffmpeg.Behave(Flowing);
    FfmpegEncoder encoder(ffmpeg.Settings());
    encoder.LoadSession(ffmpeg.folder / "session.xml");
    encoder.Start();
    ASSERT_TRUE(ReachesState(encoder, platform::Encoder::kRunning))
        << testing::PrintToString(ffmpeg.failures);
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
        std::string otherCard = Session(8123);
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
