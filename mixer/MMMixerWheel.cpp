#include "mixer/MMMixerWheel.h"

#include <cmath>

TMMCustomMixerWheel::TMMCustomMixerWheel(QWidget* parent)
    : TMMCustomWheel(parent), FBinding([this] { SetUp(); }, [this] { Read(); })
{
    SetUp();
}

void TMMCustomMixerWheel::SetChannel(TMMChannel value)
{
    SetProperty(FChannel, value, [this] { SetUp(); });
}

void TMMCustomMixerWheel::SetItem(int value)
{
    SetProperty(FItem, value, [this] { SetUp(); });
}

void TMMCustomMixerWheel::SetEnabled(bool value)
{
    SetProperty(FEnabled, value, [this] { SetUp(); });
}

void TMMCustomMixerWheel::SetUp()
{
    TMMCustomMixerControl* control = Control();
    if (control == nullptr) {
        setEnabled(false);
        FStep = 0;
        return;
    }
    setEnabled(FEnabled && control->IsValidFor(FItem));
    const TMMControlInfo& info = control->ControlInfo();
    const int steps = info.Steps != 0 ? info.Steps : 32;
    FStep = double(info.MaxValue - info.MinValue) / steps;
    SetRange(0, FStep != 0 ? int(std::nearbyint((info.MaxValue - info.MinValue) / FStep)) : 1);
    Read();
}

void TMMCustomMixerWheel::Read()
{
    FBinding.Read([this] {
        TMMCustomMixerControl* control = Control();
        const bool readable = control != nullptr && control->IsValidFor(FItem) && FStep != 0 &&
                              control->ControlInfo().MaxValue > control->ControlInfo().MinValue;
        if (!readable) {
            SetValue(0);
            return;
        }
        const double element = control->GetValue(FChannel, FItem);
        SetValue(int(std::nearbyint((element - control->ControlInfo().MinValue) / FStep)));
    });
}

void TMMCustomMixerWheel::Change()
{
    if (!FBinding.Reading()) {
        TMMCustomMixerControl* control = Control();
        // A control the mixer disables (or none at all) refuses the turn: the knob
        // goes back to what the mixer holds.
        if (control == nullptr || !control->IsValidFor(FItem) ||
            HasFlag(control->ControlInfo().Flags, cfDisabled)) {
            Read();
        } else {
            const double value = Value() * FStep + control->ControlInfo().MinValue;
            control->SetValue(FChannel, FItem, std::int32_t(std::nearbyint(value)));
        }
    }
    TMMCustomWheel::Change();
}
