// The settings window's mixer panel: the chosen card's mixer, its recording lines,
// the recording and monitor volume knobs and the monitor mute, and the binding of
// all of them to the card chosen in the account panel.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"

#include "mixer/MMDeviceComboBox.h"
#include "mixer/MMMixerCheckBox.h"
#include "mixer/MMMixerWheel.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRadialGradient>

#include "platform/ExceptionRouting.h"

namespace {

constexpr int kFaceSize = 36; // the knob is 52 x 52: face + 2 x (bevel 1 + scale 7)

// A brushed metal disc with a dark rim; the corners stay transparent.
QImage KnobFace()
{
    QImage face(kFaceSize, kFaceSize, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient metal(QPointF(kFaceSize * 0.35, kFaceSize * 0.3), kFaceSize * 0.75);
    metal.setColorAt(0.0, QColor(0xE0, 0xE0, 0xE0));
    metal.setColorAt(1.0, QColor(0x60, 0x60, 0x60));
    painter.setBrush(metal);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    painter.drawEllipse(QRectF(1.5, 1.5, kFaceSize - 3, kFaceSize - 3));
    return face;
}

// A volume knob of the panel under its caption.
TMMMixerWheel* AddKnob(QWidget* parent, const char* name, const QString& caption, int x)
{
    auto* knob = new TMMMixerWheel(parent);
    knob->setObjectName(QString::fromLatin1(name));
    knob->setAccessibleName(caption);
    knob->SetColor(clBlack);
    knob->SetRadius(11);
    knob->SetHandleSize(5);
    knob->SetHandleMargin(5);
    knob->SetFrameSpace(0);
    TMMScale& scale = knob->Scale();
    scale.SetVisible(true);
    scale.SetColor(clWhite);
    scale.SetTickCount(11);
    scale.SetEnlargeEvery(5);
    scale.SetSize(7);
    scale.SetOrigin(soInner);
    knob->SetAutoSize(true);
    knob->SetBackBmp(KnobFace());
    knob->move(x, 18);
    auto* label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setGeometry(x - 14, 72, 80, 16);
    return knob;
}

} // namespace

TFrm_Config::~TFrm_Config() = default;

void TFrm_Config::CreateMixerControls()
{
    PControles->setStyleSheet(
        QStringLiteral("QLabel, QCheckBox, QGroupBox { color: white; font-weight: bold; }"
                       "QComboBox { background-color: black; color: white; font-weight: bold; "
                       "border: 1px solid gray; padding: 1px 3px; }"));
    auto* caption = new QLabel(QStringLiteral("Controle:"), PControles);
    caption->setGeometry(12, 4, 208, 16);
    CBControle = new QComboBox(PControles);
    CBControle->setObjectName(QStringLiteral("CBControle"));
    CBControle->setAccessibleName(QStringLiteral("Controle"));
    CBControle->setGeometry(12, 20, 208, 22);
    // Until a mixer is bound the list shows what a card usually offers.
    CBControle->addItems({QStringLiteral("Entrada de Linha"), QStringLiteral("Microfone")});
    caption->setBuddy(CBControle);
    connect(CBControle, &QComboBox::activated, this,
            platform::Guarded([this] { CBControleSelect(); }));

    auto* group = new QGroupBox(QStringLiteral("Volume: "), PControles);
    group->setObjectName(QStringLiteral("GBVolume"));
    group->setGeometry(12, 44, 208, 90);
    Volume = AddKnob(group, "Volume", QStringLiteral("Gravação"), 28);
    MMMixerWheel1 = AddKnob(group, "MMMixerWheel1", QStringLiteral("Retorno"), 128);

    CBLineIn = new TMMMixerCheckBox(PControles);
    CBLineIn->setObjectName(QStringLiteral("CBLineIn"));
    CBLineIn->SetAutoCaption(false);
    CBLineIn->setText(QStringLiteral("Desativar retorno"));
    CBLineIn->setAccessibleName(QStringLiteral("Desativar retorno"));
    CBLineIn->setGeometry(12, 134, 208, 18);

    CBLineInRec = new TMMMixerCheckBox(PControles);
    CBLineInRec->setObjectName(QStringLiteral("CBLineInRec"));
    CBLineInRec->setAccessibleName(QStringLiteral("Fonte de gravação"));
    CBLineInRec->setGeometry(PControles->width() + 8, 0, 150, 18);

    ComboPlaca = new TMMDeviceComboBox(PControles);
    ComboPlaca->setObjectName(QStringLiteral("ComboPlaca"));
    ComboPlaca->setAccessibleName(QStringLiteral("Mixer da placa"));
    ComboPlaca->hide();

    CreateMixerComponents();
}

void TFrm_Config::CreateMixerComponents()
{
    PlacaDevice = std::make_unique<TMMMixerDevice>();
    PlacaDevice->OnChange = [this](TMMComponent*) { PlacaDeviceChange(); };
    AudioGravacao = std::make_unique<TMMAudioLine>();
    AudioGravacao->SetMixer(PlacaDevice.get());
    AudioGravacao->SetComponentType(ctDstWaveIn);
    MixerLineInRec = std::make_unique<TMMMixerControl>();
    MixerLineInRec->SetAudioLine(AudioGravacao.get());
    MixerLineInRec->SetControlType(ctMux);
    AudioLineInRec = std::make_unique<TMMAudioLine>();
    AudioLineInRec->SetMixer(PlacaDevice.get());
    AudioLineInRec->SetComponentType(ctSrcLine);
    AudioLineInRec->SetDestLine(AudioGravacao.get());
    ControleVolumeRec = std::make_unique<TMMVolumeControl>();
    ControleVolumeRec->SetAudioLine(AudioLineInRec.get());
    AudioLineIn = std::make_unique<TMMAudioLine>();
    AudioLineIn->SetMixer(PlacaDevice.get());
    AudioLineIn->SetComponentType(ctSrcLine);
    MixerLineIn = std::make_unique<TMMMixerControl>();
    MixerLineIn->SetAudioLine(AudioLineIn.get());
    MixerLineIn->SetControlType(ctMute);
    ControlVolume = std::make_unique<TMMVolumeControl>();
    ControlVolume->SetAudioLine(AudioLineIn.get());

    Volume->SetControl(ControleVolumeRec.get());
    MMMixerWheel1->SetControl(ControlVolume.get());
    CBLineIn->SetControl(MixerLineIn.get());
    CBLineInRec->SetControl(MixerLineInRec.get());
    CBLineInRec->SetItemLine(AudioLineInRec.get());
    ComboPlaca->SetIncludeMapper(false);
    ComboPlaca->SetDevice(PlacaDevice.get());
    ComboPlaca->setCurrentIndex(0);
    ComboPlaca->OnChange = [this] { ComboPlacaChange(); };
}

void TFrm_Config::CBPlacasChange()
{
    // That card records without its mixer being bound.
    if (CBPlacas->currentText() == QStringLiteral("OmniaAX"))
        return;
    ComboPlaca->setCurrentIndex(ComboPlaca->findText(CBPlacas->currentText(), Qt::MatchExactly));
    ComboPlacaChange();
}

void TFrm_Config::ComboPlacaChange()
{
    PlacaDevice->SetActive(false);
    for (TMMAudioLine* line : {AudioGravacao.get(), AudioLineInRec.get(), AudioLineIn.get()})
        line->SetMixer(nullptr);
    // No mixer of the card's name: the device stands for no mixer at all rather than
    // for the mapper, which mixers do not have.
    const int index = ComboPlaca->currentIndex();
    PlacaDevice->SetDeviceId(index >= 0 ? index : InvalidId);
    PlacaDeviceChange();
}

void TFrm_Config::PlacaDeviceChange()
{
    for (TMMAudioLine* line : {AudioGravacao.get(), AudioLineInRec.get(), AudioLineIn.get()})
        line->SetMixer(PlacaDevice.get());
    // A card without a mixer of its name leaves the mixer closed and the line list
    // empty rather than failing the whole settings step.
    if (PlacaDevice->IsValid())
        PlacaDevice->SetActive(true);
    FOwner.FillControlList();
}

void TFrm_Config::CBControleSelect()
{
    const int item = CBControle->currentIndex();
    if (item < 0 || item >= CBControle->count())
        return;
    const auto type = static_cast<TMMComponentType>(FOwner.FLineTypes.at(std::size_t(item)));
    AudioLineIn->SetComponentType(type);
    AudioLineInRec->SetComponentType(type);
    CBLineInRec->setChecked(true);
}

void TFrm_Config::RestoreSavedLine()
{
    if (FOwner.FControle == QStringLiteral("-1"))
        return;
    FOwner.SelectRecordingLine(ChosenLineIndex(FOwner.FControle));
}

int TFrm_Config::ChosenLineIndex() const
{
    // With no line listed (no mixer of the card's name) the saved choice stands.
    if (CBControle->count() == 0)
        return ChosenLineIndex(FOwner.FControle);
    return CBControle->currentIndex();
}

int TFrm_Config::ChosenLineIndex(const QString& controle)
{
    // A hand-damaged Controle means no line chosen: the save must still write a sound
    // file rather than fail before writing anything.
    bool isNumber = false;
    const int index = controle.trimmed().toInt(&isNumber);
    return isNumber ? index : -1;
}
