// The broadcast side of the main window: the session file, the encoder start and the
// three timers that supervise the encoder and switch the publishing host.
#include "app/Abort.h"
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "app/SessionFile.h"
#include "platform/CaptureDeviceNames.h"
#include "platform/ExceptionRouting.h"
#include "platform/FfmpegEncoder.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessLifetime.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

namespace {

struct StatusRow {
    const char* text;
    QColor colour;
    bool connected;
    enum { Arm, Disarm, Keep } serverTimer;
};

// What each run state shows; other states change nothing.
const StatusRow* StatusRowFor(std::uint8_t state)
{
    static const StatusRow starting{"Conectando...", QColor(255, 255, 0), false, StatusRow::Arm};
    static const StatusRow running{"Conectado", QColor(0, 255, 0), true, StatusRow::Disarm};
    static const StatusRow stopping{"Desconectando...", QColor(255, 255, 0), false,
                                    StatusRow::Keep};
    static const StatusRow stopped{"Desconectado", QColor(255, 0, 0), false, StatusRow::Arm};
    switch (state) {
    case platform::Encoder::kStarting:
        return &starting;
    case platform::Encoder::kRunning:
        return &running;
    case platform::Encoder::kStopping:
        return &stopping;
    case platform::Encoder::kStopped:
        return &stopped;
    default:
        return nullptr;
    }
}

} // namespace

void TFrm_OnLine::BuildSessionFile()
{
    app::SessionValues values;
    values.title = Frm_Config->EdRadio->text().toStdString();
    if (Frm_Config->CBPlacas->currentIndex() >= 0)
        values.captureCard = Frm_Config->CBPlacas->currentText().toStdString();
    values.publishServer = FPublishHost.toStdString();
    values.publishingPoint = Frm_Config->EdUsuario->text().toStdString();
    values.kbps = FKbps.toStdString();

    if (app::BuildSessionFile(ExecutableFolder(), FUsuario.toStdString(), values) ==
        app::SessionBuild::TemplateMissing) {
        platform::ActiveMessageBoxes().Information(
            QStringLiteral("Arquivos de configuração Padrão não existente!"));
        platform::StationApplication::Terminate(0);
        throw app::EAbort("The session template is missing");
    }
}

void TFrm_OnLine::StartEncoder()
{
    const std::filesystem::path session =
        app::SessionFilePath(ExecutableFolder(), FUsuario.toStdString());
    FEncoder = Encoders().Create();
    FEncoder->LoadSession(session);
    FEncoder->Start();
    FRunState = FEncoder->RunState();
    TimerStatus.start();
}

void TFrm_OnLine::RestartEncoderWithNewSession()
{
    if (FRunState == platform::Encoder::kRunning && FEncoder)
        FEncoder->Stop();
    BuildSessionFile();
    StartEncoder();
}

void TFrm_OnLine::TimerStatusTimer()
{
    if (!FEncoder)
        return;
    FRunState = FEncoder->RunState();
    if (FRunState == platform::Encoder::kRunning && !FLastEncoderFailure.isEmpty()) {
        FLastEncoderFailure.clear();
        WriteLog(QStringLiteral("A transmissão voltou ao ar"), QStringLiteral("Processo normal"),
                 QStringLiteral("Encoder"));
    }
    if (FRunState == platform::Encoder::kStopped) {
        FEncoder->AfterStop();
        TimerStatus.stop();
    }
    if (const StatusRow* row = StatusRowFor(FRunState)) {
        LStatus->setText(QString::fromUtf8(row->text));
        QPalette palette = LStatus->palette();
        palette.setColor(QPalette::WindowText, row->colour);
        LStatus->setPalette(palette);
        FConnected = row->connected;
        if (row->serverTimer == StatusRow::Arm && !TimerVerificaServidor.isActive())
            TimerVerificaServidor.start();
        else if (row->serverTimer == StatusRow::Disarm)
            TimerVerificaServidor.stop();
    }
    // Repaint the status line at once.
    QCoreApplication::processEvents();
}

void TFrm_OnLine::TimerVerificaTimer()
{
    if (FRunState == platform::Encoder::kStopped)
        StartEncoder();
}

void TFrm_OnLine::TimerVerificaServidorTimer()
{
    if (FRunState == platform::Encoder::kRunning)
        return;
    const QString ns1 = QStringLiteral("ns1.") + FServidor;
    FPublishHost = FPublishHost == ns1 ? QStringLiteral("ns2.") + FServidor : ns1;
    BuildSessionFile();
    StartEncoder();
}

platform::EncoderFactory& TFrm_OnLine::Encoders()
{
    if (FServices.encoders != nullptr)
        return *FServices.encoders;
    if (!FFfmpegEncoders) {
        EndLeftoverEncoders();
        FFfmpegEncoders = std::make_unique<platform::FfmpegEncoderFactory>([this] {
            platform::FfmpegEncoderSettings settings;
            settings.program = EncoderProgramPath().string();
            settings.resolveCapturePcm = platform::CapturePcmForProductName;
            settings.password = FSenha.toStdString();
            settings.workingFolder = ExecutableFolder();
            settings.reportFailure = [this](const std::string& explanation) {
                LogEncoderFailure(QString::fromStdString(explanation));
            };
            return settings;
        });
    }
    return *FFfmpegEncoders;
}

void TFrm_OnLine::LogEncoderFailure(const QString& explanation)
{
    // While the server is away every restart fails the same way: one record per cause.
    if (explanation == FLastEncoderFailure)
        return;
    FLastEncoderFailure = explanation;
    WriteLog(explanation, QStringLiteral("Erro"), QStringLiteral("Encoder"));
}

void TFrm_OnLine::EndLeftoverEncoders()
{
    // An encoder of an earlier run of this station (killed before it could stop it)
    // would keep the mount busy and the server would refuse every new start.
    for (const pid_t pid : platform::EndLeftoverProcesses(EncoderProgramPath(), ExecutableFolder()))
        WriteLog(
            QStringLiteral("Encerrado o encoder deixado por uma execução anterior (processo %1)")
                .arg(pid),
            QStringLiteral("Processo normal"), QStringLiteral("VerificaEncoder"));
}
