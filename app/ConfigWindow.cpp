#include "app/ConfigWindow.h"
#include "platform/ExceptionRouting.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace {

QLabel* AddLabel(QWidget* parent, const QString& text, int y)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(12, y, 208, 16);
    return label;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int y)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(12, y, 208, 22);
    return edit;
}

} // namespace

TFrm_Config::TFrm_Config(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Frm_Config"));
    setWindowTitle(QStringLiteral("Configurações"));
    setFixedSize(318, 465);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    PConfig = new QFrame(this);
    PConfig->setObjectName(QStringLiteral("PConfig"));
    PConfig->setGeometry(34, 31, 232, 345);

    AddLabel(PConfig, QStringLiteral("Rádio:"), 8);
    EdRadio = AddEdit(PConfig, "EdRadio", 26);
    AddLabel(PConfig, QStringLiteral("Usuário:"), 56);
    EdUsuario = AddEdit(PConfig, "EdUsuario", 74);
    AddLabel(PConfig, QStringLiteral("Senha:"), 104);
    EdSenha = AddEdit(PConfig, "EdSenha", 122);
    EdSenha->setEchoMode(QLineEdit::Password);
    EdSenha->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // '*'
    AddLabel(PConfig, QStringLiteral("Placa:"), 152);
    CBPlacas = new QComboBox(PConfig);
    CBPlacas->setObjectName(QStringLiteral("CBPlacas"));
    CBPlacas->setGeometry(12, 170, 208, 22);
    connect(CBPlacas, &QComboBox::activated, this, platform::Guarded([this] { CBPlacasChange(); }));
}

void TFrm_Config::ShowModal()
{
    exec();
}

void TFrm_Config::CBPlacasChange()
{
    // The mixer code binds the chosen card's mixer here, except for "OmniaAX".
}
