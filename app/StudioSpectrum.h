#pragma once

class TMMSpectrum;

// The studio's spectrum: a 64-point Hamming-windowed transform of the mean of both
// channels of 44.1 kHz 16-bit stereo, 32 bars of 689 Hz, linear axes tilted by
// +3 dB per octave, 20 % of full scale at the top, slow step-up decay; lime up
// to half, yellow to 75 %, red above, over dotted black spots, with no frame.
void ConfigureStudioSpectrum(TMMSpectrum& spectrum);
