#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/Settings.h"
#include "platform/Exception.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

using apptest::ProbeWindow;

class FakeEncoder final : public platform::Encoder {
public:
    explicit FakeEncoder(int& stops) : stops_(stops) {}
    void LoadSession(const std::filesystem::path&) override {}
    void Start() override {}
    void Stop() override { ++stops_; }
    void AfterStop() override {}
    std::uint8_t RunState() override { return kRunning; }

private:
    int& stops_;
};

// FormClose asks the application to quit; that request must not end the event
// loops of the tests that follow.
void ForgetQuitRequest()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

class MainWindowTest : public apptest::StationTest {};

} // namespace

TEST_F(MainWindowTest, WindowHasItsCaptionSizeAndPlaceOnScreen)
{
    ProbeWindow window(Services());
    EXPECT_EQ(Frm_OnLine, &window);
    EXPECT_EQ(window.windowTitle(), "Studio Sonavia");
    EXPECT_EQ(window.size(), QSize(318, 354));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.geometry().center() - screenCentre).manhattanLength(), 1);
    for (auto* button : {window.BConfig, window.BInfo, window.BEqualizer, window.BMinimizar,
                         window.BOcultar, window.BFechar}) {
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget(), &window);
    }
}

TEST_F(MainWindowTest, StatusLineStartsAsYellowBoldConnectingOnBlack)
{
    ProbeWindow window(Services());
    const QLabel* status = window.LStatus;
    EXPECT_EQ(status->text(), "Conectando...");
    EXPECT_EQ(status->width(), 115);
    EXPECT_EQ(status->alignment(), Qt::AlignCenter);
    EXPECT_EQ(status->font().family(), "Verdana");
    EXPECT_EQ(status->font().pointSize(), 8);
    EXPECT_TRUE(status->font().bold());
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    EXPECT_EQ(status->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_TRUE(status->autoFillBackground());
}

TEST_F(MainWindowTest, DisplayAreaStacksFourPanelsWithTheSpectrumOnTop)
{
    ProbeWindow window(Services());
    const QFrame* area = window.PEqualizadores;
    EXPECT_EQ(area->size(), QSize(170, 56));
    EXPECT_EQ(area->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_TRUE(area->autoFillBackground());
    QStringList order;
    for (const QObject* child : area->children())
        order << child->objectName();
    EXPECT_EQ(order, QStringList({"PVU", "PLevel", "POsciloscopio", "PSpectrum"}));
    for (const QFrame* panel : {window.PVU, window.PLevel, window.POsciloscopio, window.PSpectrum})
        EXPECT_EQ(panel->geometry(), QRect(0, 0, 170, 56));
    const QWidget* shown = area->childAt(85, 28);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown == window.PSpectrum || shown->parentWidget() == window.PSpectrum);
}

TEST_F(MainWindowTest, TimersHaveTheirIntervalsAndStartStates)
{
    ProbeWindow window(Services());
    const struct {
        const QTimer& timer;
        int interval;
        bool active;
    } expected[] = {
        {window.TimerInicio, 100, true},     {window.TimerStatus, 1000, false},
        {window.TimerVerifica, 10000, true}, {window.TimerVerificaServidor, 60000, true},
        {window.TimerIcone, 500, false},     {window.TimerPopup, 200, false}};
    for (const auto& row : expected) {
        EXPECT_EQ(row.timer.interval(), row.interval);
        EXPECT_EQ(row.timer.isActive(), row.active) << row.interval;
    }
    EXPECT_EQ(window.FRunState, 0);
    EXPECT_FALSE(window.FEncoder);
    EXPECT_FALSE(window.FConnected);
    EXPECT_EQ(window.FPanelIndex, 0);
}

TEST_F(MainWindowTest, CreationLoadsTheSettingsAndTheFirstPublishingHost)
{
    WriteProvider("provedor.test");
    ProbeWindow window(Services());
    EXPECT_TRUE(std::filesystem::exists(folder / "cfg.ini"));
    EXPECT_EQ(window.FServidor, "provedor.test");
    EXPECT_EQ(window.FPublishHost, "ns1.provedor.test");
    EXPECT_EQ(window.FKbps, "32000");
    EXPECT_EQ(window.FPlaca, "0");
    EXPECT_EQ(window.FControle, "0");
    EXPECT_TRUE(window.FUsuario.isEmpty());
    EXPECT_EQ(window.SessionFilePath(), folder / ".xml");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowTest, WithoutAProviderFileTheStationTalksToThisMachine)
{
    ProbeWindow window(Services());
    EXPECT_EQ(window.FServidor, "localhost");
    EXPECT_EQ(window.FPublishHost, "ns1.localhost");
}

TEST_F(MainWindowTest, SettingsAreReadAsStoredIncludingTheUnscrambledPassword)
{
    app::AccountSettings account;
    account.placa = 1;
    account.controle = 3;
    account.usuario = QStringLiteral("joão");
    account.senha = QStringLiteral("s3nhá");
    account.radio = QStringLiteral("Rádio Teste");
    account.kbps = QStringLiteral("128016");
    app::SettingsFile(folder / "cfg.ini").WriteAccount(account);
    ProbeWindow window(Services());
    EXPECT_EQ(window.FUsuario, "joão");
    EXPECT_EQ(window.FSenha, "s3nhá");
    EXPECT_EQ(window.FRadio, "Rádio Teste");
    EXPECT_EQ(window.FPlaca, "1");
    EXPECT_EQ(window.FControle, "3");
    EXPECT_EQ(window.FKbps, "128016");
    EXPECT_EQ(window.FServidor, ""); // written by hand without it
    EXPECT_EQ(window.FPublishHost, "ns1.");
    EXPECT_EQ(window.SessionFilePath(), folder / "joão.xml");
}

TEST_F(MainWindowTest, FirstShowCreatesTheHiddenSettingsWindowAndAppliesTheSettings)
{
    testsupport::WriteBytes(folder / "cfg.ini",
                            "[Geral]\r\nUsuario=ana\r\nSenha=" + app::ScramblePassword("pw") +
                                "\r\nRadio=FM\r\nPlaca=0\r\nControle=-1\r\n");
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    EXPECT_FALSE(window.Frm_Config);
    window.show();
    ASSERT_TRUE(window.Frm_Config);
    const TFrm_Config& config = *window.Frm_Config;
    EXPECT_FALSE(config.isVisible());
    EXPECT_EQ(config.windowTitle(), "Configurações");
    EXPECT_EQ(config.size(), QSize(318, 465));
    EXPECT_TRUE(config.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(config.EdUsuario->text(), "ana");
    EXPECT_EQ(config.EdSenha->text(), "pw");
    EXPECT_EQ(config.EdSenha->echoMode(), QLineEdit::Password);
    EXPECT_EQ(config.EdRadio->text(), "FM");
    QStringList labels;
    for (const QLabel* label : config.PConfig->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, QStringList({"Rádio:", "Usuário:", "Senha:", "Placa:"}));
    EXPECT_EQ(config.CBPlacas->parentWidget(), config.PConfig);
    EXPECT_TRUE(window.TimerIcone.isActive());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowTest, ShowingTheWindowAgainChangesNothing)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    const TFrm_Config* config = window.Frm_Config.get();
    ASSERT_NE(config, nullptr);
    window.TimerIcone.stop();
    config->EdUsuario->setText(QStringLiteral("digitado"));
    window.hide();
    window.show();
    EXPECT_EQ(window.Frm_Config.get(), config);
    EXPECT_EQ(config->EdUsuario->text(), "digitado");
    EXPECT_FALSE(window.TimerIcone.isActive());
}

TEST(CaptureDevice, DeviceZeroWheneverASoundServerRunsOtherwiseTheChosenCard)
{
    EXPECT_EQ(CaptureDeviceFor(true, QStringLiteral("3")), 0);
    EXPECT_EQ(CaptureDeviceFor(false, QStringLiteral("3")), 3);
    EXPECT_THROW(CaptureDeviceFor(false, QStringLiteral("tres")), platform::EConvertError);
}

TEST_F(MainWindowTest, ClosingStopsARunningEncoderAndClosingWithoutOneIsClean)
{
    int stops = 0;
    {
        ProbeWindow window(Services());
        window.FormClose();
        window.FEncoder = std::make_unique<FakeEncoder>(stops);
        window.FormClose();
    }
    ForgetQuitRequest();
    EXPECT_EQ(stops, 1);
}

TEST_F(MainWindowTest, MinimiseHideAndCloseButtons)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    ASSERT_TRUE(window.TimerIcone.isActive());
    window.BMinimizar->click();
    EXPECT_TRUE(window.isMinimized());
    window.showNormal();
    window.BOcultar->click();
    EXPECT_FALSE(window.isVisible());
    window.show();
    window.BFechar->click();
    EXPECT_FALSE(window.TimerIcone.isActive());
    EXPECT_FALSE(window.isVisible());
    ForgetQuitRequest();
}
