// The display area: its four stacked panels, what each shows, and the button that
// brings the next one to the front.
#include "app/MainWindow.h"
#include "app/StudioLevels.h"
#include "app/StudioOscope.h"
#include "app/StudioSpectrum.h"
#include "app/WidgetBuilders.h"
#include "meters/MMLevel.h"
#include "meters/MMLevelScale.h"
#include "meters/MMMeter.h"
#include "meters/MMOscope.h"
#include "spectrum/MMSpectrum.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <array>

namespace {

TMMLevel* AddBar(QWidget* panel, const char* name, TMMChannel channel, int top)
{
    auto* bar = new TMMLevel(panel);
    bar->setObjectName(QString::fromLatin1(name));
    bar->move(12, top);
    ConfigureStudioBar(*bar, channel);
    return bar;
}

TMMMeter* AddMeter(QWidget* panel, const char* name, TMMChannel channel, int left)
{
    auto* meter = new TMMMeter(panel);
    meter->setObjectName(QString::fromLatin1(name));
    meter->move(left, 0);
    ConfigureStudioMeter(*meter, channel);
    return meter;
}

QLabel* AddCaption(QWidget* panel, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, panel);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(11);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

// The display area: four stacked panels, each filling it; the last created (the
// spectrum) is on top at start.
void TFrm_OnLine::CreateDisplayPanels(const QRect& area)
{
    const QRect display(0, 0, area.width(), area.height());
    PEqualizadores = app::AddPanel(this, "PEqualizadores", area);
    app::Paint(PEqualizadores, Qt::black);
    PVU = app::AddPanel(PEqualizadores, "PVU", display);
    PLevel = app::AddPanel(PEqualizadores, "PLevel", display);
    POsciloscopio = app::AddPanel(PEqualizadores, "POsciloscopio", display);
    PSpectrum = app::AddPanel(PEqualizadores, "PSpectrum", display);
    CreateMeterPanel();
    CreateLevelPanel();
    CreateOscilloscopePanel();
    CreateSpectrumPanel();
    ShowFrontPanelOnly();
}

// The two needle meters side by side, left channel on the left.
void TFrm_OnLine::CreateMeterPanel()
{
    MMMeter2 = AddMeter(PVU, "MMMeter2", chLeft, 0);
    MMMeter1 = AddMeter(PVU, "MMMeter1", chRight, 85);
}

void TFrm_OnLine::CreateLevelPanel()
{
    app::Paint(PLevel, Qt::black);

    MMLevel1 = AddBar(PLevel, "MMLevel1", chLeft, 8);
    MMLevel2 = AddBar(PLevel, "MMLevel2", chRight, 30);
    LLevelL = AddCaption(PLevel, "LLevelL", QStringLiteral("L"), {2, 10, 10, 14});
    LLevelR = AddCaption(PLevel, "LLevelR", QStringLiteral("R"), {2, 32, 10, 14});

    // The scale and its "dB" sit below the panel's visible 56 pixels.
    MMLevelScale1 = new TMMLevelScale(PLevel);
    MMLevelScale1->setObjectName(QStringLiteral("MMLevelScale1"));
    MMLevelScale1->Bevel().SetBevelOuter(bvNone);
    MMLevelScale1->SetBounds(0, 58, 275, 7);
    MMLevelScale1->SetPoint2(80);
    TMMLevScale& scale = MMLevelScale1->Scale();
    scale.SetTickCount(11);
    scale.SetEnlargeEvery(5);
    scale.SetSize(7);
    scale.SetOrigin(soInner);
    scale.SetConnect(false);
    LLevelDb = AddCaption(PLevel, "LLevelDb", QStringLiteral("dB"), {150, 66, 20, 14});
}

// The oscilloscope fills its panel and follows the panel's size.
void TFrm_OnLine::CreateOscilloscopePanel()
{
    MMOscope2 = new TMMOscope(POsciloscopio);
    MMOscope2->setObjectName(QStringLiteral("MMOscope2"));
    MMOscope2->SetBounds(0, 0, 170, 56);
    ConfigureStudioOscope(*MMOscope2);
    auto* fill = new QHBoxLayout(POsciloscopio);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(MMOscope2);
}

void TFrm_OnLine::CreateSpectrumPanel()
{
    MMSpectrum2 = new TMMSpectrum(PSpectrum);
    MMSpectrum2->setObjectName(QStringLiteral("MMSpectrum2"));
    ConfigureStudioSpectrum(*MMSpectrum2);
    MMSpectrum2->SetBounds(0, 0, PSpectrum->width(), PSpectrum->height());
}

void TFrm_OnLine::BEqualizerClick()
{
    if (++FPanelIndex > 4)
        FPanelIndex = 1;
    PanelCycle()[FPanelIndex - 1]->lower();
    ShowFrontPanelOnly();
}

// The panels behind the front one are hidden as well as lowered: a display that
// is not visible skips its measuring and drawing, so only the view the operator
// sees costs time.
void TFrm_OnLine::ShowFrontPanelOnly()
{
    const std::array<QFrame*, 4> order = PanelCycle();
    QFrame* const front = order[FPanelIndex % order.size()];
    for (QFrame* panel : order)
        panel->setVisible(panel == front);
}

// The order in which "Visualizar" sends the panels to the back, starting from the
// spectrum in front.
std::array<QFrame*, 4> TFrm_OnLine::PanelCycle() const
{
    return {PSpectrum, POsciloscopio, PLevel, PVU};
}
