#include "app/ConfigWindow.h"
#include "app/MainWindow.h"

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
    WaveIn->Start();
}

void TFrm_OnLine::CloseWaveIn()
{
    WaveIn->Close();
}
