#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "mixer/MMDeviceComboBox.h"
#include "mixer/MMMixerCheckBox.h"
#include "mixer/MMMixerWheel.h"
#include "support/StudioMixerCard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using platform::VirtualMixerService;

namespace {

// Mixer ids of the fixture's cards.
constexpr std::int32_t kStudio = 0;
constexpr std::int32_t kOther = 1;

// A station whose capture cards are, in order, "Outra Placa", "Placa Estúdio",
// "OmniaAX" and "Sem Mixer"; the first two have mixers of their names (in the
// other order), saved as card 1 with recording line 1.
class ConfigWindowMixerTest : public apptest::StationTest {
protected:
    ConfigWindowMixerTest()
    {
        mixers.service.AddCard(testsupport::StudioMixerCard("Placa Estúdio"));
        VirtualMixerService::Card other = testsupport::StudioMixerCard("Outra Placa");
        other.destinations[1].sources.resize(1); // microphone only
        other.destinations[1].line.controls[0].itemSources = {0};
        mixers.service.AddCard(other);
        capture->SetDevices({{"Outra Placa"},
                             {"Placa Est\xC3\xBA"
                              "dio"},
                             {"OmniaAX"},
                             {"Sem Mixer"}});
        WriteProvider("radio.test");
        testsupport::WriteBytes(folder / "cfg.ini",
                                "[Geral]\r\nControle=1\r\nUsuario=\r\nSenha=\r\nPlaca=1\r\n"
                                "Radio=\r\nKbps=32000\r\nServidor=radio.test\r\n");
        window = std::make_unique<apptest::ProbeWindow>(Services());
        window->TimerInicio.stop();
        window->show();
        config = window->Frm_Config.get();
    }

    QStringList Lines() const
    {
        QStringList items;
        for (int i = 0; i < config->CBControle->count(); ++i)
            items << config->CBControle->itemText(i);
        return items;
    }

    std::vector<std::int32_t> Stored(std::int32_t mixer, std::uint32_t destination,
                                     std::int32_t source, std::uint32_t type) const
    {
        const std::int32_t line = mixers.service.LineIdOf(mixer, destination, source);
        return mixers.service.Values(mixer, mixers.service.ControlIdOf(mixer, line, type));
    }

    std::vector<std::int32_t> Multiplexer(std::int32_t mixer = kStudio) const
    {
        return Stored(mixer, 1, -1, platform::CT_MUX);
    }

    void ChooseLine(int item)
    {
        config->CBControle->setCurrentIndex(item);
        emit config->CBControle->activated(item);
    }

    void ChooseCard(int item)
    {
        config->CBPlacas->setCurrentIndex(item);
        emit config->CBPlacas->activated(item);
    }

    testsupport::InstalledVirtualMixer mixers;
    std::unique_ptr<apptest::ProbeWindow> window;
    TFrm_Config* config = nullptr;
};

} // namespace

TEST_F(ConfigWindowMixerTest, TheCardsRecordingLinesAreListedInTypeCodeOrder)
{
    EXPECT_EQ(config->PlacaDevice->GetDeviceId(), kStudio);
    EXPECT_TRUE(config->PlacaDevice->GetActive());
    EXPECT_EQ(Lines(), (QStringList{"CD Áudio", "Entrada de Linha", "Microfone"}));
    EXPECT_EQ(window->FLineTypes[0], std::uint32_t(ctSrcCD));
    EXPECT_EQ(window->FLineTypes[1], std::uint32_t(ctSrcLine));
    EXPECT_EQ(window->FLineTypes[2], std::uint32_t(ctSrcMicrophone));
}

TEST_F(ConfigWindowMixerTest, TheSavedLineIsSelectedAndMadeTheRecordingSource)
{
    EXPECT_EQ(config->CBControle->currentIndex(), 1);
    // The multiplexer lists line in, CD, microphone.
    EXPECT_EQ(Multiplexer(), (std::vector<std::int32_t>{1, 0, 0}));
    EXPECT_TRUE(config->CBLineInRec->isChecked());
}

TEST_F(ConfigWindowMixerTest, ChoosingALineMakesItTheOnlySelectedItemAndMovesTheKnobsToIt)
{
    ChooseLine(2); // microphone
    EXPECT_EQ(Multiplexer(), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(config->AudioLineInRec->ComponentType(), ctSrcMicrophone);
    EXPECT_EQ(config->AudioLineIn->ComponentType(), ctSrcMicrophone);

    config->Volume->SetValue(config->Volume->Maximum());
    EXPECT_EQ(Stored(kStudio, 1, 0, platform::CT_VOLUME),
              (std::vector<std::int32_t>{65535, 65535}));
    config->MMMixerWheel1->SetValue(16);
    EXPECT_EQ(Stored(kStudio, 0, 2, platform::CT_VOLUME),
              (std::vector<std::int32_t>{32768, 32768}));
    config->CBLineIn->click();
    EXPECT_EQ(Stored(kStudio, 0, 2, platform::CT_MUTE), (std::vector<std::int32_t>{1}));
}

TEST_F(ConfigWindowMixerTest, ClosingWithoutSavingRestoresTheSavedChoice)
{
    config->ShowAccountView();
    ChooseLine(0);
    ASSERT_EQ(Multiplexer(), (std::vector<std::int32_t>{0, 1, 0}));
    QTest::mouseClick(config->BFechar, Qt::LeftButton);
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(config->CBControle->currentIndex(), 1);
    EXPECT_EQ(Multiplexer(), (std::vector<std::int32_t>{1, 0, 0}));
    EXPECT_EQ(config->AudioLineIn->ComponentType(), ctSrcLine);
}

TEST_F(ConfigWindowMixerTest, SavingWritesTheChosenLinesIndex)
{
    config->ShowAccountView();
    ChooseLine(2);
    config->EdUsuario->setText("ana");
    config->EdSenha->setText("segredo");
    QTest::mouseClick(config->BSalvar, Qt::LeftButton);
    EXPECT_NE(testsupport::ReadBytes(folder / "cfg.ini").find("Controle=2\r\n"), std::string::npos);
    EXPECT_EQ(window->FControle, "2");
}

TEST_F(ConfigWindowMixerTest, ChoosingAnotherCardBindsTheMixerOfItsName)
{
    ChooseCard(0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(config->PlacaDevice->GetDeviceId(), kOther);
    EXPECT_EQ(Lines(), (QStringList{"Microfone"}));
    EXPECT_EQ(mixers.service.OpenHandles(), 1u);
}

TEST_F(ConfigWindowMixerTest, TheOmniaAXCardLeavesTheMixerBoundToThePreviousCard)
{
    ChooseCard(2);
    EXPECT_EQ(config->PlacaDevice->GetDeviceId(), kStudio);
    EXPECT_TRUE(config->PlacaDevice->GetActive());
    EXPECT_EQ(Lines().size(), 3);
}

TEST_F(ConfigWindowMixerTest, ACardWithoutAMixerOfItsNameLeavesNoLinesAndNoError)
{
    ChooseCard(3);
    EXPECT_EQ(config->ComboPlaca->currentIndex(), -1);
    EXPECT_FALSE(config->PlacaDevice->GetActive());
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(config->Volume->isEnabled());
}

TEST_F(ConfigWindowMixerTest, AChangeInTheSystemsMixerMovesThePanelsKnob)
{
    mixers.service.ChangeFromOutside(
        kStudio,
        mixers.service.ControlIdOf(kStudio, mixers.service.LineIdOf(kStudio, 1, 1),
                                   platform::CT_VOLUME),
        {65535, 65535});
    QCoreApplication::processEvents();
    EXPECT_EQ(config->Volume->Value(), config->Volume->Maximum());
}

TEST_F(ConfigWindowMixerTest, WithoutASoundServerThePanelShowsItsControls)
{
    config->ShowAccountView();
    QCoreApplication::processEvents();
    ASSERT_TRUE(config->PControles->isVisible());
    for (QWidget* control : std::initializer_list<QWidget*>{
             config->CBControle, config->Volume, config->MMMixerWheel1, config->CBLineIn})
        EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
    EXPECT_EQ(config->Volume->size(), QSize(52, 52));
    EXPECT_FALSE(config->ComboPlaca->isVisible());
    EXPECT_FALSE(config->PControles->rect().intersects(config->CBLineInRec->geometry()));
    // The picture of the window as the operator sees it, when asked for.
    const QString pictures = qEnvironmentVariable("SONAVIA_SCREENSHOT_DIR");
    if (!pictures.isEmpty())
        config->grab().save(pictures + "/settings-mixer.png");
}
