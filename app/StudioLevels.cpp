#include "app/StudioLevels.h"

#include "meters/MMLevel.h"

void ConfigureStudioBar(TMMLevel& bar, TMMChannel channel)
{
    bar.Bevel().SetBevelOuter(bvNone);
    bar.SetBounds(bar.x(), bar.y(), 158, 18);
    bar.SetPoint2(80);
    bar.SetBarColor(0, clLime);
    bar.SetBarColor(1, clYellow);
    bar.SetInactiveColor(0, clGray);
    bar.SetInactiveColor(1, clGray);
    bar.SetActiveDoted(true);
    bar.SetInactiveDoted(true);
    bar.setToolTip(QStringLiteral("click to change the style,\rdouble click to disable the level"));
    LevelEngine& engine = bar.Engine();
    engine.SetMode(mStereo);
    engine.SetBitLength(b16Bit);
    engine.SetChannel(channel);
    engine.SetSamples(99);
    engine.SetNumPeaks(2);
    engine.SetDecayMode(dmStepUp);
    engine.SetDecay(8);
}
