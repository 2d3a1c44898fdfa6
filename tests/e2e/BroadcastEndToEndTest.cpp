// The station on the air for real: a private PulseAudio server as the sound card, a real
// Icecast server, the real main window with its timers and the ffmpeg encoder. Slow
// (tens of seconds), so it lives in a test program of its own.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "platform/SystemInfo.h"
#include "support/RecordingMessageBoxes.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

namespace {

std::filesystem::path SourceDir()
{
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    return source != nullptr ? source : ".";
}

QString Script(const char* name)
{
    return QString::fromStdString((SourceDir() / "scripts" / name).string());
}

// Runs the event loop (and so the window's timers) until the condition holds.
bool RunUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Output of a short-lived helper program; empty when it did not finish in time.
QString RunTool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAll());
}

class Service {
public:
    void Start(const QString& program, const QStringList& arguments)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(program, arguments);
        ASSERT_TRUE(process_.waitForStarted()) << program.toStdString();
    }
    void Kill()
    {
        process_.kill();
        process_.waitForFinished();
    }
    ~Service()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000))
                Kill();
        }
    }

private:
    QProcess process_;
};

void Wait(const std::string& what)
{
    const QString output = RunTool(Script("wait-for"), {"10", QString::fromStdString(what)}, 15000);
    ASSERT_TRUE(output.isEmpty()) << output.toStdString();
}

class BroadcastEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Icecast drops root for nobody, which must reach its log folder in here.
        std::filesystem::permissions(
            folder.path(), std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
            std::filesystem::perm_options::add);
        station = folder.path() / "station";
        std::filesystem::create_directories(station);
        std::filesystem::copy_file(SourceDir() / "deploy" / "padrao.xml", station / "padrao.xml");

        const auto pulse = folder.path() / "pulse";
        qputenv("PULSE_SERVER", ("unix:" + (pulse / "native").string()).c_str());
        pulseServer.Start(Script("start-pulse"), {QString::fromStdString(pulse.string())});
        Wait("unix:" + (pulse / "native").string());
        const QString programme = QString::fromStdString((folder / "programme.wav").string());
        ASSERT_TRUE(RunTool(Script("make-programme"), {programme}, 30000).isEmpty());
        player.Start(Script("play-programme"), {programme});
        port = RunTool(Script("free-port"), {}, 5000).trimmed();
        ASSERT_FALSE(port.isEmpty());
    }

    void StartServer(Service& server, const QString& address)
    {
        server.Start(
            Script("start-icecast"),
            {QString::fromStdString((folder / ("icecast-" + address.toStdString())).string()), port,
             "demo", "s3nha-demo", address});
        Wait("tcp:" + address.toStdString() + ":" + port.toStdString());
    }

    // The station folder of the demo account, publishing to localhost:<port>, with a session
    // file to rebuild and start at start-up.
    void PrepareStation()
    {
        ASSERT_TRUE(RunTool(Script("demo-settings"),
                            {QString::fromStdString(station.string()), "demo", "s3nha-demo",
                             "localhost:" + port},
                            10000)
                        .isEmpty());
        std::filesystem::copy_file(station / "padrao.xml", station / "demo.xml");
    }

    // The real window, shown as the program shows it, its timers running from now on.
    TFrm_OnLine& OpenWindow()
    {
        system.folder = station;
        system.programFilesDir = "/usr";
        system.soundServer = true;
        window = std::make_unique<TFrm_OnLine>(app::StationServices{system});
        window->show();
        EXPECT_GT(window->Frm_Config->CBPlacas->count(), 0) << "no capture card listed";
        return *window;
    }

    std::string Log() const { return testsupport::ReadBytes(station / "OnLine.log"); }

    bool StatusIs(const char* text) { return window->LStatus->text() == QString::fromUtf8(text); }

    // Stream parameters a listener sees, as ffprobe reports them.
    QString Probe(const QString& host)
    {
        return RunTool("ffprobe",
                       {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,bit_rate",
                        "-of", "default=nw=1", "http://" + host + ":" + port + "/demo"},
                       20000);
    }

    // Mean loudness of three seconds a listener receives, in dB.
    double ListenerLoudness(const QString& host)
    {
        const QString report = RunTool("ffmpeg",
                                       {"-hide_banner", "-nostdin", "-t", "3", "-i",
                                        "http://" + host + ":" + port + "/demo", "-af",
                                        "volumedetect", "-f", "null", "-"},
                                       20000);
        const auto match = QRegularExpression("mean_volume: (-?[0-9.]+) dB").match(report);
        return match.hasMatch() ? match.captured(1).toDouble() : -1000.0;
    }

    void ExpectNoErrorBoxes()
    {
        for (const auto& box : boxes.boxes)
            ADD_FAILURE() << "message box: " << box.text.toStdString();
    }

    testsupport::TempFolder folder;
    std::filesystem::path station;
    platform::FixedSystemInfo system;
    testsupport::RecordingMessageBoxes boxes;
    Service pulseServer, player;
    QString port;
    std::unique_ptr<TFrm_OnLine> window;
};

} // namespace

TEST_F(BroadcastEndToEnd, GoesOnAirLosesTheServerAndReconnectsByItself)
{
    Service server;
    StartServer(server, "127.0.0.1");
    PrepareStation();

    QElapsedTimer clock;
    clock.start();
    TFrm_OnLine& w = OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Conectado"); }, 20000))
        << "status: " << w.LStatus->text().toStdString() << "\n"
        << Log();
    const double toConnected = clock.elapsed() / 1000.0;
    EXPECT_TRUE(w.FConnected);

    const QString probe = Probe("127.0.0.1");
    EXPECT_TRUE(probe.contains("codec_name=mp3")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("sample_rate=32000")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("bit_rate=32000")) << probe.toStdString();
    const double loudness = ListenerLoudness("127.0.0.1");
    EXPECT_GT(loudness, -40.0) << "the listener hears silence";

    server.Kill();
    clock.restart();
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Desconectado"); }, 30000))
        << "status: " << w.LStatus->text().toStdString();
    const double toDisconnected = clock.elapsed() / 1000.0;
    EXPECT_FALSE(w.FConnected);

    Service again;
    StartServer(again, "127.0.0.1");
    clock.restart();
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Conectado"); }, 30000))
        << "status: " << w.LStatus->text().toStdString();
    const double toReconnected = clock.elapsed() / 1000.0;
    EXPECT_TRUE(Probe("127.0.0.1").contains("sample_rate=32000"));

    std::cout << "[figures] start to Conectado: " << toConnected
              << " s; server loss to Desconectado: " << toDisconnected
              << " s; server back to Conectado: " << toReconnected << " s; listener loudness "
              << loudness << " dB" << std::endl;
    ExpectNoErrorBoxes();
}

// Needs a network namespace of its own where ns1 and ns2 are different addresses; the
// failover-netns.sh wrapper provides it.
TEST_F(BroadcastEndToEnd, FailOverReachesNs2WhenNs1IsDown)
{
    if (qEnvironmentVariableIsEmpty("SONAVIA_IN_NETNS"))
        GTEST_SKIP() << "runs inside tests/e2e/failover-netns.sh";
    Service ns2;
    StartServer(ns2, "127.0.0.3");
    PrepareStation();

    QElapsedTimer clock;
    clock.start();
    TFrm_OnLine& w = OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Desconectado"); }, 20000));
    const QString ns2Host = "ns2.localhost:" + port;
    ASSERT_TRUE(RunUntil([&] { return StatusIs("Conectado"); }, 80000))
        << "status: " << w.LStatus->text().toStdString()
        << ", host: " << w.FPublishHost.toStdString();
    const double toNs2 = clock.elapsed() / 1000.0;
    EXPECT_EQ(w.FPublishHost, ns2Host);
    EXPECT_TRUE(Probe("127.0.0.3").contains("sample_rate=32000"));
    std::cout << "[figures] start to Conectado on ns2 with ns1 down: " << toNs2 << " s"
              << std::endl;
    // Each refused connection to ns1 was explained in the event log.
    const std::string log = testsupport::ReadBytes(station / "OnLine.log");
    EXPECT_NE(log.find("ns1.localhost"), std::string::npos);
}
