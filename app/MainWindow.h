#pragma once

#include "app/EventLog.h"
#include "app/ProviderConfig.h"
#include "app/StationServices.h"
#include "audio/MMConnector.h"
#include "audio/MMTypes.h"
#include "audio/WaveIn.h"
#include "platform/Encoder.h"

#include <QIcon>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

class QFrame;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TFrm_Config;
class TShapedSkin;
class TMMLevel;
class TMMLevelScale;
class TMMMeter;
class TMMOscope;
class TMMSpectrum;

// The station's main window. It owns the whole application state: the settings
// loaded from cfg.ini, the encoder and its last run state, the capture chain that
// feeds the displays, and the timers that start and supervise the broadcast.
// Its members are public because the settings window, the encoder supervision and
// the tray code read and write them through Frm_OnLine.
//
// The code is split by role:
//   MainWindowStartup.cpp   creation, first show, the start-up decision, error handler
//   MainWindowSettings.cpp  the station's files, loading and applying the settings,
//                           the settings window's account view
//   MainWindowProvider.cpp  the provider's page: the login request and its view
//   MainWindowLayout.cpp    the window's face: buttons and status line
//   MainWindowCapture.cpp   the wave input and the connector
//   MainWindowDisplays.cpp  the four display panels and the view cycle
//   MainWindowMixer.cpp     the recording lines of the card's mixer
//   MainWindowEncoder.cpp   session file, encoder start and supervision timers
//   MainWindowTray.cpp      closing, hiding, minimising, and the notification-area icon
//                           with its animation and menu
class TFrm_OnLine : public QWidget {
    Q_OBJECT

public:
    explicit TFrm_OnLine(app::StationServices services, QWidget* parent = nullptr);
    ~TFrm_OnLine() override;

    // Components.
    TShapedSkin* Skin = nullptr; // the background picture, under everything else
    QLabel* LStatus = nullptr;
    QFrame* PEqualizadores = nullptr;
    QFrame* PVU = nullptr;
    QFrame* PLevel = nullptr;
    QFrame* POsciloscopio = nullptr;
    QFrame* PSpectrum = nullptr;
    QPushButton* BConfig = nullptr;
    QPushButton* BInfo = nullptr;
    QPushButton* BEqualizer = nullptr;
    QPushButton* BMinimizar = nullptr;
    QPushButton* BOcultar = nullptr;
    QPushButton* BFechar = nullptr;
    TMMLevel* MMLevel1 = nullptr; // left channel bar, in PLevel
    TMMLevel* MMLevel2 = nullptr; // right channel bar
    TMMLevelScale* MMLevelScale1 = nullptr;
    TMMSpectrum* MMSpectrum2 = nullptr; // fills PSpectrum
    QLabel* LLevelL = nullptr;
    QLabel* LLevelR = nullptr;
    QLabel* LLevelDb = nullptr;
    TMMMeter* MMMeter2 = nullptr;   // left channel needle, in PVU
    TMMMeter* MMMeter1 = nullptr;   // right channel needle
    TMMOscope* MMOscope2 = nullptr; // the waveform, filling POsciloscopio
    // The tray animation's four frames; the first is also the still icon.
    QIcon Image1, Image2, Image3, Image4;
    // The tray menu and its images: "Fechar", "Ocultar", "Restaurar".
    QMenu* PopupMenu1 = nullptr;
    QAction* Maximizar1 = nullptr;
    QAction* Minimizar1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Fechar1 = nullptr;
    std::array<QIcon, 3> ImageList1;
    // Hands the captured sound to the displays. Declared before WaveIn so that the
    // wave input, whose buffer thread feeds it, is destroyed first.
    std::unique_ptr<TMMConnector> MMConnector1;
    // Records the card's input; its Output is MMConnector1.
    std::unique_ptr<TMMWaveIn> WaveIn;

    QTimer TimerInicio;           // 100 ms, on at load, fires once
    QTimer TimerStatus;           // 1000 ms, enabled by every encoder start
    QTimer TimerVerifica;         // 10000 ms, on at load
    QTimer TimerVerificaServidor; // 60000 ms, on at load
    QTimer TimerIcone;            // 500 ms, enabled by the first show
    QTimer TimerPopup;            // 200 ms, enabled by a right click on the tray icon
    QTimer TimerCaptura;          // 2000 ms, while capture is wanted: reopens a failed device

    // The settings window, created hidden by the first show.
    std::unique_ptr<TFrm_Config> Frm_Config;

    // State.
    std::uint8_t FRunState = 0;
    std::unique_ptr<platform::Encoder> FEncoder;
    std::array<std::uint32_t, 20> FLineTypes{}; // mixer component type of each CBControle item
    bool FConnected = false;
    QString FRadio;
    QString FUsuario;
    QString FSenha; // in clear
    QString FPlaca;
    QString FControle;
    QString FKbps;
    QString FServidor;
    QString FPublishHost;
    int FPanelIndex = 0;
    std::uint8_t FIconFrame = 0;
    platform::NotifyIconData FTrayData; // the registered notification-area icon

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    void TimerInicioTimer();
    void TimerStatusTimer();
    void TimerVerificaTimer();
    void TimerVerificaServidorTimer();
    void BFecharClick();
    void BMinimizarClick();
    void BOcultarClick();
    void BEqualizerClick();
    void Maximizar1Click();
    void TimerIconeTimer();
    void TimerPopupTimer();
    void TimerCapturaTimer();
    // A mouse message from the notification-area icon.
    void TrayIconMessage(std::uint32_t mouseMessage);
    void BConfigClick();
    void BInfoClick();
    void HandleAppException(const std::exception& E);

    // Operations.
    bool IsVistaOrLater() const;
    std::string ReadProgramFilesDir() const;
    void LoadSettings();
    void WriteDefaultSettings();
    void FillSoundCards();
    // Lists the recording lines of the bound mixer in CBControle, in the order of
    // their component types, and remembers each item's type in FLineTypes.
    void FillControlList();
    // Selects the item of CBControle and makes its line the recording source.
    void SelectRecordingLine(int item);
    void ApplySettings();
    int WriteLog(const QString& description, const QString& action, const QString& process);
    // A window's picture could not be read: it stays a plain framed rectangle.
    void LogSkinFailure(const QString& why);

    std::filesystem::path ExecutableFolder() const;
    std::filesystem::path SettingsFilePath() const;
    // Executable folder + FUsuario + ".xml".
    std::filesystem::path SessionFilePath() const;
    // ffmpeg stands where the encoder program is looked for.
    std::filesystem::path EncoderProgramPath() const;
    const app::ProviderConfig& Provider() const { return FProvider; }

    // Rebuilds the session file from the current settings. When the file has to be
    // created and the template is missing, tells the operator, ends the application and
    // raises the silent app::EAbort so that the caller's remaining steps do not run.
    virtual void BuildSessionFile();
    // Creates a fresh encoder, starts it on the session file, reads its run state and
    // turns the status poll on.
    virtual void StartEncoder();
    // Puts the station on the air with new settings: stops a running encoder, rebuilds
    // the session file and starts the encoder.
    void RestartEncoderWithNewSession();

    // The wave input: Start opens the device if needed and starts capture; Close
    // stops it and closes the device, so that a changed card takes effect.
    virtual void StartWaveIn();
    virtual void CloseWaveIn();
    // Sends the account to the provider's page in the settings window's browser.
    virtual void PostLogin();
    // The browser the settings window shows the provider's page in.
    std::unique_ptr<platform::WebBrowser> CreateWebBrowser();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void CreateWaveIn();
    void CreateConnector();
    void CreateTimers();
    void CreateDisplayPanels(const QRect& area);
    void CreateLevelPanel();
    void CreateMeterPanel();
    void CreateOscilloscopePanel();
    void CreateSpectrumPanel();
    void ShowFrontPanelOnly();
    std::array<QFrame*, 4> PanelCycle() const;
    void CreateTray();

    // First-show steps that the capture, settings-window and tray code fill.
    void SelectCaptureDevice(TMMDeviceId device);
    void AddTrayIcon();
    void RemoveTrayIcon();

    app::StationServices FServices;
    app::ProviderConfig FProvider;
    app::EventLog FLog;
    // The encoders StartEncoder makes: the services' factory, else ffmpeg encoders.
    platform::EncoderFactory& Encoders();
    std::unique_ptr<platform::EncoderFactory> FFfmpegEncoders;
    // The notification area: the services' one, else the desktop's.
    platform::NotifyIcons& TrayIcons();
    std::unique_ptr<platform::NotifyIcons> FDesktopTrayIcons;
    void EndLeftoverEncoders();
    void LogEncoderFailure(const QString& explanation);
    QString FLastEncoderFailure; // the cause last logged, until the broadcast is back
};

// The device ApplySettings gives the wave input: 0 whenever a desktop sound server
// sits between the program and the cards, otherwise the chosen card. A non-numeric
// card index raises EConvertError.
TMMDeviceId CaptureDeviceFor(bool vistaOrLater, const QString& placa);

// Decimal text of a setting to an integer; EConvertError otherwise.
int SettingToInt(const QString& value);

extern TFrm_OnLine* Frm_OnLine;
