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

// The size of the skin's picture: the window has no frame around it.
constexpr int kWidth = 318;
constexpr int kHeight = 354;

} // namespace

void TFrm_OnLine::CreateComponents()
{
    setObjectName(QStringLiteral("Frm_OnLine"));
    setWindowTitle(QStringLiteral("Studio Sonavia"));
    setFixedSize(kWidth, kHeight);
    app::CentreOnScreen(this);
    // The picture's graphite, under its soft edges and wherever it is missing.
    Paint(this, QColor(0x2B, 0x2B, 0x2B));
    Skin = app::AddSkin(this, QStringLiteral(":/skin/principal.png"),
                        [this](const QString& why) { LogSkinFailure(why); });

    // The picture's places: the buttons beside the mast, the screen under the name
    // plate, the status lamp under the screen, the button well at the bottom.
    BMinimizar = AddButton(this, "BMinimizar", QStringLiteral("Minimizar"), {88, 12, 70, 22});
    BOcultar = AddButton(this, "BOcultar", QStringLiteral("Ocultar"), {162, 12, 70, 22});
    BFechar = AddButton(this, "BFechar", QStringLiteral("Fechar"), {236, 12, 70, 22});

    CreateDisplayPanels({(kWidth - 170) / 2, 92, 170, 56});

    LStatus = new QLabel(QStringLiteral("Conectando..."), this);
    LStatus->setObjectName(QStringLiteral("LStatus"));
    LStatus->setGeometry((kWidth - 115) / 2, 168, 115, 16);
    LStatus->setAlignment(Qt::AlignCenter);
    LStatus->setFont(QFont(QStringLiteral("Verdana"), 8, QFont::Bold));
    Paint(LStatus, Qt::black);
    QPalette status = LStatus->palette();
    status.setColor(QPalette::WindowText, Qt::yellow);
    LStatus->setPalette(status);

    BConfig = AddButton(this, "BConfig", QStringLiteral("Configurar"), {20, 310, 88, 28});
    BInfo = AddButton(this, "BInfo", QStringLiteral("Informações"), {115, 310, 88, 28});
    BEqualizer = AddButton(this, "BEqualizer", QStringLiteral("Visualizar"), {210, 310, 88, 28});

    using platform::Guarded;
    connect(BFechar, &QPushButton::clicked, this, Guarded([this] { BFecharClick(); }));
    connect(BMinimizar, &QPushButton::clicked, this, Guarded([this] { BMinimizarClick(); }));
    connect(BOcultar, &QPushButton::clicked, this, Guarded([this] { BOcultarClick(); }));
    connect(BEqualizer, &QPushButton::clicked, this, Guarded([this] { BEqualizerClick(); }));
    connect(BConfig, &QPushButton::clicked, this, Guarded([this] { BConfigClick(); }));
    connect(BInfo, &QPushButton::clicked, this, Guarded([this] { BInfoClick(); }));
}
