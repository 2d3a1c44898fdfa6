#pragma once

#include "audio/MMTypes.h"
#include "mixer/ControlBinding.h"
#include "mixer/MMWheel.h"

// A knob bound to a mixer control: N + 1 positions for a control of N steps (33
// for a control that gives none), following the mixer and writing the user's
// turns back to it.
class TMMCustomMixerWheel : public TMMCustomWheel {
    Q_OBJECT
public:
    explicit TMMCustomMixerWheel(QWidget* parent = nullptr);

    TMMCustomMixerControl* Control() const { return FBinding.Control(); }
    void SetControl(TMMCustomMixerControl* control) { FBinding.SetControl(control); }
    TMMChannel Channel() const { return FChannel; }
    void SetChannel(TMMChannel value);
    int Item() const { return FItem; }
    void SetItem(int value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Mixer units per knob position.
    double StepSize() const { return FStep; }

protected:
    void Change() override;

private:
    void SetUp();
    void Read();

    TMMControlBinding FBinding;
    TMMChannel FChannel = chBoth;
    int FItem = -1;
    bool FEnabled = true;
    double FStep = 0;
};

class TMMMixerWheel : public TMMCustomMixerWheel {
    Q_OBJECT
public:
    using TMMCustomMixerWheel::TMMCustomMixerWheel;
};
