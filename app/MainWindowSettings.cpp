// The settings: where the station's files are, loading cfg.ini into the fields and
// pushing them into the settings window and the capture device; the settings
// window's account view opened from the main window.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "platform/Exception.h"

#include <QComboBox>
#include <QLineEdit>

int SettingToInt(const QString& value)
{
    return platform::StrToInt(value.toStdString());
}

TMMDeviceId CaptureDeviceFor(bool vistaOrLater, const QString& placa)
{
    return vistaOrLater ? 0 : SettingToInt(placa);
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

int TFrm_OnLine::WriteLog(const QString& description, const QString& action, const QString& process)
{
    return FLog.WriteLog(description, action, process);
}

void TFrm_OnLine::LogSkinFailure(const QString& why)
{
    WriteLog(QStringLiteral("Não foi possível ler a imagem da janela: ") + why,
             QStringLiteral("Erro"), QStringLiteral("Skin"));
}

void TFrm_OnLine::LoadSettings()
{
    const app::SettingsFile file(SettingsFilePath());
    if (!file.Exists()) {
        WriteDefaultSettings();
    } else if (!file.Usable()) {
        // Empty, binary or without its section: nothing in it can be loaded, and the
        // settings window must be able to save over it.
        WriteDefaultSettings();
        WriteLog(QStringLiteral("O arquivo %1 não tinha a seção [%2]; foram gravados os valores "
                                "padrão")
                     .arg(QString::fromStdString(SettingsFilePath().string()),
                          QString::fromLatin1(app::kSettingsSection)),
                 QStringLiteral("Erro"), QStringLiteral("LoadSettings"));
    }
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

void TFrm_OnLine::BConfigClick()
{
    Frm_Config->ShowAccountView();
}
