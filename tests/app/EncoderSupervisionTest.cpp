#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/SessionFile.h"
#include "platform/SimulatedEncoder.h"
#include "platform/XmlDocument.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>

namespace {

using platform::Encoder;

// The real main window with a simulated encoder, shown once so that the settings window
// exists with a capture card selected, and with no timer running on its own: each test
// drives the handlers itself.
class EncoderSupervisionTest : public apptest::StationTest {
protected:
    void SetUp() override
    {
        WriteSettings("ana", "exemplo.net");
        CopyShippedTemplate();
    }

    void WriteSettings(const std::string& user, const std::string& servidor)
    {
        testsupport::WriteBytes(folder / "cfg.ini",
                                "[Geral]\r\nControle=-1\r\nUsuario=" + user +
                                    "\r\nPlaca=0\r\nKbps=32000\r\nServidor=" + servidor + "\r\n");
    }

    TFrm_OnLine& Window()
    {
        if (!window) {
            app::StationServices services = Services();
            services.encoders = &factory;
            window = std::make_unique<TFrm_OnLine>(services);
            window->show();
            window->Frm_Config->CBPlacas->addItem(QStringLiteral("Placa USB"));
            window->Frm_Config->CBPlacas->setCurrentIndex(0);
            for (QTimer* timer : {&window->TimerInicio, &window->TimerStatus,
                                  &window->TimerVerifica, &window->TimerVerificaServidor})
                timer->stop();
        }
        return *window;
    }

    // The window after a successful start on a session built from the template.
    TFrm_OnLine& Started(std::uint8_t state = Encoder::kStarting)
    {
        TFrm_OnLine& w = Window();
        w.BuildSessionFile();
        script.state = state;
        w.StartEncoder();
        script.calls.clear();
        return w;
    }

    // Reads the run state through the status poll.
    void Poll(std::uint8_t state)
    {
        script.state = state;
        Window().TimerStatusTimer();
    }

    std::string PublishServerInSession() const
    {
        platform::XmlDocument document;
        document.LoadFromFile(folder / "ana.xml");
        return document.DocumentElement().FirstChild("Broadcast").Attribute("PublishServer");
    }

    QColor StatusColour() { return Window().LStatus->palette().color(QPalette::WindowText); }

    platform::SimulatedEncoderScript script;
    platform::SimulatedEncoderFactory factory{script};
    std::unique_ptr<TFrm_OnLine> window;
};

using Calls = std::vector<std::string>;

} // namespace

TEST_F(EncoderSupervisionTest, StartEncoderLoadsTheUsersSessionStartsAndTurnsThePollOn)
{
    TFrm_OnLine& w = Window();
    w.BuildSessionFile();
    script.state = Encoder::kStarting;
    w.StartEncoder();
    EXPECT_EQ(script.calls,
              (Calls{"Create", "Load " + (folder / "ana.xml").string(), "Start", "RunState"}));
    EXPECT_EQ(w.FRunState, Encoder::kStarting);
    EXPECT_TRUE(w.TimerStatus.isActive());
    EXPECT_EQ(w.TimerStatus.interval(), 1000);
}

TEST_F(EncoderSupervisionTest, EachStartReplacesTheEncoderWithoutStoppingTheOldOne)
{
    TFrm_OnLine& w = Started();
    w.StartEncoder();
    EXPECT_EQ(script.Count("Stop"), 0u);
    EXPECT_EQ(script.Count("Create"), 1u);
    EXPECT_EQ(script.alive, 1);
}

TEST_F(EncoderSupervisionTest, FailedStartLeavesThePollAndTheRunStateAsTheyWere)
{
    TFrm_OnLine& w = Window();
    w.BuildSessionFile();
    script.failing = {"Start"};
    EXPECT_THROW(w.StartEncoder(), platform::EEncoderError);
    EXPECT_FALSE(w.TimerStatus.isActive());
    EXPECT_EQ(w.FRunState, 0);
}

TEST_F(EncoderSupervisionTest, StatusLineFollowsTheRunStateTable)
{
    TFrm_OnLine& w = Started();
    const struct {
        std::uint8_t state;
        const char* text;
        QColor colour;
        bool connected;
    } rows[] = {
        {Encoder::kStarting, "Conectando...", QColor(255, 255, 0), false},
        {Encoder::kRunning, "Conectado", QColor(0, 255, 0), true},
        {Encoder::kStopping, "Desconectando...", QColor(255, 255, 0), false},
        {Encoder::kRunning, "Conectado", QColor(0, 255, 0), true},
        {Encoder::kStopped, "Desconectado", QColor(255, 0, 0), false},
    };
    for (const auto& row : rows) {
        Poll(row.state);
        EXPECT_EQ(w.FRunState, row.state);
        EXPECT_EQ(w.LStatus->text().toStdString(), row.text);
        EXPECT_EQ(StatusColour(), row.colour) << row.text;
        EXPECT_EQ(w.FConnected, row.connected) << row.text;
    }
}

TEST_F(EncoderSupervisionTest, RunningDisarmsTheServerTimerAndStartingOrStoppedArmIt)
{
    TFrm_OnLine& w = Started();
    w.TimerVerificaServidor.start();
    Poll(Encoder::kRunning);
    EXPECT_FALSE(w.TimerVerificaServidor.isActive());
    Poll(Encoder::kStopping);
    EXPECT_FALSE(w.TimerVerificaServidor.isActive()); // stopping leaves it alone
    Poll(Encoder::kStarting);
    EXPECT_TRUE(w.TimerVerificaServidor.isActive());
    EXPECT_EQ(w.TimerVerificaServidor.interval(), 60000);
    EXPECT_GT(w.TimerVerificaServidor.remainingTime(), 59000); // a full period from now
    Poll(Encoder::kStopping);
    EXPECT_TRUE(w.TimerVerificaServidor.isActive());
    Poll(Encoder::kRunning);
    Poll(Encoder::kStopped);
    EXPECT_TRUE(w.TimerVerificaServidor.isActive());
}

TEST_F(EncoderSupervisionTest, AnArmedServerTimerKeepsCountingInsteadOfRestarting)
{
    TFrm_OnLine& w = Started();
    w.TimerVerificaServidor.start();
    QThread::msleep(30);
    const int before = w.TimerVerificaServidor.remainingTime();
    Poll(Encoder::kStarting);
    EXPECT_LE(w.TimerVerificaServidor.remainingTime(), before);
}

TEST_F(EncoderSupervisionTest, StoppedStateCallsAfterStopOnceAndEndsThePoll)
{
    TFrm_OnLine& w = Started();
    Poll(Encoder::kStopped);
    EXPECT_EQ(script.calls, (Calls{"RunState", "AfterStop"}));
    EXPECT_FALSE(w.TimerStatus.isActive());
}

TEST_F(EncoderSupervisionTest, UnknownRunStateIsStoredButChangesNothing)
{
    TFrm_OnLine& w = Started();
    Poll(Encoder::kRunning);
    w.TimerVerifica.start();
    Poll(3);
    EXPECT_EQ(w.FRunState, 3);
    EXPECT_EQ(w.LStatus->text(), QStringLiteral("Conectado"));
    EXPECT_EQ(StatusColour(), QColor(0, 255, 0));
    EXPECT_TRUE(w.FConnected);
    EXPECT_FALSE(w.TimerVerificaServidor.isActive());
    EXPECT_TRUE(w.TimerVerifica.isActive());
    EXPECT_TRUE(w.TimerStatus.isActive());
}

TEST_F(EncoderSupervisionTest, RestartCheckStartsAStoppedEncoderOnTheSameSession)
{
    TFrm_OnLine& w = Started();
    Poll(Encoder::kRunning);
    Poll(Encoder::kStopped);
    const std::string session = testsupport::ReadBytes(folder / "ana.xml");
    script.calls.clear();
    script.state = Encoder::kStarting;
    w.TimerVerificaTimer();
    EXPECT_EQ(script.calls,
              (Calls{"Create", "Load " + (folder / "ana.xml").string(), "Start", "RunState"}));
    EXPECT_EQ(testsupport::ReadBytes(folder / "ana.xml"), session); // not rebuilt
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1.exemplo.net"));
    EXPECT_TRUE(w.TimerStatus.isActive());
}

TEST_F(EncoderSupervisionTest, RestartCheckLeavesAnyOtherStateAlone)
{
    TFrm_OnLine& w = Window();
    w.TimerVerificaTimer(); // no encoder yet: state 0
    for (std::uint8_t state : {Encoder::kStarting, Encoder::kRunning, Encoder::kStopping}) {
        Started(state);
        w.TimerVerificaTimer();
        EXPECT_TRUE(script.calls.empty()) << int(state);
    }
}

TEST_F(EncoderSupervisionTest, WhileRunningOnlyThePollTalksToTheEncoder)
{
    TFrm_OnLine& w = Started();
    Poll(Encoder::kRunning);
    script.calls.clear();
    w.FPublishHost = QStringLiteral("ns2.exemplo.net");
    w.TimerVerificaTimer();
    w.TimerVerificaServidorTimer();
    w.TimerStatusTimer();
    EXPECT_EQ(script.calls, (Calls{"RunState"}));
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns2.exemplo.net"));
}

TEST_F(EncoderSupervisionTest, ServerTimerAlternatesHostsRebuildsAndStartsAFreshEncoder)
{
    TFrm_OnLine& w = Window();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1.exemplo.net"));
    // The first tick comes with no encoder at all: it still switches and starts one.
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns2.exemplo.net"));
    EXPECT_EQ(PublishServerInSession(), "ns2.exemplo.net");
    EXPECT_EQ(script.Count("Create"), 1u);
    EXPECT_EQ(script.Count("Start"), 1u);
    EXPECT_TRUE(w.TimerStatus.isActive());

    Poll(Encoder::kStopped);
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1.exemplo.net"));
    EXPECT_EQ(PublishServerInSession(), "ns1.exemplo.net");
    EXPECT_EQ(script.Count("Create"), 2u);

    Poll(Encoder::kStarting);
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns2.exemplo.net"));
    EXPECT_EQ(script.Count("Create"), 3u);
}

TEST_F(EncoderSupervisionTest, AnyOtherHostSwitchesBackToNs1)
{
    TFrm_OnLine& w = Window();
    w.FPublishHost = QStringLiteral("ns2.outro.net");
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1.exemplo.net"));
}

TEST_F(EncoderSupervisionTest, EmptyServerDomainAlternatesBareHosts)
{
    WriteSettings("ana", "");
    TFrm_OnLine& w = Window();
    ASSERT_EQ(w.FServidor, QString());
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1."));
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns2."));
    EXPECT_EQ(PublishServerInSession(), "ns2.");
    Poll(Encoder::kStopped);
    w.TimerVerificaServidorTimer();
    EXPECT_EQ(w.FPublishHost, QStringLiteral("ns1."));
}

TEST_F(EncoderSupervisionTest, ServerSwitchWithoutTemplateTellsTheOperatorAndStartsNothing)
{
    std::filesystem::remove(folder / "padrao.xml");
    TFrm_OnLine& w = Window();
    const std::string logBefore = Log();
    boxes.boxes.clear(); // the first show may have reported a missing sound card
    // A real box blocks; the recorded one returns at once, so one tick is all we let through.
    boxes.onShow = [&w](const auto&) { w.TimerVerificaServidor.stop(); };
    w.TimerVerificaServidor.setInterval(1);
    w.TimerVerificaServidor.start();
    QElapsedTimer clock;
    clock.start();
    while (boxes.boxes.empty() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    w.TimerVerificaServidor.stop();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              QStringLiteral("Arquivos de configuração Padrão não existente!"));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Zorvane Sonavia"));
    EXPECT_EQ(script.Count("Create"), 0u);
    EXPECT_EQ(Log(), logBefore); // no record
    EXPECT_FALSE(std::filesystem::exists(folder / "ana.xml"));
}

TEST_F(EncoderSupervisionTest, EncoderFailureFromATimerReachesTheHandlerAndTheLog)
{
    TFrm_OnLine& w = Started();
    Poll(Encoder::kStopped);
    script.failing = {"Load"};
    boxes.boxes.clear();
    w.TimerVerifica.setInterval(1);
    w.TimerVerifica.start();
    QElapsedTimer clock;
    clock.start();
    while (boxes.boxes.empty() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    w.TimerVerifica.stop();
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Load failed"));
    EXPECT_NE(LogUtf8().find("Ação.................: EEncoderError\r\n"
                             "Descrição............: Load failed\r\n"),
              std::string::npos);
    EXPECT_FALSE(w.TimerStatus.isActive());
}

TEST_F(EncoderSupervisionTest, UnsafeUserNameIsRefusedAndNothingIsWrittenOutsideTheFolder)
{
    WriteSettings("../fora", "exemplo.net");
    TFrm_OnLine& w = Window();
    EXPECT_THROW(w.TimerVerificaServidorTimer(), app::ESessionFileError);
    EXPECT_FALSE(std::filesystem::exists(folder.path().parent_path() / "fora.xml"));
    EXPECT_THROW(w.StartEncoder(), app::ESessionFileError);
    EXPECT_EQ(script.Count("Create"), 0u);
}

TEST_F(EncoderSupervisionTest, NoCardSelectedFailsTheRebuildAndKeepsTheFile)
{
    TFrm_OnLine& w = Started();
    const std::string before = testsupport::ReadBytes(folder / "ana.xml");
    w.Frm_Config->CBPlacas->clear();
    EXPECT_THROW(w.TimerVerificaServidorTimer(), app::ESessionFileError);
    EXPECT_EQ(testsupport::ReadBytes(folder / "ana.xml"), before);
}

TEST_F(EncoderSupervisionTest, ClosingStopsTheEncoder)
{
    TFrm_OnLine& w = Started(Encoder::kRunning);
    w.FormClose();
    EXPECT_EQ(script.calls, (Calls{"Stop"}));
}

TEST_F(EncoderSupervisionTest, StartUpRebuildsAnExistingSessionAndStartsTheEncoder)
{
    InstallEncoderProgram();
    std::filesystem::copy_file(folder / "padrao.xml", folder / "ana.xml");
    TFrm_OnLine& w = Window();
    w.TimerInicioTimer();
    EXPECT_EQ(PublishServerInSession(), "ns1.exemplo.net");
    EXPECT_EQ(script.Count("Start"), 1u);
    EXPECT_TRUE(w.TimerStatus.isActive());
    EXPECT_NE(LogUtf8().find("Foi executado o Encoder"), std::string::npos);
}
