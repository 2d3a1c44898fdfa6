#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/Settings.h"
#include "platform/SimulatedEncoder.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

// The real main window with a simulated browser and encoder, its session files built
// from the shipped template: what the provider's page does to the station.
class ProviderPageTest : public apptest::StationTest {
protected:
    ProviderPageTest()
    {
        CopyShippedTemplate();
        testsupport::WriteBytes(folder / "cfg.ini",
                                "[Geral]\r\nControle=-1\r\nUsuario=ana maria\r\nSenha=" +
                                    app::ScramblePassword("p\xE7o&1") +
                                    "\r\nPlaca=0\r\nRadio=R\r\nKbps=32000\r\n"
                                    "Servidor=exemplo.net:8000\r\n");
        capture->SetDevices({{"Placa USB"}});
        app::StationServices services = Services();
        services.encoders = &encoders;
        window = std::make_unique<TFrm_OnLine>(services);
        window->show();
        for (QTimer* timer : {&window->TimerInicio, &window->TimerStatus, &window->TimerVerifica,
                              &window->TimerVerificaServidor})
            timer->stop();
        browser = browsers.last;
    }

    void OnTheAir()
    {
        window->BuildSessionFile();
        script.state = platform::Encoder::kRunning;
        window->StartEncoder();
        script.calls.clear();
    }

    void PageSays(const char* limit)
    {
        browser->CompleteDocument({{QStringLiteral("limitekbps"), QString::fromUtf8(limit)}});
    }

    std::string Settings() const { return testsupport::ReadBytes(folder / "cfg.ini"); }
    std::string Session() const { return testsupport::ReadBytes(folder / "ana maria.xml"); }

    platform::SimulatedEncoderScript script;
    platform::SimulatedEncoderFactory encoders{script};
    std::unique_ptr<TFrm_OnLine> window;
    platform::SimulatedWebBrowser* browser = nullptr;
};

TEST_F(ProviderPageTest, TheFirstShowPostsTheAccountToTheInfoHost)
{
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(browser->requests.size(), 1u);
    const auto& request = browser->requests[0];
    EXPECT_EQ(request.url.toString(), QStringLiteral("http://info.exemplo.net:8000"));
    EXPECT_EQ(request.body, QByteArray("Usuario=ana+maria&Senha=p%E7o%261"));
    EXPECT_EQ(request.headerText,
              QByteArray("Content-type: application/x-www-form-urlencoded\x0A\x0D"));
}

TEST_F(ProviderPageTest, ARestoreFromTheTraySendsNoSecondLogin)
{
    window->hide();
    window->show();
    EXPECT_EQ(browser->requests.size(), 1u);
}

TEST_F(ProviderPageTest, EverySavePostsTheSavedAccount)
{
    TFrm_Config& config = *window->Frm_Config;
    window->BConfigClick();
    config.EdUsuario->setText(QStringLiteral("bia"));
    config.EdSenha->setText(QStringLiteral("nova senha"));
    QTest::mouseClick(config.BSalvar, Qt::LeftButton);
    ASSERT_EQ(browser->requests.size(), 2u);
    EXPECT_EQ(browser->requests[1].body, QByteArray("Usuario=bia&Senha=nova+senha"));
}

TEST_F(ProviderPageTest, ANewEntitlementIsWrittenAndPutOnTheAir)
{
    OnTheAir();
    PageSays("100");
    EXPECT_EQ(window->FKbps, QStringLiteral("96000"));
    EXPECT_NE(Settings().find("\r\nKbps=96000\r\n"), std::string::npos) << Settings();
    EXPECT_NE(Session().find("bitrate=\"96000\""), std::string::npos);
    const std::vector<std::string> restart{
        "Stop", "Create", "Load " + (folder / "ana maria.xml").string(), "Start", "RunState"};
    EXPECT_EQ(script.calls, restart);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ProviderPageTest, AnEncoderThatIsNotRunningIsNotStoppedFirst)
{
    PageSays("64");
    EXPECT_EQ(script.Count("Stop"), 0u);
    EXPECT_EQ(script.Count("Start"), 1u);
    EXPECT_NE(Session().find("bitrate=\"64008\""), std::string::npos);
}

TEST_F(ProviderPageTest, TheBitrateInForceWritesNothingAndLeavesTheEncoderAlone)
{
    OnTheAir();
    const std::string before = Settings();
    const std::string session = Session();
    PageSays("63");
    PageSays("-20");
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Session(), session);
    EXPECT_TRUE(script.calls.empty());
}

TEST_F(ProviderPageTest, PagesWithoutAUsableValueChangeNothingSilently)
{
    OnTheAir();
    const std::string before = Settings();
    for (const char* limit : {"abc", "", "12x"})
        PageSays(limit);
    browser->CompleteDocument({}); // an error page: no such element
    EXPECT_EQ(window->FKbps, QStringLiteral("32000"));
    EXPECT_EQ(Settings(), before);
    EXPECT_TRUE(script.calls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Log().find("limitekbps"), std::string::npos);
}

TEST_F(ProviderPageTest, APageThatReloadsItselfIsReadAgain)
{
    PageSays("128");
    PageSays("70");
    EXPECT_EQ(window->FKbps, QStringLiteral("64008"));
    EXPECT_EQ(script.Count("Start"), 2u);
}

TEST_F(ProviderPageTest, AnUnwritableSettingsFileIsReportedLikeAnyOtherError)
{
    std::filesystem::remove(folder / "cfg.ini");
    std::filesystem::create_directory(folder / "cfg.ini");
    PageSays("100");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.indexOf(QStringLiteral("Unable to write to")), -1);
    EXPECT_EQ(script.Count("Start"), 0u);
}

TEST_F(ProviderPageTest, InformacoesUncoversThePageUnderTheAccountPanel)
{
    TFrm_Config& config = *window->Frm_Config;
    window->BInfoClick();
    EXPECT_TRUE(config.isVisible());
    EXPECT_FALSE(config.PConfig->isVisible());
    EXPECT_FALSE(config.PControles->isVisible());
    EXPECT_TRUE(config.PBrowser->isVisible());
    EXPECT_TRUE(browser->Widget()->isVisible());
    EXPECT_EQ(browser->Widget()->parentWidget(), config.PBrowser);
    window->BConfigClick();
    EXPECT_TRUE(config.PConfig->isVisible());
}

} // namespace
