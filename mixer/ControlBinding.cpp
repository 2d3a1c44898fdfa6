#include "mixer/ControlBinding.h"

TMMControlBinding::TMMControlBinding(std::function<void()> setUp, std::function<void()> read)
    : FSetUp(std::move(setUp)), FRead(std::move(read))
{
    FObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FControl)
                SetControl(nullptr);
        } else if (dynamic_cast<const TMMControlIdChange*>(data) != nullptr) {
            FSetUp();
        } else if (dynamic_cast<const TMMControlChange*>(data) != nullptr) {
            FRead();
        }
    };
}

void TMMControlBinding::SetControl(TMMCustomMixerControl* control)
{
    if (control == FControl)
        return;
    FControl = control;
    Watch(FObserver, FControl != nullptr ? &FControl->Observable() : nullptr);
    FSetUp();
}

void TMMControlBinding::Read(const std::function<void()>& read)
{
    ++FReading;
    try {
        read();
    } catch (...) {
        --FReading;
        throw;
    }
    --FReading;
}
