#include "meters/OscopeGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

OscopeRow MapValue(int value, int gain, TMMOscopeKind kind, int height)
{
    OscopeRow row;
    row.pcmOverflow = value >= 32767;
    const bool spikes = kind == okSpikes;
    const int range = spikes ? 32767 : 65535;
    const int offset = spikes ? 0 : 32767;
    const int s = spikes ? std::abs(value) : value;
    // 64 bits: a full-scale value at gain 32 times a tall plot passes 2^31.
    const long long scaled = static_cast<long long>(s) * (gain + 8) / 8 + offset;
    row.y = static_cast<int>(scaled * height / range);
    row.gainOverflow = row.y > height;
    return row;
}

EffectBand EffectBandOf(TMMOscopeEffect effect, int height)
{
    if (effect == efSplit)
        return {0, height / 2};
    return {height / 3, height - height / 3};
}

int AmpDivisions(int height)
{
    int n = 10;
    while (height / n < 10 && n - 2 > 2)
        n -= 2;
    return n;
}

int TimeDivisions(int columns)
{
    int t = 32;
    while (columns / t < 10 && t > 1)
        t /= 2;
    return t;
}

int GridRow(int c, int n, int height)
{
    const int d = static_cast<int>(c * 32760.0 / n / (32768.0 / height));
    return height - d - 1;
}

int GridColumn(int k, int t, int columns)
{
    return k * (columns - 1) / t;
}

int BarTickRow(int k, int n, int height)
{
    return height - static_cast<int>(k * (height - 1.0) / n) - 1;
}

double ReadOutTime(int x, int blockMs, int columns)
{
    return static_cast<double>(x + 1) * blockMs / columns;
}

double ReadOutVoltage(int a, int height, TMMOscopeKind kind)
{
    if (kind == okSpikes)
        return (height - a - 1) * 10.0 / (height - 1) * 0.1;
    double fromMiddle = height / 2.0 - a;
    if (fromMiddle < 0)
        fromMiddle -= 1;
    return fromMiddle * 10.0 / height * 0.2;
}

QString ReadOutText(double ms, double volts)
{
    char text[64];
    std::snprintf(text, sizeof text, "%4.1f ms %4.2f V", ms, volts);
    return QString::fromLatin1(text);
}

TRect ReadOutBox(TPoint pointer, int width, int height, const TRect& plot)
{
    int top = pointer.Y + 15;
    if (top + height > plot.Bottom)
        top -= 40;
    top = std::max(top, plot.Top);
    const int left = std::max(std::min(pointer.X, plot.Right - width), plot.Left);
    return {left, top, left + width, top + height};
}
