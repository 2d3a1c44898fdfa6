#include "app/StudioLevels.h"

#include "meters/MMLevel.h"
#include "meters/MMMeter.h"

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

void ConfigureStudioMeter(TMMMeter& meter, TMMChannel channel)
{
    meter.Bevel().SetBevelOuter(bvNone);
    meter.Bevel().SetBorderWidth(2);
    meter.SetBounds(meter.x(), meter.y(), 85, 57);
    meter.SetCaption(QStringLiteral("dB"));
    meter.SetNeedleOffset(50);
    meter.SetScaleAngle(45);
    meter.SetTopSpace(12);
    meter.SetScaleHeight1(3);
    meter.SetScaleColor(0, clLime);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setBold(true);
    meter.setFont(font);
    meter.SetFontColor(clSilver);
    LevelEngine& engine = meter.Engine();
    engine.SetMode(mStereo);
    engine.SetBitLength(b16Bit);
    engine.SetChannel(channel);
    engine.SetSamples(20);
    engine.SetDecayMode(dmStepUp);
    engine.SetDecay(8);
    engine.SetPeakSpeed(2);
}
