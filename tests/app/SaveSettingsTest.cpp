#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/Settings.h"
#include "platform/Exception.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

// Records, in order, every step of a save that leaves the settings window.
class SaveProbe : public apptest::ProbeWindow {
public:
    using ProbeWindow::ProbeWindow;
    QString userAtPostLogin;
    std::string settingsAtPostLogin;

    void StartWaveIn() override { calls.push_back("StartWaveIn"); }
    void CloseWaveIn() override { calls.push_back("CloseWaveIn"); }
    void PostLogin() override
    {
        calls.push_back("PostLogin");
        userAtPostLogin = FUsuario;
        settingsAtPostLogin = testsupport::ReadBytes(SettingsFilePath());
    }
};

// An encoder that only records that it was stopped.
class StopRecorder final : public platform::Encoder {
public:
    explicit StopRecorder(std::vector<std::string>& calls) : calls_(calls) {}
    void LoadSession(const std::filesystem::path&) override {}
    void Start() override {}
    void Stop() override { calls_.push_back("Stop"); }
    void AfterStop() override {}
    std::uint8_t RunState() override { return kRunning; }

private:
    std::vector<std::string>& calls_;
};

class SaveSettingsTest : public apptest::StationTest {
protected:
    SaveSettingsTest()
    {
        WriteProvider("radio.test");
        capture->SetDevices({{"Placa A"}, {"Placa B"}});
        window = std::make_unique<SaveProbe>(Services());
        window->TimerInicio.stop();
        window->show();
        config = window->Frm_Config.get();
        config->ShowAccountView();
        window->calls.clear();
    }

    void Type(const QString& user, const QString& password, const QString& station)
    {
        config->EdUsuario->setText(user);
        config->EdSenha->setText(password);
        config->EdRadio->setText(station);
    }

    void ClickSave() { QTest::mouseClick(config->BSalvar, Qt::LeftButton); }

    std::string Settings() const { return testsupport::ReadBytes(folder / "cfg.ini"); }

    std::unique_ptr<SaveProbe> window;
    TFrm_Config* config = nullptr;
};

using Calls = std::vector<std::string>;

} // namespace

TEST_F(SaveSettingsTest, TheAccountIsWrittenInOrderWithTheScrambledPassword)
{
    // With none of the account keys present, each write appends its key, so the
    // file shows the order of the writes.
    testsupport::WriteBytes(folder / "cfg.ini", "[Geral]\r\nServidor=radio.test\r\n");
    window->FKbps = QStringLiteral("64008");
    window->FControle = QStringLiteral("-1");
    config->CBPlacas->setCurrentIndex(1);
    Type(QStringLiteral("ana maria"), QStringLiteral("pão&1"), QStringLiteral("Rádio Azul"));
    ClickSave();

    const std::string scrambled =
        app::ScramblePassword(platform::ToCp1252(QStringLiteral("pão&1")));
    EXPECT_EQ(Settings(), "[Geral]\r\nServidor=radio.test\r\nPlaca=1\r\nControle=-1\r\n"
                          "Usuario=ana maria\r\nSenha=" +
                              scrambled +
                              "\r\nRadio=R\xE1"
                              "dio Azul\r\nKbps=64008\r\n");
    EXPECT_EQ(scrambled.size(), 5u);
    EXPECT_EQ(scrambled.find("p\xE3o"), std::string::npos);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SaveSettingsTest, TheStepsRunInOrderAndTheSettingsAreReloadedAfterTheWrites)
{
    Type(QStringLiteral("ana"), QStringLiteral("segredo"), QStringLiteral("Rádio Azul"));
    ClickSave();

    // A first save changes the user from "" to "ana": the encoder starts twice.
    EXPECT_EQ(window->calls, (Calls{"CloseWaveIn", "PostLogin", "BuildSessionFile", "StartEncoder",
                                    "StartEncoder", "StartWaveIn"}));
    EXPECT_EQ(window->userAtPostLogin, "ana");
    EXPECT_NE(window->settingsAtPostLogin.find("Usuario=ana\r\n"), std::string::npos);
    EXPECT_EQ(window->FUsuario, "ana");
    EXPECT_EQ(window->FSenha, "segredo");
    EXPECT_EQ(window->FRadio, "Rádio Azul");
    EXPECT_EQ(window->FPublishHost, "ns1.radio.test");
    EXPECT_FALSE(config->isVisible());
}

TEST_F(SaveSettingsTest, ARunningEncoderIsStoppedBeforeTheSessionIsRebuilt)
{
    window->FEncoder = std::make_unique<StopRecorder>(window->calls);
    window->FRunState = platform::Encoder::kRunning;
    Type(QStringLiteral("ana"), QStringLiteral("segredo"), QString());
    ClickSave();
    EXPECT_EQ(window->calls, (Calls{"CloseWaveIn", "PostLogin", "Stop", "BuildSessionFile",
                                    "StartEncoder", "StartEncoder", "StartWaveIn"}));
}

TEST_F(SaveSettingsTest, AnEncoderThatIsNotRunningIsNotStopped)
{
    for (const std::uint8_t state : {platform::Encoder::kStarting, platform::Encoder::kStopping,
                                     platform::Encoder::kStopped}) {
        window->calls.clear();
        window->FEncoder = std::make_unique<StopRecorder>(window->calls);
        window->FRunState = state;
        config->ShowAccountView();
        Type(QStringLiteral("ana"), QStringLiteral("segredo"), QString());
        ClickSave();
        EXPECT_EQ(std::count(window->calls.begin(), window->calls.end(), "Stop"), 0)
            << "state " << int(state);
        EXPECT_EQ(window->calls.back(), "StartWaveIn");
    }
}

TEST_F(SaveSettingsTest, AnUnwritableSettingsFileStopsTheSaveBeforeTheReload)
{
    // A folder where the file should be: every write fails.
    std::filesystem::remove(folder / "cfg.ini");
    std::filesystem::create_directory(folder / "cfg.ini");
    Type(QStringLiteral("ana"), QStringLiteral("segredo"), QString());
    ClickSave();

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.indexOf(QStringLiteral("Unable to write to")), -1);
    EXPECT_EQ(window->FUsuario, ""); // not reloaded
    EXPECT_EQ(window->calls, (Calls{"CloseWaveIn", "StartWaveIn"}));
    EXPECT_TRUE(config->isVisible());
}

TEST_F(SaveSettingsTest, AUserNameThatWouldLeaveTheStationFolderIsRefusedBeforeAnyWrite)
{
    const std::string before = Settings();
    for (const QString& user :
         {QStringLiteral("../ana"), QStringLiteral(".."), QStringLiteral("a/b")}) {
        Type(user, QStringLiteral("segredo"), QString());
        ClickSave();
        EXPECT_EQ(Settings(), before) << user.toStdString();
    }
    EXPECT_EQ(boxes.boxes.size(), 3u);
    EXPECT_TRUE(window->calls.empty());
    EXPECT_TRUE(config->isVisible());
}

TEST_F(SaveSettingsTest, CharactersTheFileCannotHoldAreRefusedNamingTheField)
{
    const std::string before = Settings();
    const struct {
        QLineEdit* field;
        QString text;
        QString name;
    } cases[] = {
        {config->EdRadio,
         QString::fromUtf8("R\xC3\xA1"
                           "dio \xF0\x9F\x93\xBB"),
         QStringLiteral("Rádio")},
        {config->EdUsuario, QString::fromUtf8("\xE6\x9D\xB1\xE4\xBA\xAC"),
         QStringLiteral("Usuário")},
        {config->EdSenha, QString::fromUtf8("p\xC3\xA3o\xF0\x9F\x98\x80"), QStringLiteral("Senha")},
    };
    for (const auto& bad : cases) {
        boxes.boxes.clear();
        Type(QStringLiteral("ana"), QStringLiteral("segredo"), QStringLiteral("Rádio Azul"));
        bad.field->setText(bad.text);
        ClickSave();
        ASSERT_EQ(boxes.boxes.size(), 1u) << bad.name.toStdString();
        EXPECT_TRUE(boxes.boxes[0].text.startsWith("O campo " + bad.name + " "))
            << boxes.boxes[0].text.toStdString();
        EXPECT_EQ(Settings(), before);
    }
}
