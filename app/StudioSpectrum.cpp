#include "app/StudioSpectrum.h"

#include "spectrum/MMSpectrum.h"

void ConfigureStudioSpectrum(TMMSpectrum& spectrum)
{
    spectrum.Bevel().SetBevelOuter(bvNone);
    spectrum.Bevel().SetBevelInner(bvNone);
    spectrum.SetShowInfo(false);
    spectrum.SetBarColor(0, clLime);
    spectrum.SetBarColor(1, clYellow);
    for (int zone = 0; zone < 3; ++zone)
        spectrum.SetInactiveColor(zone, clBlack);
    spectrum.SetPoint2(75);
    spectrum.SetInactiveDoted(true);
    spectrum.SetMode(mStereo);
    spectrum.SetBitLength(b16Bit);
    spectrum.SetSampleRate(44100);
    spectrum.SetGain(sg3db);
    spectrum.SetFFTLength(64);
    spectrum.SetDecayMode(dmStepUp);
    spectrum.SetDecay(8);
    spectrum.SetVerticalScale(20);
}
