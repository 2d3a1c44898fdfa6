#include "meters/MMLevelTypes.h"

#include "audio/WaveFormat.h"

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    if (c < 0) {
        a = -a;
        c = -c;
    }
    return int(ScaleRounded(a, b, c));
}
