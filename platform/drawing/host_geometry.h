// The host's geometry: its point type, and the plane helpers the module uses for alignment work
// (angles of lines, points by distance and angle, intersections of unbounded lines, equality).
#pragma once

// A point of the drawing (x east, y north, z elevation).
struct OvGePoint3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

namespace ovge {

// The default tolerance of the host geometry, in metres.
inline constexpr double kDefaultTolerance = 1e-10;

// Direction of the line from `from` to `to`, counter-clockwise from the x axis, in [0, 2π).
double angleOfLine(const OvGePoint3d& from, const OvGePoint3d& to);
// The point `distance` away from `origin` in the direction `angle` (same z).
OvGePoint3d pointAtDistanceAndAngle(const OvGePoint3d& origin, double distance, double angle);
// Where the unbounded plan lines a1-a2 and b1-b2 meet; false (result untouched) when they are
// parallel or a line is degenerate within the tolerance.
bool intersectUnboundedLines(const OvGePoint3d& a1, const OvGePoint3d& a2, const OvGePoint3d& b1, const OvGePoint3d& b2,
                             OvGePoint3d& result, double tolerance = kDefaultTolerance);
// Whether two points are equal within the tolerance (distance in 3-D).
bool isEqualTo(const OvGePoint3d& a, const OvGePoint3d& b, double tolerance = kDefaultTolerance);

}  // namespace ovge
