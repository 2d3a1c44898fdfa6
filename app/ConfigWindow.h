#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QLineEdit;

// The settings window: the station account, the capture card and (later) the
// mixer controls and the provider's page. Created hidden by the main window's
// first show; closing it only hides it.
class TFrm_Config : public QDialog {
    Q_OBJECT

public:
    explicit TFrm_Config(QWidget* parent = nullptr);

    // The account panel.
    QFrame* PConfig = nullptr;
    QLineEdit* EdRadio = nullptr;
    QLineEdit* EdUsuario = nullptr;
    QLineEdit* EdSenha = nullptr; // shows "*" for each character
    QComboBox* CBPlacas = nullptr;

    // Shows the window and waits until the user closes it.
    void ShowModal();

    // The user or the settings chose a capture card: binds the mixer of the card
    // of that name (filled by the mixer code).
    void CBPlacasChange();
};
