// The main window's face: its size and place, the buttons and the status line.
#include "app/MainWindow.h"
#include "app/WidgetBuilders.h"
#include "platform/ExceptionRouting.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

using app::Paint;

// The main window's buttons take no keyboard focus: it has no edits to type into.
QPushButton* AddButton(QWidget* parent, const char* name, const QString& text,
                       const QRect& geometry)
{
    return app::AddButton(parent, name, text, geometry, Qt::NoFocus);
}

constexpr int kWidth = 338;
constexpr int kHeight = 394;

} // namespace

void TFrm_OnLine::CreateComponents()
{
    setObjectName(QStringLiteral("Frm_OnLine"));
    setWindowTitle(QStringLiteral("Studio Sonavia"));
    setFixedSize(kWidth, kHeight);
    app::CentreOnScreen(this);
    // A dark face, like the studio equipment around it, until the skin arrives.
    Paint(this, QColor(0x2B, 0x2B, 0x2B));

    BMinimizar = AddButton(this, "BMinimizar", QStringLiteral("Minimizar"), {90, 10, 76, 24});
    BOcultar = AddButton(this, "BOcultar", QStringLiteral("Ocultar"), {170, 10, 76, 24});
    BFechar = AddButton(this, "BFechar", QStringLiteral("Fechar"), {250, 10, 76, 24});

    CreateDisplayPanels({(kWidth - 170) / 2, 110, 170, 56});

    LStatus = new QLabel(QStringLiteral("Conectando..."), this);
    LStatus->setObjectName(QStringLiteral("LStatus"));
    LStatus->setGeometry((kWidth - 115) / 2, 180, 115, 16);
    LStatus->setAlignment(Qt::AlignCenter);
    LStatus->setFont(QFont(QStringLiteral("Verdana"), 8, QFont::Bold));
    Paint(LStatus, Qt::black);
    QPalette status = LStatus->palette();
    status.setColor(QPalette::WindowText, Qt::yellow);
    LStatus->setPalette(status);

    BConfig = AddButton(this, "BConfig", QStringLiteral("Configurar"), {24, 330, 92, 28});
    BInfo = AddButton(this, "BInfo", QStringLiteral("Informações"), {123, 330, 92, 28});
    BEqualizer = AddButton(this, "BEqualizer", QStringLiteral("Visualizar"), {222, 330, 92, 28});

    using platform::Guarded;
    connect(BFechar, &QPushButton::clicked, this, Guarded([this] { BFecharClick(); }));
    connect(BMinimizar, &QPushButton::clicked, this, Guarded([this] { BMinimizarClick(); }));
    connect(BOcultar, &QPushButton::clicked, this, Guarded([this] { BOcultarClick(); }));
    connect(BEqualizer, &QPushButton::clicked, this, Guarded([this] { BEqualizerClick(); }));
    connect(BConfig, &QPushButton::clicked, this, Guarded([this] { BConfigClick(); }));
    connect(BInfo, &QPushButton::clicked, this, Guarded([this] { BInfoClick(); }));
}
