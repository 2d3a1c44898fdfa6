// The recording lines of the chosen card's mixer, listed in the settings window.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"

#include "mixer/MMMixerCheckBox.h"

#include <QComboBox>

void TFrm_OnLine::FillControlList()
{
    TFrm_Config& config = *Frm_Config;
    config.CBControle->clear();
    std::size_t next = 0;
    for (int code = 0; code < kComponentTypeCount; ++code) {
        TMMAudioLine& line = *config.AudioLineInRec;
        line.SetComponentType(static_cast<TMMComponentType>(code));
        if (line.LineId() == badLineId)
            continue;
        // The selector box is captioned with the multiplexer's name for the line; a
        // card without a multiplexer leaves it unset, and the line's own name serves.
        const QString caption = config.CBLineInRec->isEnabled()
                                    ? config.CBLineInRec->text()
                                    : QString::fromStdString(line.LineInfo().Name);
        config.CBControle->addItem(caption);
        FLineTypes[next++] = static_cast<std::uint32_t>(code);
    }
}

void TFrm_OnLine::SelectRecordingLine(int item)
{
    // A saved choice the bound card does not list selects nothing.
    if (item < 0 || item >= Frm_Config->CBControle->count())
        return;
    Frm_Config->CBControle->setCurrentIndex(item);
    Frm_Config->CBControleSelect();
}
