#include "StationFixture.h"
#include "app/ConfigWindow.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QLineEdit>
#include <QTimer>

namespace {

using apptest::ProbeWindow;

class StartupTest : public apptest::StationTest {
protected:
    StartupTest()
    {
        // Whatever is in the log when a box opens, so the order box-then-record
        // can be checked.
        boxes.onShow = [this](const auto&) { logAtBox.push_back(LogUtf8()); };
    }

    void WriteSettingsFor(const std::string& user)
    {
        testsupport::WriteBytes(folder / "cfg.ini", "[Geral]\r\nControle=-1\r\nUsuario=" + user +
                                                        "\r\nPlaca=0\r\nKbps=32000\r\n");
    }

    std::vector<std::string> logAtBox;
};

const char* const kNoSessionRecord = "Ação.................: Erro\r\n"
                                     "Descrição............: Não foi encontrado o arquivo de "
                                     "codificação\r\n"
                                     "Processo.............: FormCreate\r\n";

} // namespace

TEST_F(StartupTest, WithoutASessionFileTheUserIsToldAndGetsTheSettingsWindowModally)
{
    ProbeWindow window(Services());
    window.show();
    window.Frm_Config->PConfig->setVisible(false);

    bool shownModally = false;
    bool accountPanelVisible = false;
    QTimer::singleShot(0, window.Frm_Config.get(), [&] {
        shownModally = window.Frm_Config->isVisible() && window.Frm_Config->isModal();
        accountPanelVisible = window.Frm_Config->PConfig->isVisible();
        window.Frm_Config->close();
    });
    window.TimerInicioTimer();

    EXPECT_FALSE(window.TimerInicio.isActive());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Zorvane Sonavia");
    EXPECT_EQ(boxes.boxes[0].text, "Arquivo de codificação não encontrado!");
    EXPECT_EQ(boxes.boxes[0].icon, platform::MessageBoxes::Icon::Information);
    ASSERT_EQ(logAtBox.size(), 1u);
    EXPECT_EQ(logAtBox[0].find("arquivo de codificação"), std::string::npos);
    EXPECT_NE(LogUtf8().find(kNoSessionRecord), std::string::npos);
    EXPECT_TRUE(shownModally);
    EXPECT_TRUE(accountPanelVisible);
    EXPECT_FALSE(window.Frm_Config->isVisible());
    EXPECT_TRUE(window.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / ".xml"));
}

TEST_F(StartupTest, ASessionFileWithoutTheEncoderProgramIsRebuiltAndTheUserTold)
{
    WriteSettingsFor("ana");
    testsupport::WriteBytes(folder / "ana.xml", "<sessao/>");
    ProbeWindow window(Services());
    window.show();
    window.TimerInicioTimer();

    EXPECT_EQ(window.calls, std::vector<std::string>({"BuildSessionFile"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Codificador não encontrado!");
    EXPECT_EQ(boxes.boxes[0].caption, "Zorvane Sonavia");
    ASSERT_EQ(logAtBox.size(), 1u);
    EXPECT_EQ(logAtBox[0].find("codificador"), std::string::npos);
    EXPECT_NE(LogUtf8().find("Ação.................: Erro\r\n"
                             "Descrição............: Não foi encontrado o codificador\r\n"
                             "Processo.............: FormCreate\r\n"),
              std::string::npos);
    EXPECT_FALSE(window.Frm_Config->isVisible());
}

TEST_F(StartupTest, SessionFileAndEncoderProgramStartTheEncoderAndLogIt)
{
    WriteSettingsFor("ana");
    testsupport::WriteBytes(folder / "ana.xml", "<sessao/>");
    InstallEncoderProgram();
    ProbeWindow window(Services());
    window.show();
    window.TimerInicioTimer();

    EXPECT_EQ(window.calls, std::vector<std::string>({"BuildSessionFile", "StartEncoder"}));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(LogUtf8().find("Data/Hora............: 07/12/2026 21:05:09\r\n"
                             "Ação.................: Processo normal\r\n"
                             "Descrição............: Foi executado o Encoder\r\n"
                             "Processo.............: VerificaEncoder\r\n\r\n"),
              std::string::npos);
}

TEST_F(StartupTest, TheStartTimerFiresOnceFromTheEventLoop)
{
    WriteSettingsFor("ana");
    testsupport::WriteBytes(folder / "ana.xml", "<sessao/>");
    InstallEncoderProgram();
    ProbeWindow window(Services());
    window.show();
    window.TimerInicio.setInterval(0);
    window.TimerInicio.start();
    for (int turn = 0; turn < 20; ++turn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(window.calls, std::vector<std::string>({"BuildSessionFile", "StartEncoder"}));
}

TEST_F(StartupTest, NonNumericCardIndexReachesTheErrorHandlerAndTheLog)
{
    testsupport::WriteBytes(folder / "cfg.ini",
                            "[Geral]\r\nControle=0\r\nUsuario=ana\r\nPlaca=abc\r\n");
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "'abc' is not a valid integer value");
    EXPECT_EQ(boxes.boxes[0].icon, platform::MessageBoxes::Icon::Error);
    EXPECT_EQ(boxes.boxes[0].caption, "Zorvane Sonavia");
    EXPECT_NE(LogUtf8().find("Ação.................: EConvertError\r\n"
                             "Descrição............: 'abc' is not a valid integer value\r\n"
                             "Processo.............: \r\n\r\n"),
              std::string::npos);
    // The steps before the conversion ran; the rest of the first show did not.
    EXPECT_EQ(window.Frm_Config->EdUsuario->text(), "ana");
    EXPECT_FALSE(window.TimerIcone.isActive());
}

TEST_F(StartupTest, NonNumericLineIndexReachesTheErrorHandlerToo)
{
    testsupport::WriteBytes(folder / "cfg.ini", "[Geral]\r\nControle=um\r\nPlaca=0\r\n");
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "'um' is not a valid integer value");
    EXPECT_NE(LogUtf8().find("Ação.................: EConvertError\r\n"), std::string::npos);
}

TEST_F(StartupTest, TemporaryFilesOfWritesKilledHalfWayAreRemovedAtStartUp)
{
    const std::vector<std::string> leftovers{"cfg.ini.Ab12Cd", "ana.xml.zZ9y8X"};
    const std::vector<std::string> kept{"notes.txt.Ab12Cd", "cfg.ini.bak", "ana.xml.old-1"};
    for (const auto& name : leftovers)
        testsupport::WriteBytes(folder / name, "x");
    for (const auto& name : kept)
        testsupport::WriteBytes(folder / name, "x");
    ProbeWindow window(Services());
    for (const auto& name : leftovers)
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
}
