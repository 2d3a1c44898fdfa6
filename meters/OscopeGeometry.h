#pragma once

// The oscilloscope's plot arithmetic: where a value lands vertically, which rows
// and columns the grid uses, and what the read-out under the mouse says. All of
// it integer arithmetic except the read-out's figures.

#include "audio/MMGeometry.h"
#include "meters/MMOscopeTypes.h"

#include <QString>

// Height H of the plot and the kind decide the vertical scale: spikes show the
// magnitude from the bottom row, every other kind the signed value about the middle.
struct OscopeRow {
    int y = 0;                 // 0 at the bottom; may lie outside 0 .. H - 1
    bool pcmOverflow = false;  // the value was at full scale
    bool gainOverflow = false; // the gain pushed it above the plot
    int Row(int height) const { return height - y - 1; }
};
OscopeRow MapValue(int value, int gain, TMMOscopeKind kind, int height);

// Rows outside [low, high] of y show the effect colour.
struct EffectBand {
    int low = 0;
    int high = 0;
    bool Outside(int y) const { return y < low || y > high; }
};
EffectBand EffectBandOf(TMMOscopeEffect effect, int height);

// Amplitude divisions: 10, fewer on a low plot (at least 10 pixels each while
// more than 2 remain).
int AmpDivisions(int height);
// Time divisions: 32, halved on a narrow plot (at least 10 pixels each, down to 1).
int TimeDivisions(int columns);
// Row of amplitude division c (0 .. n, from the bottom) in the grid.
int GridRow(int c, int n, int height);
// Column of time division k (0 .. t).
int GridColumn(int k, int t, int columns);
// Row of amplitude division k on the recorder's head bar.
int BarTickRow(int k, int n, int height);

// The read-out: time of plot column x (0 = the first) in ms, for a block of
// blockMs shown over `columns` columns; voltage of plot row a (0 = the top):
// +-1 V at the edges, 0 .. 1 V for spikes.
double ReadOutTime(int x, int blockMs, int columns);
double ReadOutVoltage(int a, int height, TMMOscopeKind kind);
QString ReadOutText(double ms, double volts);

// Where the read-out box of the given size stands for a pointer at `pointer`
// inside `plot`: 15 pixels below it, 40 pixels up when that would leave the
// plot, moved left to fit, never above the plot's top.
TRect ReadOutBox(TPoint pointer, int width, int height, const TRect& plot);
