#include "platform/drawing/host_geometry.h"

#include <cmath>
#include <numbers>

namespace ovge {

double angleOfLine(const OvGePoint3d& from, const OvGePoint3d& to) {
  const double angle = std::atan2(to.y - from.y, to.x - from.x);
  return angle < 0.0 ? angle + 2.0 * std::numbers::pi : angle;
}

OvGePoint3d pointAtDistanceAndAngle(const OvGePoint3d& origin, double distance, double angle) {
  return OvGePoint3d{origin.x + distance * std::cos(angle), origin.y + distance * std::sin(angle),
                origin.z};
}

bool intersectUnboundedLines(const OvGePoint3d& a1, const OvGePoint3d& a2, const OvGePoint3d& b1, const OvGePoint3d& b2,
                             OvGePoint3d& result, double tolerance) {
  const double ux = a2.x - a1.x;
  const double uy = a2.y - a1.y;
  const double vx = b2.x - b1.x;
  const double vy = b2.y - b1.y;
  const double lengthU = std::hypot(ux, uy);
  const double lengthV = std::hypot(vx, vy);
  if (lengthU <= tolerance || lengthV <= tolerance) return false;
  // The sine of the angle between the lines decides parallelism; the tolerance is a distance, so
  // lines whose offset over a unit of length stays below it count as parallel.
  const double cross = ux * vy - uy * vx;
  if (std::abs(cross) <= tolerance * lengthU * lengthV) return false;
  const double t = ((b1.x - a1.x) * vy - (b1.y - a1.y) * vx) / cross;
  result = OvGePoint3d{a1.x + t * ux, a1.y + t * uy, a1.z + t * (a2.z - a1.z)};
  return true;
}

bool isEqualTo(const OvGePoint3d& a, const OvGePoint3d& b, double tolerance) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z)) <=
         tolerance;
}

}  // namespace ovge
