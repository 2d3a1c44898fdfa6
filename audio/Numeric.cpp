#include "audio/Numeric.h"

#include <cmath>
#include <limits>

std::int64_t ScaleRounded(std::int64_t a, std::int64_t b, std::int64_t c)
{
    const std::int64_t product = a * b;
    return product / c + (2 * (product % c)) / c;
}

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

std::int64_t RoundHalfEven(double value)
{
    constexpr double limit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (!(value < limit))
        return static_cast<std::int64_t>(limit);
    if (!(value > -limit))
        return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(std::nearbyint(value));
}
