#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/Settings.h"
#include "platform/SimulatedEncoder.h"
#include "platform/XmlDocument.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace {

using Calls = std::vector<std::string>;

// The real main window, its session files built from the shipped template, and a
// simulated encoder: what a save does to the broadcast.
class SaveRestartsEncoderTest : public apptest::StationTest {
protected:
    SaveRestartsEncoderTest()
    {
        CopyShippedTemplate();
        testsupport::WriteBytes(
            folder / "cfg.ini",
            "[Geral]\r\nControle=-1\r\nUsuario=ana\r\nSenha=" + app::ScramblePassword("velha") +
                "\r\nPlaca=0\r\nRadio=R\xE1"
                "dio Azul\r\nKbps=32000\r\n"
                "Servidor=exemplo.net\r\n");
        capture->SetDevices({{"Placa USB"}, {"Placa PCI"}});
        app::StationServices services = Services();
        services.encoders = &factory;
        window = std::make_unique<TFrm_OnLine>(services);
        window->show();
        config = window->Frm_Config.get();
        for (QTimer* timer : {&window->TimerInicio, &window->TimerStatus, &window->TimerVerifica,
                              &window->TimerVerificaServidor})
            timer->stop();
    }

    // The station on the air as "ana", as the start-up leaves it.
    void OnTheAirAsAna()
    {
        window->BuildSessionFile();
        script.state = platform::Encoder::kRunning;
        window->StartEncoder();
        script.calls.clear();
    }

    void Save(const QString& user, const QString& password, int card = 0)
    {
        window->BConfigClick();
        config->CBPlacas->setCurrentIndex(card);
        config->EdUsuario->setText(user);
        config->EdSenha->setText(password);
        QTest::mouseClick(config->BSalvar, Qt::LeftButton);
    }

    std::string Attribute(const std::string& file, const char* element, const char* name) const
    {
        platform::XmlDocument document;
        document.LoadFromFile(folder / file);
        return document.DocumentElement().FirstChild(element).Attribute(name);
    }

    std::string Load(const std::string& user) const
    {
        return "Load " + (folder / (user + ".xml")).string();
    }

    platform::SimulatedEncoderScript script;
    platform::SimulatedEncoderFactory factory{script};
    std::unique_ptr<TFrm_OnLine> window;
    TFrm_Config* config = nullptr;
};

} // namespace

TEST_F(SaveRestartsEncoderTest, ANewUserGetsAFileFromTheTemplateTwoStartsAndTheOldFileStays)
{
    OnTheAirAsAna();
    const std::string anaBefore = testsupport::ReadBytes(folder / "ana.xml");
    ASSERT_FALSE(std::filesystem::exists(folder / "bia.xml"));

    Save(QStringLiteral("bia"), QStringLiteral("nova"));

    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(testsupport::ReadBytes(folder / "ana.xml"), anaBefore);
    EXPECT_EQ(Attribute("bia.xml", "Broadcast", "PublishingPoint"), "bia");
    EXPECT_EQ(Attribute("bia.xml", "Broadcast", "PublishServer"), "ns1.exemplo.net");
    EXPECT_EQ(Attribute("bia.xml", "Description", "Title"), "Rádio Azul");
    EXPECT_EQ(Attribute("bia.xml", "Encoder", "Program"),
              Attribute("padrao.xml", "Encoder", "Program"));
    // The running encoder is stopped, then two fresh encoders start on the new file.
    EXPECT_EQ(script.calls, (Calls{"Stop", "Create", Load("bia"), "Start", "RunState", "Create",
                                   Load("bia"), "Start", "RunState"}));
    EXPECT_EQ(script.alive, 1);
    EXPECT_EQ(window->FUsuario, "bia");
    EXPECT_TRUE(window->TimerStatus.isActive());
    EXPECT_FALSE(config->isVisible());
}

TEST_F(SaveRestartsEncoderTest, TheSameUserRebuildsHisFileAndStartsOnce)
{
    OnTheAirAsAna();
    window->FPublishHost = QStringLiteral("ns2.exemplo.net"); // as a server switch leaves it
    Save(QStringLiteral("ana"), QStringLiteral("velha"));

    EXPECT_EQ(script.calls, (Calls{"Stop", "Create", Load("ana"), "Start", "RunState"}));
    // The reload puts the first host back before the file is rebuilt.
    EXPECT_EQ(Attribute("ana.xml", "Broadcast", "PublishServer"), "ns1.exemplo.net");
}

TEST_F(SaveRestartsEncoderTest, AFailingEncoderIsReportedAndTheWindowStaysOpen)
{
    OnTheAirAsAna();
    script.failing = {"Start"};
    Save(QStringLiteral("bia"), QStringLiteral("nova"));

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Start failed");
    EXPECT_NE(LogUtf8().find("Ação.................: EEncoderError\r\n"
                             "Descrição............: Start failed\r\n"),
              std::string::npos);
    EXPECT_EQ(script.Count("Start"), 1u); // the second start never came
    EXPECT_TRUE(config->isVisible());
    EXPECT_TRUE(window->WaveIn->Started()); // the displays keep their signal
    // The account was saved before the encoder failed; the file is there to retry.
    EXPECT_TRUE(std::filesystem::exists(folder / "bia.xml"));
}

TEST_F(SaveRestartsEncoderTest, AMissingTemplateEndsTheSaveAfterTellingTheOperator)
{
    std::filesystem::remove(folder / "padrao.xml");
    Save(QStringLiteral("bia"), QStringLiteral("nova"));

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Arquivos de configuração Padrão não existente!");
    EXPECT_EQ(script.Count("Create"), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / "bia.xml"));
    // Forget the request to end the application, so later tests keep their loops.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(SaveRestartsEncoderTest, RefusalsWriteNothingAndLeaveCaptureRunningOnItsDevice)
{
    OnTheAirAsAna();
    ASSERT_TRUE(window->WaveIn->Started());
    const int opened = capture->StreamsOpened();
    const std::string settings = testsupport::ReadBytes(folder / "cfg.ini");
    Save(QString(), QStringLiteral("nova"));
    Save(QStringLiteral("bia"), QString());

    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "É necessário informar o Usuário!");
    EXPECT_EQ(boxes.boxes[1].text, "É necessário informar a Senha!");
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Zorvane Sonavia");
        EXPECT_EQ(box.icon, platform::MessageBoxes::Icon::Information);
    }
    EXPECT_EQ(testsupport::ReadBytes(folder / "cfg.ini"), settings);
    EXPECT_TRUE(script.calls.empty()); // the encoder is not touched
    EXPECT_TRUE(config->isVisible());
    EXPECT_TRUE(window->WaveIn->Started());
    EXPECT_EQ(capture->StreamsOpened(), opened);
    EXPECT_EQ(capture->OpenStreams(), 1);
}

TEST_F(SaveRestartsEncoderTest, ASaveReopensCaptureOnTheChosenCard)
{
    ASSERT_EQ(window->WaveIn->GetDeviceID(), 0);
    const int opened = capture->StreamsOpened();
    Save(QStringLiteral("ana"), QStringLiteral("velha"), 1);

    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(window->WaveIn->Started());
    EXPECT_EQ(window->WaveIn->GetDeviceID(), 1);
    EXPECT_EQ(capture->StreamsOpened(), opened + 1);
    EXPECT_EQ(capture->OpenStreams(), 1);
    platform::XmlDocument session;
    session.LoadFromFile(folder / "ana.xml");
    EXPECT_EQ(session.DocumentElement()
                  .FirstChild("SourceGroups")
                  .FirstChild("SourceGroup")
                  .FirstChild("Source")
                  .Attribute("InputSource"),
              "Placa PCI");
    EXPECT_NE(testsupport::ReadBytes(folder / "cfg.ini").find("Placa=1\r\n"), std::string::npos);
}
