#include "app/Abort.h"
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "platform/Exception.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QShowEvent>

TFrm_OnLine* Frm_OnLine = nullptr;

int SettingToInt(const QString& value)
{
    return platform::StrToInt(value.toStdString());
}

TMMDeviceId CaptureDeviceFor(bool vistaOrLater, const QString& placa)
{
    return vistaOrLater ? 0 : SettingToInt(placa);
}

TFrm_OnLine::TFrm_OnLine(app::StationServices services, QWidget* parent)
    : QWidget(parent), FServices(std::move(services)),
      FProvider(app::LoadProviderConfig(FServices.system.ExecutableFolder())),
      FLog(FServices.system.ExecutableFolder() / app::kLogFileName, FProvider, FServices.clock)
{
    Frm_OnLine = this;
    CreateComponents();
    CreateWaveIn();
    CreateConnector();
    CreateTimers();
    FormCreate();
}

TFrm_OnLine::~TFrm_OnLine()
{
    FormDestroy();
    platform::SetAppExceptionHandler(nullptr);
    if (Frm_OnLine == this)
        Frm_OnLine = nullptr;
}

void TFrm_OnLine::FormCreate()
{
    platform::SetAppExceptionHandler(
        [this](const std::exception& error) { HandleAppException(error); });
    // An error while creating the window (an unwritable settings file) is reported
    // like any other and the window still comes up.
    platform::RunGuarded([this] { LoadSettings(); });
}

void TFrm_OnLine::FormShow()
{
    // Later shows (a restore from the tray) change nothing. The settings window
    // exists from the first show on, so it marks that show as done even when
    // starting the capture failed; its steps are never repeated.
    if (Frm_Config)
        return;
    Frm_Config = std::make_unique<TFrm_Config>(*this);
    FillSoundCards();
    ApplySettings();
    StartWaveIn();
    TimerIcone.start();
    PostLogin();
    AddTrayIcon();
}

void TFrm_OnLine::FormClose()
{
    if (FEncoder)
        FEncoder->Stop();
    QCoreApplication::quit();
}

void TFrm_OnLine::FormDestroy()
{
    RemoveTrayIcon();
}

void TFrm_OnLine::HandleAppException(const std::exception& E)
{
    if (dynamic_cast<const app::EAbort*>(&E) != nullptr)
        return;
    const QString message = QString::fromUtf8(E.what());
    platform::ActiveMessageBoxes().Error(message);
    WriteLog(message, QString::fromStdString(platform::ExceptionClassName(E)), QString());
}

bool TFrm_OnLine::IsVistaOrLater() const
{
    return FServices.system.DesktopSoundServerRunning();
}

std::string TFrm_OnLine::ReadProgramFilesDir() const
{
    return FServices.system.ProgramFilesDir();
}

std::filesystem::path TFrm_OnLine::ExecutableFolder() const
{
    return FServices.system.ExecutableFolder();
}

std::filesystem::path TFrm_OnLine::SettingsFilePath() const
{
    return ExecutableFolder() / app::kSettingsFileName;
}

std::filesystem::path TFrm_OnLine::SessionFilePath() const
{
    return ExecutableFolder() / (FUsuario + QStringLiteral(".xml")).toStdString();
}

std::filesystem::path TFrm_OnLine::EncoderProgramPath() const
{
    return ReadProgramFilesDir() + "/bin/ffmpeg";
}

void TFrm_OnLine::LoadSettings()
{
    const app::SettingsFile file(SettingsFilePath());
    if (!file.Exists())
        WriteDefaultSettings();
    const app::StoredSettings stored = file.Read();
    FControle = stored.controle;
    FUsuario = stored.usuario;
    FSenha = stored.senha;
    FPlaca = stored.placa;
    FRadio = stored.radio;
    FKbps = stored.kbps;
    FServidor = stored.servidor;
    FPublishHost = QStringLiteral("ns1.") + FServidor;
}

void TFrm_OnLine::WriteDefaultSettings()
{
    app::SettingsFile(SettingsFilePath()).WriteDefaults(FProvider.servidor);
}

void TFrm_OnLine::ApplySettings()
{
    Frm_Config->EdUsuario->setText(FUsuario);
    Frm_Config->EdSenha->setText(FSenha);
    Frm_Config->EdRadio->setText(FRadio);

    Frm_Config->CBPlacas->setCurrentIndex(SettingToInt(FPlaca));
    Frm_Config->CBPlacasChange();

    SelectCaptureDevice(CaptureDeviceFor(IsVistaOrLater(), FPlaca));

    if (FControle != QStringLiteral("-1"))
        SelectRecordingLine(SettingToInt(FControle));
}

int TFrm_OnLine::WriteLog(const QString& description, const QString& action, const QString& process)
{
    return FLog.WriteLog(description, action, process);
}

void TFrm_OnLine::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::RunGuarded([this] { FormShow(); });
}

void TFrm_OnLine::closeEvent(QCloseEvent* event)
{
    platform::RunGuarded([this] { FormClose(); });
    event->accept();
}

// Steps filled by the capture, settings-window and tray code.

void TFrm_OnLine::SelectRecordingLine(int)
{
    // Mixer: selects the item in CBControle, gives AudioLineIn and AudioLineInRec
    // the component type FLineTypes[item] and checks CBLineInRec.
}

void TFrm_OnLine::PostLogin()
{
    // Settings window: sends the account to the provider's page.
}

void TFrm_OnLine::AddTrayIcon()
{
    // Tray: loads the window icon and adds the notification-area icon.
}

void TFrm_OnLine::RemoveTrayIcon()
{
    // Tray: removes the notification-area icon.
}
