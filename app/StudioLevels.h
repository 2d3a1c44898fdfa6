#pragma once

#include "audio/MMTypes.h"

class TMMLevel;

// The studio's bar look and measuring: 158 x 18 without a frame, dotted lime and
// yellow up to 80 %, red above, over dotted grey spots; 99 frames of 16-bit
// stereo per update on the given channel, a two-spot peak, slow step-up decay.
void ConfigureStudioBar(TMMLevel& bar, TMMChannel channel);
