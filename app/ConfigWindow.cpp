#include "app/ConfigWindow.h"

#include "app/MainWindow.h"
#include "app/SessionFile.h"
#include "app/Settings.h"
#include "app/WidgetBuilders.h"
#include "platform/Cp1252.h"
#include "platform/DesktopPrograms.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace {

using app::AddButton;
using app::AddPanel;

constexpr int kWidth = 318;
constexpr int kHeight = 465;

QLabel* AddLabel(QWidget* parent, const QString& text, int y)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(12, y, 208, 16);
    return label;
}

// An edit under its caption; screen readers and desktop automation know it by the
// caption's words.
QLineEdit* AddCaptionedEdit(QWidget* parent, const QString& caption, const char* name, int y)
{
    QLabel* label = AddLabel(parent, caption + QLatin1Char(':'), y);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(12, y + 16, 208, 22);
    edit->setAccessibleName(caption);
    label->setBuddy(edit);
    return edit;
}

// The password field shows "*" for each character, whatever the desktop's style.
class MaskWithAsterisks final : public QProxyStyle {
public:
    explicit MaskWithAsterisks(QObject* owner) { setParent(owner); }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// A panel whose own texts are white bold on black.
void PaintWhiteOnBlack(QWidget* widget)
{
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, Qt::white);
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace

TFrm_Config::TFrm_Config(TFrm_OnLine& owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), FOwner(owner)
{
    setObjectName(QStringLiteral("Frm_Config"));
    setWindowTitle(QStringLiteral("Configurações"));
    setFixedSize(kWidth, kHeight);
    app::CentreOnScreen(this);
    app::Paint(this, QColor(0x2B, 0x2B, 0x2B));
    // Only the picture's top-left 318 x 465 lies in the window; the rest of it is
    // transparent and outside the outline anyway.
    Skin = app::AddSkin(this, QStringLiteral(":/skin/configuracoes.png"),
                        [this](const QString& why) { FOwner.LogSkinFailure(why); });

    // Created bottom to top: each panel covers the ones before it.
    CreateBrowserPanel();
    CreateAccountPanel();
    CreateMixerPanel();
}

void TFrm_Config::CreateAccountPanel()
{
    PConfig = AddPanel(this, "PConfig", {34, 31, 232, 345});
    PConfig->setAutoFillBackground(true);
    PaintWhiteOnBlack(PConfig);
    // White bold text on black, with a thin grey frame that shows where to type.
    // A style sheet replaces the palette for the widgets it reaches, so the
    // colours of the labels and fields are all given here.
    PConfig->setStyleSheet(QStringLiteral(
        "QLabel { color: white; font-weight: bold; }"
        "QLineEdit, QComboBox { background-color: black; color: white; font-weight: bold; "
        "border: 1px solid gray; padding: 1px 3px; }"));

    // Everything above the mixer panel's top edge (152 pixels down) stays visible.
    EdRadio = AddCaptionedEdit(PConfig, QStringLiteral("Rádio"), "EdRadio", 4);
    EdUsuario = AddCaptionedEdit(PConfig, QStringLiteral("Usuário"), "EdUsuario", 40);
    EdSenha = AddCaptionedEdit(PConfig, QStringLiteral("Senha"), "EdSenha", 76);
    EdSenha->setStyle(new MaskWithAsterisks(EdSenha));
    EdSenha->setEchoMode(QLineEdit::Password);
    CBPlacas = new QComboBox(PConfig);
    CBPlacas->setObjectName(QStringLiteral("CBPlacas"));
    CBPlacas->setAccessibleName(QStringLiteral("Placa"));
    AddLabel(PConfig, QStringLiteral("Placa:"), 112)->setBuddy(CBPlacas);
    CBPlacas->setGeometry(12, 128, 208, 22);
    connect(CBPlacas, &QComboBox::activated, this, platform::Guarded([this] { CBPlacasChange(); }));

    BSom = AddButton(PConfig, "BSom", QStringLiteral("Controle de som"), {42, 215, 148, 26});
    BSalvar = AddButton(PConfig, "BSalvar", QStringLiteral("Salvar"), {36, 312, 76, 26});
    BFechar = AddButton(PConfig, "BFechar", QStringLiteral("Fechar"), {120, 312, 76, 26});
    connect(BSom, &QPushButton::clicked, this, platform::Guarded([this] { BSomClick(); }));
    connect(BSalvar, &QPushButton::clicked, this, platform::Guarded([this] { BSalvarClick(); }));
    connect(BFechar, &QPushButton::clicked, this, platform::Guarded([this] { BFecharClick(); }));
}

void TFrm_Config::CreateMixerPanel()
{
    PControles = AddPanel(this, "PControles", {33, 184, 232, 152});
    PControles->setAutoFillBackground(true);
    PaintWhiteOnBlack(PControles);
    CreateMixerControls();
}

void TFrm_Config::FormShow()
{
    ShowMixerPanelIfAvailable();
}

void TFrm_Config::FormClose()
{
    hide();
}

// Where a desktop sound server stands between the program and the card there is no
// card mixer to show, which leaves BSom uncovered.
void TFrm_Config::ShowMixerPanelIfAvailable()
{
    PControles->setVisible(!FOwner.IsVistaOrLater() && PConfig->isVisibleTo(this));
}

void TFrm_Config::ShowAccountView()
{
    PConfig->setVisible(true);
    ShowMixerPanelIfAvailable();
    ShowOnTop();
}

void TFrm_Config::ShowOnTop()
{
    show();
    raise();
    activateWindow();
}

void TFrm_Config::ShowModal()
{
    exec();
}

QString TFrm_Config::FieldName(const QLineEdit* field) const
{
    if (field == EdRadio)
        return QStringLiteral("Rádio");
    return field == EdUsuario ? QStringLiteral("Usuário") : QStringLiteral("Senha");
}

void TFrm_Config::BSalvarClick()
{
    if (EdUsuario->text().isEmpty()) {
        platform::ActiveMessageBoxes().Information(
            QStringLiteral("É necessário informar o Usuário!"));
        return;
    }
    if (EdSenha->text().isEmpty()) {
        platform::ActiveMessageBoxes().Information(
            QStringLiteral("É necessário informar a Senha!"));
        return;
    }
    // The file keeps Windows-1252: anything else would be stored as '?' and, in the
    // password, silently break the login.
    for (const QLineEdit* field : {EdRadio, EdUsuario, EdSenha}) {
        if (!platform::FitsCp1252(field->text())) {
            platform::ActiveMessageBoxes().Information(
                QStringLiteral("O campo %1 contém caracteres que não podem ser gravados (como "
                               "emojis ou ideogramas). Remova-os e salve de novo.")
                    .arg(FieldName(field)));
            return;
        }
    }
    // The user name names the session file; one that would reach outside the
    // station folder is refused before anything is written.
    app::SessionFilePath(FOwner.ExecutableFolder(), EdUsuario->text().toStdString());

    // Closed so that a changed card takes effect when capture starts again.
    FOwner.CloseWaveIn();
    try {
        SaveAndRestartEncoder();
    } catch (...) {
        // The failure goes on to the application handler and the window stays
        // open, but the displays must not stay dead until the next restart.
        try {
            FOwner.StartWaveIn();
        } catch (...) {
            platform::ReportException(std::current_exception());
        }
        throw;
    }
    FOwner.StartWaveIn();
    FormClose();
}

void TFrm_Config::SaveAndRestartEncoder()
{
    const QString oldUser = FOwner.FUsuario;

    app::AccountSettings account;
    account.placa = CBPlacas->currentIndex();
    account.controle = ChosenLineIndex();
    account.usuario = EdUsuario->text();
    account.senha = EdSenha->text();
    account.radio = EdRadio->text();
    account.kbps = FOwner.FKbps;
    app::SettingsFile(FOwner.SettingsFilePath()).WriteAccount(account);

    FOwner.LoadSettings();
    FOwner.ApplySettings();
    FOwner.PostLogin();

    FOwner.RestartEncoderWithNewSession();
    if (oldUser != FOwner.FUsuario)
        FOwner.StartEncoder();
}

void TFrm_Config::BFecharClick()
{
    RestoreSavedLine();
    FormClose();
}

void TFrm_Config::BSomClick()
{
    if (!platform::StartRecordingLevelTool(platform::ActiveProgramLauncher()))
        platform::ActiveMessageBoxes().Information(
            QStringLiteral("Não foi encontrado o controle de volume de gravação. Instale-o com: "
                           "apt-get install %1")
                .arg(QString::fromLatin1(platform::kRecordingLevelToolPackage)));
}

void TFrm_Config::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::RunGuarded([this] { FormShow(); });
}

void TFrm_Config::closeEvent(QCloseEvent* event)
{
    platform::RunGuarded([this] { FormClose(); });
    event->accept();
}
