#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "platform/MessageBoxes.h"

#include <QFrame>

namespace {

bool FileExists(const std::filesystem::path& file)
{
    std::error_code error;
    return std::filesystem::exists(file, error);
}

} // namespace

void TFrm_OnLine::TimerInicioTimer()
{
    TimerInicio.stop();

    if (FileExists(SessionFilePath()))
        BuildSessionFile();

    if (FileExists(SessionFilePath())) {
        if (FileExists(EncoderProgramPath())) {
            StartEncoder();
            WriteLog(QStringLiteral("Foi executado o Encoder"), QStringLiteral("Processo normal"),
                     QStringLiteral("VerificaEncoder"));
        } else {
            platform::ActiveMessageBoxes().Information(
                QStringLiteral("Codificador não encontrado!"));
            WriteLog(QStringLiteral("Não foi encontrado o codificador"), QStringLiteral("Erro"),
                     QStringLiteral("FormCreate"));
        }
        return;
    }

    platform::ActiveMessageBoxes().Information(
        QStringLiteral("Arquivo de codificação não encontrado!"));
    WriteLog(QStringLiteral("Não foi encontrado o arquivo de codificação"), QStringLiteral("Erro"),
             QStringLiteral("FormCreate"));
    // The settings window exists once the window has been shown; this timer can
    // only beat the first show when the window is never shown at all.
    if (!Frm_Config)
        Frm_Config = std::make_unique<TFrm_Config>(*this);
    Frm_Config->PConfig->setVisible(true);
    Frm_Config->ShowModal();
}
