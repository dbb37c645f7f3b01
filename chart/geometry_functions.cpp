#include "chart/geometry_functions.h"

#include <cmath>

namespace geometry {
namespace {
constexpr double kPi = 3.14159265358979;
}  // namespace

double hypot(double x, double y) { return std::sqrt(x * x + y * y); }
double polarAngle(double x, double y) { return Atn2(y, x); }
double polarX(double r, double a) { return r * std::cos(a); }
double polarY(double r, double a) { return r * std::sin(a); }

double Atn2(double y, double x) {
  if (x == 0) return (y > 0 ? 1 : (y < 0 ? -1 : 0)) * kPi / 2;
  if (x > 0) return std::atan(y / x);
  return y >= 0 ? std::atan(y / x) + kPi : std::atan(y / x) - kPi;
}

}  // namespace geometry
