// Capture: the wave input that records the chosen card and the connector that
// hands what it records to the displays.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"

#include "meters/MMLevel.h"
#include "meters/MMMeter.h"
#include "meters/MMOscope.h"
#include "spectrum/MMSpectrum.h"

#include <QComboBox>

void TFrm_OnLine::CreateWaveIn()
{
    WaveIn = std::make_unique<TMMWaveIn>();
    WaveIn->SetBufferSize(4096);
    WaveIn->SetCallBackMode(cmThread);
    WaveIn->SetDeviceID(MapperId);
    WaveIn->SetNumBuffers(20);
    WaveIn->SetMode(mStereo);
    WaveIn->SetBitLength(b16Bit);
    WaveIn->SetSampleRate(44100);
    WaveIn->SetTimeFormat(tfMillisecond);
}

void TFrm_OnLine::FillSoundCards()
{
    // Item i of the list is device id i.
    Frm_Config->CBPlacas->clear();
    for (TMMDeviceId id = 0; id < WaveIn->DeviceCount(); ++id) {
        WaveIn->SetDeviceID(id);
        Frm_Config->CBPlacas->addItem(QString::fromStdString(WaveIn->GetProductName()));
    }
}

void TFrm_OnLine::SelectCaptureDevice(TMMDeviceId device)
{
    if (!WaveIn->Started())
        WaveIn->SetDeviceID(device);
}

void TFrm_OnLine::StartWaveIn()
{
    // From here on a capture that fails (the sound server went away, the card was
    // unplugged) is opened again until it records, whatever this first start does.
    TimerCaptura.start();
    WaveIn->Start();
}

void TFrm_OnLine::CloseWaveIn()
{
    TimerCaptura.stop();
    WaveIn->Close();
}

void TFrm_OnLine::TimerCapturaTimer()
{
    if (WaveIn->Started())
        return;
    try {
        WaveIn->Start();
    } catch (const EMMWaveInError&) {
        // Still away. The failure that ended the capture has told the operator and
        // the log once; every retry doing so again would bury the desktop in boxes.
    }
}

// The connector sits behind the wave input; the displays take their slots as
// they are created. Every connector property keeps its default except EnterIdle.
void TFrm_OnLine::CreateConnector()
{
    MMConnector1 = std::make_unique<TMMConnector>();
    MMConnector1->SetEnterIdle(false);
    MMConnector1->SetInput(WaveIn.get());
    MMConnector1->SetLevel1(MMLevel1);
    MMConnector1->SetLevel2(MMLevel2);
    MMConnector1->SetMeter1(MMMeter1);
    MMConnector1->SetMeter2(MMMeter2);
    MMConnector1->SetOscope1(MMOscope2);
    MMConnector1->SetSpectrum(1, MMSpectrum2);
}
