#pragma once
// Plane geometry for the chart: lengths, angles (radians) and polar points.
// In a namespace of their own: hypot is also the C library's.

namespace geometry {

// sqrt(x² + y²).
double hypot(double x, double y);
// The angle of (x, y): Atn2(y, x).
double polarAngle(double x, double y);
double polarX(double r, double a);
double polarY(double r, double a);
// Four-quadrant arctangent: -pi/2 .. pi, with the sign of y; 0 for (0, 0).
double Atn2(double y, double x);

}  // namespace geometry
