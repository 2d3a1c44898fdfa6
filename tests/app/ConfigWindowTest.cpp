#include "app/ConfigWindow.h"
#include "StationFixture.h"
#include "platform/DesktopPrograms.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <map>
#include <memory>

namespace {

// Programs "installed" by name; every start is recorded instead of run.
class FakeLauncher final : public platform::ProgramLauncher {
public:
    FakeLauncher() { platform::SetActiveProgramLauncher(this); }
    ~FakeLauncher() override { platform::SetActiveProgramLauncher(nullptr); }

    std::map<std::string, std::string> installed;
    std::vector<std::vector<std::string>> started;

    std::string Find(const std::string& name) const override
    {
        const auto found = installed.find(name);
        return found == installed.end() ? std::string() : found->second;
    }
    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        started.push_back(command);
        return true;
    }
};

class ConfigWindowTest : public apptest::StationTest {
protected:
    // A shown main window and its settings window; with or without a desktop
    // sound server, which decides whether the mixer panel can show.
    void Open(bool soundServer)
    {
        system.soundServer = soundServer;
        window = std::make_unique<apptest::ProbeWindow>(Services());
        window->TimerInicio.stop();
        window->show();
        config = window->Frm_Config.get();
    }

    QStringList Labels() const
    {
        QStringList texts;
        for (const QLabel* label : config->PConfig->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }

    std::unique_ptr<apptest::ProbeWindow> window;
    TFrm_Config* config = nullptr;
};

} // namespace

TEST_F(ConfigWindowTest, TheWindowIsCreatedHiddenWithItsCaptionSizeAndPlace)
{
    Open(true);
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(config->windowTitle(), "Configurações");
    EXPECT_EQ(config->size(), QSize(318, 465));
    EXPECT_TRUE(config->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((config->geometry().center() - screenCentre).manhattanLength(), 1);
}

TEST_F(ConfigWindowTest, PanelsLieInTheirPlacesEachCoveringTheOnesBefore)
{
    Open(false);
    EXPECT_EQ(config->PBrowser->geometry(), QRect(34, 32, 232, 345));
    EXPECT_EQ(config->PConfig->geometry(), QRect(34, 31, 232, 345));
    EXPECT_EQ(config->PControles->geometry(), QRect(33, 184, 232, 152));
    const QObjectList& stack = config->children();
    EXPECT_LT(stack.indexOf(config->PBrowser), stack.indexOf(config->PConfig));
    EXPECT_LT(stack.indexOf(config->PConfig), stack.indexOf(config->PControles));

    // The mixer panel covers BSom but not the save and close buttons, and none of
    // the account fields.
    const QRect mixer = config->PControles->geometry();
    auto inWindow = [&](QWidget* w) { return w->geometry().translated(config->PConfig->pos()); };
    EXPECT_TRUE(mixer.contains(inWindow(config->BSom)));
    EXPECT_EQ(config->BSom->pos(), QPoint(42, 215));
    for (QWidget* uncovered :
         std::initializer_list<QWidget*>{config->BSalvar, config->BFechar, config->EdRadio,
                                         config->EdUsuario, config->EdSenha, config->CBPlacas})
        EXPECT_FALSE(mixer.intersects(inWindow(uncovered)))
            << uncovered->objectName().toStdString();
}

TEST_F(ConfigWindowTest, TheAccountPanelHasItsLabelsAMaskedPasswordAndWhiteBoldOnBlack)
{
    Open(true);
    EXPECT_EQ(Labels(), (QStringList{"Rádio:", "Usuário:", "Senha:", "Placa:"}));
    EXPECT_EQ(config->EdSenha->echoMode(), QLineEdit::Password);
    window->BConfigClick();
    config->EdSenha->setText(QStringLiteral("pão"));
    EXPECT_EQ(config->EdSenha->displayText(), "***");
    EXPECT_EQ(config->EdUsuario->echoMode(), QLineEdit::Normal);
    for (QWidget* field : std::initializer_list<QWidget*>{config->EdRadio, config->EdUsuario,
                                                          config->EdSenha, config->CBPlacas}) {
        field->ensurePolished(); // the panel's style applies when a field is polished
        EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::white));
        EXPECT_EQ(field->palette().color(QPalette::Base), QColor(Qt::black));
        EXPECT_TRUE(field->font().bold());
    }
}

TEST_F(ConfigWindowTest, TheFieldsAreDrawnWhiteOnBlack)
{
    Open(true);
    window->BConfigClick();
    for (QLineEdit* edit : {config->EdRadio, config->EdUsuario, config->EdSenha}) {
        edit->setText(QStringLiteral("WWWWWW"));
        const QImage image = edit->grab().toImage();
        // Inside the frame, right of the text: background.
        EXPECT_LT(qGray(image.pixel(image.width() - 8, image.height() / 2)), 64)
            << edit->objectName().toStdString();
        int light = 0;
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 3; x < image.width() / 2; ++x)
                light += qGray(image.pixel(x, y)) > 192 ? 1 : 0;
        EXPECT_GT(light, 0) << edit->objectName().toStdString();
    }
}

TEST_F(ConfigWindowTest, TheAccountViewShowsTheMixerPanelOnlyWithoutASoundServer)
{
    for (const bool soundServer : {true, false}) {
        Open(soundServer);
        QTest::mouseClick(window->BConfig, Qt::LeftButton);
        EXPECT_TRUE(config->isVisible());
        EXPECT_FALSE(config->isModal());
        EXPECT_TRUE(config->PConfig->isVisible());
        EXPECT_EQ(config->PControles->isVisible(), !soundServer);
        config->close();
    }
}

TEST_F(ConfigWindowTest, ShowingTheWindowWithTheAccountPanelHiddenHidesTheMixerPanelToo)
{
    Open(false);
    config->PControles->setVisible(true);
    config->PConfig->setVisible(false);
    config->show();
    EXPECT_FALSE(config->PControles->isVisible());
}

TEST_F(ConfigWindowTest, ClosingOnlyHidesTheWindowAndTheAccountIsStillThere)
{
    Open(true);
    window->BConfigClick();
    config->EdUsuario->setText(QStringLiteral("ana"));
    for (QPushButton* close : {config->BFechar, config->BFecharNavegador}) {
        config->show();
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(config->isVisible());
    }
    window->BConfigClick();
    config->close();
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(window->Frm_Config.get(), config);
    EXPECT_EQ(config->EdUsuario->text(), "ana");
    EXPECT_TRUE(std::filesystem::exists(folder / "cfg.ini"));
    EXPECT_EQ(testsupport::ReadBytes(folder / "cfg.ini").find("ana"), std::string::npos);
}

TEST_F(ConfigWindowTest, TheSoundButtonStartsTheVolumeControlAtItsInputTab)
{
    FakeLauncher launcher;
    launcher.installed = {{"pavucontrol", "/usr/bin/pavucontrol"},
                          {"alsamixer", "/usr/bin/alsamixer"},
                          {"xterm", "/usr/bin/xterm"}};
    Open(true);
    window->BConfigClick();
    QTest::mouseClick(config->BSom, Qt::LeftButton);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0], (std::vector<std::string>{"/usr/bin/pavucontrol", "--tab=4"}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ConfigWindowTest, WithoutTheVolumeControlAlsamixerOpensInATerminal)
{
    FakeLauncher launcher;
    launcher.installed = {{"alsamixer", "/usr/bin/alsamixer"},
                          {"x-terminal-emulator", "/usr/bin/x-terminal-emulator"}};
    Open(true);
    config->BSomClick();
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0],
              (std::vector<std::string>{"/usr/bin/x-terminal-emulator", "-e", "/usr/bin/alsamixer",
                                        "-V", "capture"}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ConfigWindowTest, WithNoToolTheOperatorIsToldWhatToInstall)
{
    FakeLauncher launcher;
    // alsamixer alone cannot show without a terminal.
    launcher.installed = {{"alsamixer", "/usr/bin/alsamixer"}};
    Open(true);
    config->BSomClick();
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Zorvane Sonavia");
    EXPECT_NE(boxes.boxes[0].text.indexOf(QStringLiteral("apt-get install pavucontrol")), -1);
}
