#pragma once

#include "platform/WebBrowser.h"

#include <QDialog>
#include <memory>
#include <optional>

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class TFrm_OnLine;
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

    // The mixer panel: the recording line and the two volume knobs go here.
    QFrame* PControles = nullptr;

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
    // of that name (filled by the mixer code).
    void CBPlacasChange();

    // The account panel on top; the mixer panel where the sound system has one.
    void ShowAccountView();
    // The provider's page uncovered: the account and mixer panels hidden.
    void ShowProviderPageView();
    // Shows the window and waits until the user closes it.
    void ShowModal();

    // Index of the recording line chosen in the mixer panel, -1 for none. Until the
    // mixer panel lists the card's lines, the saved choice stands.
    int ChosenLineIndex() const;
    // The label of an account field, for messages about it.
    QString FieldName(const QLineEdit* field) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateBrowserPanel();
    void CreateAccountPanel();
    void CreateMixerPanel();
    void ShowMixerPanelIfAvailable();
    void ShowOnTop();
    void ApplyEntitledLimit(const std::optional<QString>& limit);
    void SaveAndRestartEncoder();

    TFrm_OnLine& FOwner;
};
