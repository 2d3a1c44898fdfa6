#pragma once

// The knob's arithmetic. Angles are degrees in the mathematical sense: 0 to the
// right, counter-clockwise positive; the value grows clockwise from the start
// angle to the end angle.
namespace wheel {

// Degrees the range sweeps: 270 for the default 225 .. 315.
int Span(int startAngle, int endAngle);
// Angle of the handle for a value, 0 .. 359.
int HandleAngle(int value, int minimum, int maximum, int startAngle, int endAngle);
// The value a point at this angle (0 .. 360) stands for; an angle in the dead zone
// between end and start snaps to the nearer of the two.
int ValueAtAngle(double angle, int minimum, int maximum, int startAngle, int endAngle);
// Angle of the point (x, y) seen from the centre (cx, cy), screen y pointing down.
double PointAngle(double x, double y, double cx, double cy);

} // namespace wheel
