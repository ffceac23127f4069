// The host's plane geometry helpers that the module uses for alignment work: angles of lines,
// points by distance and angle, intersections of unbounded lines, point equality.
#pragma once

namespace ovge {

// The default tolerance of the host geometry, in metres.
inline constexpr double kDefaultTolerance = 1e-10;

// A point of the plan with an elevation.
struct Point3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// Direction of the line from `from` to `to`, counter-clockwise from the x axis, in [0, 2π).
double angleOfLine(const Point3& from, const Point3& to);
// The point `distance` away from `origin` in the direction `angle` (same z).
Point3 pointAtDistanceAndAngle(const Point3& origin, double distance, double angle);
// Where the unbounded plan lines a1-a2 and b1-b2 meet; false (result untouched) when they are
// parallel or a line is degenerate within the tolerance.
bool intersectUnboundedLines(const Point3& a1, const Point3& a2, const Point3& b1, const Point3& b2,
                             Point3& result, double tolerance = kDefaultTolerance);
// Whether two points are equal within the tolerance (distance in 3-D).
bool isEqualTo(const Point3& a, const Point3& b, double tolerance = kDefaultTolerance);

}  // namespace ovge
