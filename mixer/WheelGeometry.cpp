#include "mixer/WheelGeometry.h"

#include <cmath>

namespace wheel {

int Span(int startAngle, int endAngle)
{
    return endAngle >= startAngle ? startAngle - endAngle + 360 : 360;
}

int HandleAngle(int value, int minimum, int maximum, int startAngle, int endAngle)
{
    const double x = maximum <= minimum ? 0.0 : double(value - minimum) / (maximum - minimum);
    int angle = int(std::nearbyint(startAngle - x * Span(startAngle, endAngle)));
    if (angle < 0)
        angle += 360;
    return angle;
}

int ValueAtAngle(double angle, int minimum, int maximum, int startAngle, int endAngle)
{
    if (angle > startAngle && angle < endAngle)
        angle = angle < (startAngle + endAngle) / 2.0 ? startAngle : endAngle;
    const double turned = std::fmod(std::fmod(startAngle - angle, 360.0) + 360.0, 360.0);
    return minimum + int(std::nearbyint(turned / Span(startAngle, endAngle) * (maximum - minimum)));
}

double PointAngle(double x, double y, double cx, double cy)
{
    double degrees = std::atan2(cy - y, x - cx) * 180.0 / M_PI;
    if (degrees < 0)
        degrees += 360.0;
    return degrees;
}

} // namespace wheel
