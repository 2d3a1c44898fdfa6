#include "app/StudioOscope.h"

#include "meters/MMOscope.h"

void ConfigureStudioOscope(TMMOscope& oscope)
{
    oscope.SetKind(okConLines);
    oscope.SetForegroundColor(clLime);
    oscope.SetBitLength(b16Bit);
    oscope.SetSampleRate(44100);
    oscope.SetMode(mStereo);
}
