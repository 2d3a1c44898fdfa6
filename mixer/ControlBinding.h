#pragma once

#include "mixer/MMMixerControl.h"

#include <functional>

// The tie between a visual control and the mixer control it shows: set-up when the
// control is bound or re-resolved, reading when the mixer reports a new value, and
// letting go when the control is destroyed. A guard tells a value read from the
// mixer from one the user set, so that reading never writes back.
class TMMControlBinding {
public:
    TMMControlBinding(std::function<void()> setUp, std::function<void()> read);

    TMMCustomMixerControl* Control() const { return FControl; }
    void SetControl(TMMCustomMixerControl* control);
    bool Reading() const { return FReading > 0; }
    // Runs a read under the guard.
    void Read(const std::function<void()>& read);

private:
    TMMCustomMixerControl* FControl = nullptr;
    TMMObserver FObserver;
    std::function<void()> FSetUp;
    std::function<void()> FRead;
    int FReading = 0;
};
