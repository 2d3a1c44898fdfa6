// Start-up: the window's creation, its first show and the one-shot decision whether
// the broadcast can begin; the application-wide error handler installed on the way.
#include "app/Abort.h"
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "platform/AtomicFile.h"
#include "platform/Exception.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QFrame>
#include <QShowEvent>

TFrm_OnLine* Frm_OnLine = nullptr;

namespace {

bool FileExists(const std::filesystem::path& file)
{
    std::error_code error;
    return std::filesystem::exists(file, error);
}

} // namespace

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
    CreateTray();
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
    platform::RunGuarded([this] {
        // A write killed half-way leaves its temporary file, which may hold the password.
        platform::RemoveLeftoverTemporaries(ExecutableFolder());
        LoadSettings();
    });
}

void TFrm_OnLine::CreateTimers()
{
    const auto setUp = [](QTimer& timer, int intervalMs, bool enabled) {
        timer.setInterval(intervalMs);
        if (enabled)
            timer.start();
    };
    setUp(TimerInicio, 100, true);
    setUp(TimerStatus, 1000, false);
    setUp(TimerVerifica, 10000, true);
    setUp(TimerVerificaServidor, 60000, true);
    setUp(TimerIcone, 500, false);
    setUp(TimerPopup, 200, false);
    setUp(TimerCaptura, 2000, false);
    connect(&TimerInicio, &QTimer::timeout, this,
            platform::Guarded([this] { TimerInicioTimer(); }));
    connect(&TimerStatus, &QTimer::timeout, this,
            platform::Guarded([this] { TimerStatusTimer(); }));
    connect(&TimerVerifica, &QTimer::timeout, this,
            platform::Guarded([this] { TimerVerificaTimer(); }));
    connect(&TimerVerificaServidor, &QTimer::timeout, this,
            platform::Guarded([this] { TimerVerificaServidorTimer(); }));
    connect(&TimerCaptura, &QTimer::timeout, this,
            platform::Guarded([this] { TimerCapturaTimer(); }));
}

void TFrm_OnLine::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::RunGuarded([this] { FormShow(); });
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

void TFrm_OnLine::HandleAppException(const std::exception& E)
{
    if (dynamic_cast<const app::EAbort*>(&E) != nullptr)
        return;
    const QString message = QString::fromUtf8(E.what());
    platform::ActiveMessageBoxes().Error(message);
    WriteLog(message, QString::fromStdString(platform::ExceptionClassName(E)), QString());
}
