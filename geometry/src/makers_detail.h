// Helpers shared by the element makers, IP setters and chain makers. Internal to the library.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "kestrel/geometry_elements.h"
#include "kestrel/geometry_primitives.h"
#include "kestrel/geometry_types.h"
#include "geometry_common.h"

namespace kestrel::geometry::makers_detail {

using detail::kHalfPi;
using detail::kPi;
using detail::kTwoPi;
// Coordinates and lengths written by a maker are multiples of this.
using detail::kLengthQuantum;
using detail::Point;
// Smallest radius-to-parameter ratio a clothoid end may have (keeps tau below about 1.594).
constexpr double kMinimumRadiusToParameter = 0.56;

inline bool isUnitSign(double sign) {
  return sign == 1.0 || sign == -1.0;
}

// True when every value is finite: NaN or infinity in a definition is invalid input.
inline bool allFinite(std::initializer_list<double> values) {
  for (const double value : values) {
    if (!std::isfinite(value)) return false;
  }
  return true;
}

// A radius or distance that can be used: positive and finite.
inline bool isPositiveLength(double value) {
  return value > 0.0 && std::isfinite(value);
}

// Angle brought into [0, 2*pi).
inline double normalisedAngle(double angle) {
  double result = std::fmod(angle, kTwoPi);
  if (result < 0.0) result += kTwoPi;
  if (result >= kTwoPi) result -= kTwoPi;
  return result;
}

// The record in the other frame (surveyor <-> computation).
inline Calelm otherFrame(const Calelm& element) {
  Calelm result;
  CDchgSpace(element, &result);
  return result;
}

inline double distance(Point a, Point b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// Position and heading (computation frame, counter-clockwise from +x) while walking a chain.
struct Pose {
  double x;
  double y;
  double heading;
};

// Walks an arc of radius R turning by `sign` through the central angle phi >= 0.
Pose advanceOnArc(Pose pose, double sign, double radius, double phi);
// Walks a clothoid of parameter A from radius fromRadius to toRadius (0 = infinite), turning by
// `sign`; exact local coordinates from the clothoid series.
Pose advanceOnClothoid(Pose pose, double sign, double parameter, double fromRadius,
                       double toRadius);
// Tangent angle of a clothoid at radius R measured from its main tangent (0 for infinite R).
inline double clothoidTau(double parameter, double radius) {
  return radius == 0.0 ? 0.0 : parameter * parameter / (2.0 * radius * radius);
}

// Brent's method on [low, high] where f(low) and f(high) differ in sign (or one is 0): inverse
// quadratic interpolation or secant steps, falling back to bisection whenever a step would leave
// the bracket or shrink it too slowly. Stops when the bracket is below `tolerance` or f is exactly
// 0; false when the ends do not bracket a root or after `maxIterations` steps.
template <typename Function>
bool findRoot(Function f, double low, double high, double tolerance, int maxIterations,
              double* root) {
  double a = low, b = high, fa = f(a), fb = f(b);
  if (!std::isfinite(fa) || !std::isfinite(fb) || (fa > 0.0) == (fb > 0.0)) {
    if (fa == 0.0) {
      *root = a;
      return true;
    }
    if (fb == 0.0) {
      *root = b;
      return true;
    }
    return false;
  }
  double c = a, fc = fa, d = b - a, e = d;
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if ((fb > 0.0) == (fc > 0.0)) {
      c = a;
      fc = fa;
      d = b - a;
      e = d;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double half = 0.5 * (c - b);
    const double step = 2.0 * 2.2e-16 * std::fabs(b) + 0.5 * tolerance;
    if (std::fabs(half) <= step || fb == 0.0) {
      *root = b;
      return true;
    }
    if (std::fabs(e) >= step && std::fabs(fa) > std::fabs(fb)) {
      double p = 0.0, q = 0.0;
      const double s = fb / fa;
      if (a == c) {
        p = 2.0 * half * s;
        q = 1.0 - s;
      } else {
        const double r = fb / fc, t = fa / fc;
        p = s * (2.0 * half * t * (t - r) - (b - a) * (r - 1.0));
        q = (t - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0.0)
        q = -q;
      else
        p = -p;
      if (2.0 * p < std::fmin(3.0 * half * q - std::fabs(step * q), std::fabs(e * q))) {
        e = d;
        d = p / q;
      } else {
        d = half;
        e = d;
      }
    } else {
      d = half;
      e = d;
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > step ? d : (half > 0.0 ? step : -step);
    fb = f(b);
  }
  return false;
}

// Completes an arc record (surveyor frame) from its start point, start angle, sign, R and length.
int16_t makeArcFromStart(Calelm* arc);

}  // namespace kestrel::geometry::makers_detail
