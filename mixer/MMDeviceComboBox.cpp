#include "mixer/MMDeviceComboBox.h"

#include "audio/PropertyRule.h"

#include "mixer/MixerTypes.h"

TMMCustomDeviceComboBox::TMMCustomDeviceComboBox(QWidget* parent) : QComboBox(parent)
{
    FObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FDevice)
                SetDevice(nullptr);
        } else if (!FSelecting) {
            Fill();
        }
    };
    connect(this, &QComboBox::activated, this, [this](int index) { Selected(index); });
    Fill();
}

void TMMCustomDeviceComboBox::SetDevice(TMMCustomAudioDevice* device)
{
    if (device == FDevice)
        return;
    FDevice = device;
    Watch(FObserver, FDevice != nullptr ? &FDevice->Observable() : nullptr);
    Fill();
}

void TMMCustomDeviceComboBox::SetIncludeMapper(bool value)
{
    SetProperty(FIncludeMapper, value, [this] { Fill(); });
}

void TMMCustomDeviceComboBox::SetEnabled(bool value)
{
    SetProperty(FEnabled, value, [this] { Fill(); });
}

bool TMMCustomDeviceComboBox::ListsMapper() const
{
    return FIncludeMapper && FDevice != nullptr && FDevice->Mapper();
}

void TMMCustomDeviceComboBox::Fill()
{
    setEnabled(FEnabled && FDevice != nullptr);
    clear();
    if (FDevice == nullptr)
        return;
    const bool mapper = ListsMapper();
    std::vector<std::string> names;
    FDevice->ListNames(names, mapper);
    for (const std::string& name : names)
        addItem(QString::fromStdString(name));
    const TMMDeviceId id = FDevice->GetDeviceId();
    setCurrentIndex(mapper ? (id == MapperId ? 0 : id + 1) : id);
    if (count() == 0)
        setEnabled(false);
}

void TMMCustomDeviceComboBox::Selected(int index)
{
    if (OnChange)
        OnChange();
    if (FDevice == nullptr || index < 0)
        return;
    FSelecting = true;
    try {
        FDevice->SetDeviceId(ListsMapper() ? index - 1 : index);
    } catch (...) {
        FSelecting = false;
        throw;
    }
    FSelecting = false;
}
