#pragma once

#include "audio/MMTypes.h"

class TMMLevel;
class TMMMeter;

// The studio's bar look and measuring: 158 x 18 without a frame, dotted lime and
// yellow up to 80 %, red above, over dotted grey spots; 99 frames of 16-bit
// stereo per update on the given channel, a two-spot peak, slow step-up decay.
void ConfigureStudioBar(TMMLevel& bar, TMMChannel channel);

// The studio's needle look and measuring: 85 x 57 inside a 2-pixel border, a 45
// degree scale under a pivot 50 pixels below the meter, lime, yellow and red
// ticks, "dB" in bold silver; 20 frames of 16-bit stereo per update on the given
// channel, slow step-up decay, a peak needle that falls once held.
void ConfigureStudioMeter(TMMMeter& meter, TMMChannel channel);
