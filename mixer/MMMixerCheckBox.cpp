#include "mixer/MMMixerCheckBox.h"

#include "audio/PropertyRule.h"

TMMCustomMixerCheckBox::TMMCustomMixerCheckBox(QWidget* parent)
    : QCheckBox(parent), FBinding([this] { SetUp(); }, [this] { Read(); })
{
    FItemLineObserver.OnNotify = [this](TMMObserver*, const TMMNotification* data) {
        if (const auto* removal = dynamic_cast<const TMMRemoval*>(data)) {
            if (removal->Component == FItemLine)
                SetItemLine(nullptr);
        } else if (dynamic_cast<const TMMLineIdChange*>(data) != nullptr) {
            SetUp();
        }
    };
    // A user's click and a program's change of the tick both write the mixer.
    connect(this, &QCheckBox::toggled, this, [this](bool checked) { Clicked(checked); });
    SetUp();
}

TMMCustomMixerCheckBox::~TMMCustomMixerCheckBox() = default;

void TMMCustomMixerCheckBox::SetItemLine(TMMAudioLine* line)
{
    if (line == FItemLine)
        return;
    FItemLine = line;
    Watch(FItemLineObserver, FItemLine != nullptr ? &FItemLine->Observable() : nullptr);
    SetUp();
}

void TMMCustomMixerCheckBox::SetChannel(TMMChannel value)
{
    SetProperty(FChannel, value, [this] { SetUp(); });
}

void TMMCustomMixerCheckBox::SetItem(int value)
{
    SetProperty(FItem, value, [this] { SetUp(); });
}

void TMMCustomMixerCheckBox::SetAutoCaption(bool value)
{
    SetProperty(FAutoCaption, value, [this] { SetUp(); });
}

void TMMCustomMixerCheckBox::SetShort(bool value)
{
    SetProperty(FShort, value, [this] { SetUp(); });
}

void TMMCustomMixerCheckBox::SetEnabled(bool value)
{
    SetProperty(FEnabled, value, [this] { SetUp(); });
}

void TMMCustomMixerCheckBox::SetUp()
{
    TMMCustomMixerControl* control = Control();
    if (control == nullptr) {
        setEnabled(false);
        return;
    }
    if (FItemLine != nullptr)
        FItem = control->ItemIndexOf(*FItemLine);
    const bool usable = FEnabled && control->IsValidFor(FItem);
    setEnabled(usable);
    if (usable && FAutoCaption) {
        const TMMControlInfo& info = control->ControlInfo();
        setText(QString::fromStdString(FItem != -1 ? control->ItemName(FItem)
                                                   : (FShort ? info.ShortName : info.Name)));
    }
    Read();
}

void TMMCustomMixerCheckBox::Read()
{
    FBinding.Read([this] {
        TMMCustomMixerControl* control = Control();
        setChecked(control != nullptr && control->IsValidFor(FItem) &&
                   control->GetBoolean(FChannel, FItem));
    });
}

void TMMCustomMixerCheckBox::Clicked(bool checked)
{
    if (FBinding.Reading())
        return;
    TMMCustomMixerControl* control = Control();
    if (isEnabled() && control != nullptr && control->IsValidFor(FItem))
        control->SetBoolean(FChannel, FItem, checked);
    // Shows what the mixer kept: a selector's only source cannot be unticked.
    Read();
}
