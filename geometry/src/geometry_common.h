// Constants and the plane point shared by the geometry library's sources (not part of the public
// interface).
#pragma once

namespace kestrel::geometry::detail {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kHalfPi = 1.5707963267948966;
inline constexpr double kThreeHalfPi = 4.71238898038469;

// Shortest segment that still defines a line; smallest cross product of non-parallel lines.
inline constexpr double kLineTolerance = 1e-7;
// Smallest squared point-to-line distance reported as non-zero.
inline constexpr double kSquaredDistanceTolerance = 1e-8;
// Point coincidence, snap of angles near 2*pi after a turn, frame-conversion snap to 0.
inline constexpr double kPointTolerance = 1e-5;
// Two directions closer than this are the same direction.
inline constexpr double kAngleQuantum = 1.389e-6;
// Rounding quantum of lengths and coordinates written by the makers.
inline constexpr double kLengthQuantum = 1e-5;
// One second of arc.
inline constexpr double kOneArcSecond = 4.84813681109536e-6;

// A point or vector of the plane (either frame); converting to and from the records happens where
// each family reads them.
struct Point {
  double x = 0.0;
  double y = 0.0;
};

inline Point operator+(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}
inline Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}
inline Point operator*(double k, Point a) {
  return {k * a.x, k * a.y};
}

}  // namespace kestrel::geometry::detail
