#pragma once

#include "audio/AudioDevice.h"

#include <QComboBox>
#include <functional>

// A drop-down list of the devices of a device's kind: choosing an entry gives the
// device that id.
class TMMCustomDeviceComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TMMCustomDeviceComboBox(QWidget* parent = nullptr);

    TMMCustomAudioDevice* Device() const { return FDevice; }
    void SetDevice(TMMCustomAudioDevice* device);
    bool IncludeMapper() const { return FIncludeMapper; }
    void SetIncludeMapper(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

    // The user chose an entry; runs before the device takes its id.
    std::function<void()> OnChange;

private:
    void Fill();
    bool ListsMapper() const;
    void Selected(int index);

    TMMCustomAudioDevice* FDevice = nullptr;
    TMMObserver FObserver;
    bool FIncludeMapper = true;
    bool FEnabled = true;
    bool FSelecting = false;
};

class TMMDeviceComboBox : public TMMCustomDeviceComboBox {
    Q_OBJECT
public:
    using TMMCustomDeviceComboBox::TMMCustomDeviceComboBox;
};
