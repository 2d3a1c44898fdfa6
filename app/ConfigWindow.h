#pragma once

#include "mixer/MMMixerControl.h"
#include "platform/WebBrowser.h"

#include <QDialog>
#include <memory>
#include <optional>

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class TFrm_OnLine;
class TMMDeviceComboBox;
class TMMMixerCheckBox;
class TMMMixerWheel;
class TShapedSkin;

// The settings window: the station account, the capture card, the mixer controls
// and the provider's page. Created hidden by the main window's first show; closing
// it only hides it. Three overlapping panels decide what the operator sees: the
// account panel PConfig covers the browser panel PBrowser, and the mixer panel
// PControles covers the lower part of PConfig.
class TFrm_Config : public QDialog {
    Q_OBJECT

public:
    explicit TFrm_Config(TFrm_OnLine& owner);
    ~TFrm_Config() override;

    // The background picture, under the panels.
    TShapedSkin* Skin = nullptr;

    // The provider's page: the browser above the strip of BFecharNavegador.
    QFrame* PBrowser = nullptr;
    std::unique_ptr<platform::WebBrowser> WebBrowser1;
    QPushButton* BFecharNavegador = nullptr;

    // The account panel.
    QFrame* PConfig = nullptr;
    QLineEdit* EdRadio = nullptr;
    QLineEdit* EdUsuario = nullptr;
    QLineEdit* EdSenha = nullptr; // shows "*" for each character
    QComboBox* CBPlacas = nullptr;
    QPushButton* BSom = nullptr;
    QPushButton* BSalvar = nullptr;
    QPushButton* BFechar = nullptr;

    // The mixer panel: the recording line, the two volume knobs and the monitor mute.
    QFrame* PControles = nullptr;
    QComboBox* CBControle = nullptr;
    TMMMixerWheel* Volume = nullptr;        // recording volume
    TMMMixerWheel* MMMixerWheel1 = nullptr; // monitor volume
    TMMMixerCheckBox* CBLineIn = nullptr;   // monitor mute
    // Outside the visible area: selects the chosen line as the recording source.
    TMMMixerCheckBox* CBLineInRec = nullptr;
    // Invisible: the card mixers' names, to find the chosen card's mixer by name.
    TMMDeviceComboBox* ComboPlaca = nullptr;

    // The chosen card's mixer and the lines and controls the panel shows. Declared
    // mixer first, so that controls and lines let go of it before it goes.
    std::unique_ptr<TMMMixerDevice> PlacaDevice;
    std::unique_ptr<TMMAudioLine> AudioGravacao;     // the recording destination
    std::unique_ptr<TMMAudioLine> AudioLineInRec;    // the chosen line, recording side
    std::unique_ptr<TMMAudioLine> AudioLineIn;       // the same line, playback side
    std::unique_ptr<TMMMixerControl> MixerLineInRec; // the recording source selector
    std::unique_ptr<TMMVolumeControl> ControleVolumeRec;
    std::unique_ptr<TMMMixerControl> MixerLineIn;    // playback mute
    std::unique_ptr<TMMVolumeControl> ControlVolume; // playback (monitor) volume

    // Handlers.
    void FormShow();
    void FormClose();
    void BSalvarClick();
    void BFecharClick();
    void BSomClick();
    // Each completed document of the provider's page: reads the bitrate the account
    // is entitled to and, when it changed, puts the station on the air with it.
    void WebBrowser1DocumentComplete();
    // The user or the settings chose a capture card: binds the mixer of the card
    // of that name, except for "OmniaAX".
    void CBPlacasChange();
    void ComboPlacaChange();
    // The card's mixer was bound or changed: lists its recording lines again.
    void PlacaDeviceChange();
    // The chosen line becomes the recording source and the knobs' line.
    void CBControleSelect();

    // The account panel on top; the mixer panel where the sound system has one.
    void ShowAccountView();
    // The provider's page uncovered: the account and mixer panels hidden.
    void ShowProviderPageView();
    // Shows the window and waits until the user closes it.
    void ShowModal();

    // Index of the recording line chosen in the mixer panel, -1 for none. Until the
    // mixer panel lists the card's lines, the saved choice stands.
    int ChosenLineIndex() const;
    // A stored Controle value as a line index; -1 when it is not a number.
    static int ChosenLineIndex(const QString& controle);
    // The label of an account field, for messages about it.
    QString FieldName(const QLineEdit* field) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateBrowserPanel();
    void CreateAccountPanel();
    void CreateMixerPanel();
    void CreateMixerControls();
    void CreateMixerComponents();
    // Puts back the saved recording line, discarding a choice not saved.
    void RestoreSavedLine();
    void ShowMixerPanelIfAvailable();
    void ShowOnTop();
    void ApplyEntitledLimit(const std::optional<QString>& limit);
    void SaveAndRestartEncoder();

    TFrm_OnLine& FOwner;
};
