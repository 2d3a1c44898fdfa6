#pragma once

#include "audio/MMTypes.h"
#include "mixer/ControlBinding.h"

#include <QCheckBox>

// A check box bound to a mixer switch (a mute) or to one item of a selector: with
// an item line set, the box stands for that line's item of the multiplexer, and
// ticking it makes the line the single recording source.
class TMMCustomMixerCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TMMCustomMixerCheckBox(QWidget* parent = nullptr);
    ~TMMCustomMixerCheckBox() override;

    TMMCustomMixerControl* Control() const { return FBinding.Control(); }
    void SetControl(TMMCustomMixerControl* control) { FBinding.SetControl(control); }
    TMMAudioLine* ItemLine() const { return FItemLine; }
    void SetItemLine(TMMAudioLine* line);
    TMMChannel Channel() const { return FChannel; }
    void SetChannel(TMMChannel value);
    int Item() const { return FItem; }
    void SetItem(int value);
    bool AutoCaption() const { return FAutoCaption; }
    void SetAutoCaption(bool value);
    bool Short() const { return FShort; }
    void SetShort(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

private:
    void SetUp();
    void Read();
    void Clicked(bool checked);

    TMMControlBinding FBinding;
    TMMAudioLine* FItemLine = nullptr;
    TMMObserver FItemLineObserver;
    TMMChannel FChannel = chBoth;
    int FItem = -1;
    bool FAutoCaption = true;
    bool FShort = true;
    bool FEnabled = true;
};

class TMMMixerCheckBox : public TMMCustomMixerCheckBox {
    Q_OBJECT
public:
    using TMMCustomMixerCheckBox::TMMCustomMixerCheckBox;
};
