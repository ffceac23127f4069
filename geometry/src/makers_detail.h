// Helpers shared by the element makers, IP setters and chain makers. Internal to the library.
#pragma once

#include <cmath>
#include <cstdint>

#include "kestrel/geometry_elements.h"
#include "kestrel/geometry_primitives.h"
#include "kestrel/geometry_types.h"

namespace kestrel::geometry::makers_detail {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
// Coordinates and lengths written by a maker are multiples of this.
constexpr double kLengthQuantum = 1e-5;
// Smallest radius-to-parameter ratio a clothoid end may have (keeps tau below about 1.594).
constexpr double kMinimumRadiusToParameter = 0.56;

inline bool isUnitSign(double sign) { return sign == 1.0 || sign == -1.0; }

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

struct Point {
  double x;
  double y;
};

inline double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

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
Pose advanceOnClothoid(Pose pose, double sign, double parameter, double fromRadius, double toRadius);
// Tangent angle of a clothoid at radius R measured from its main tangent (0 for infinite R).
inline double clothoidTau(double parameter, double radius) {
  return radius == 0.0 ? 0.0 : parameter * parameter / (2.0 * radius * radius);
}

// Completes an arc record (surveyor frame) from its start point, start angle, sign, R and length.
int16_t makeArcFromStart(Calelm* arc);

}  // namespace kestrel::geometry::makers_detail
