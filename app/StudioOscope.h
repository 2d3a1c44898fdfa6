#pragma once

class TMMOscope;

// The studio's oscilloscope: connected lines in lime over 16-bit stereo at
// 44100 Hz, everything else at the display's defaults.
void ConfigureStudioOscope(TMMOscope& oscope);
