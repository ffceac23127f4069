// Shared parts of the chain makers: given elements read as circles and lines (computation
// frame), records cut to joins, circle intersections and bounded root searches. Internal.
#pragma once

#include <cmath>

#include "kestrel/geometry_makers.h"
#include "makers_detail.h"

namespace kestrel::geometry::makers_detail {

// ---- Given elements in the computation frame ----

struct Circle {
  Point centre;
  double radius;
  double sign;
};

struct Line {
  Point start;
  Point end;
  Point unit;
  double heading;
};

inline Point leftOf(double heading) {
  return {-std::sin(heading), std::cos(heading)};
}
inline double headingOf(Point v) {
  return std::atan2(v.y, v.x);
}
inline Point toComputation(double X, double Y) {
  return {X, -Y};
}

// The circle of an arc record, from its end points, sign and radius (the stored centre may be
// rounded or stale).
inline bool readArc(const Calelm* arc, Circle* circle) {
  if (arc == nullptr || !isUnitSign(arc->turnSign) || !isPositiveLength(arc->parameter))
    return false;
  if (!allFinite({arc->startX, arc->startY, arc->endX, arc->endY, arc->parameter})) return false;
  const Point start = toComputation(arc->startX, arc->startY);
  const Point end = toComputation(arc->endX, arc->endY);
  if (distance(start, end) < kLengthQuantum || distance(start, end) > 2.0 * arc->parameter) {
    return false;
  }
  circle->radius = arc->parameter;
  circle->sign = arc->turnSign;
  ali_KEnCen(start.x, start.y, end.x, end.y, arc->turnSign, arc->parameter, &circle->centre.x,
             &circle->centre.y);
  return true;
}

inline bool readStraight(const Calelm* straight, Line* line) {
  if (straight == nullptr ||
      !allFinite({straight->startX, straight->startY, straight->endX, straight->endY})) {
    return false;
  }
  line->start = toComputation(straight->startX, straight->startY);
  line->end = toComputation(straight->endX, straight->endY);
  const double length = distance(line->start, line->end);
  if (length < kLengthQuantum) return false;
  line->unit = {(line->end.x - line->start.x) / length, (line->end.y - line->start.y) / length};
  line->heading = headingOf(line->unit);
  return true;
}

// Angle swept from one point to another about the circle in its turning sense, in [0, 2*pi).
inline double sweep(const Circle& circle, Point from, Point to) {
  const double a = headingOf({from.x - circle.centre.x, from.y - circle.centre.y});
  const double b = headingOf({to.x - circle.centre.x, to.y - circle.centre.y});
  return normalisedAngle(circle.sign * (b - a));
}

// True when the arc from `from` to `to` is a real minor arc of the circle.
inline bool minorArc(const Circle& circle, Point from, Point to) {
  const double angle = sweep(circle, from, to);
  return angle * circle.radius >= kLengthQuantum && angle <= kPi;
}

// Arc record of the circle from one point to another (surveyor frame), remade by ali_makR.
inline bool arcRecord(const Calelm& given, const Circle& circle, Point from, Point to,
                      Calelm* out) {
  if (!minorArc(circle, from, to)) return false;
  Calelm arc = given;
  arc.kind = CALELM_ARC;
  arc.turnSign = circle.sign;
  arc.parameter = circle.radius;
  arc.startX = ali_CAroundNum(from.x);
  arc.startY = ali_CAroundNum(-from.y);
  arc.endX = ali_CAroundNum(to.x);
  arc.endY = ali_CAroundNum(-to.y);
  if (ali_makR(&arc) != 0) return false;
  *out = arc;
  return true;
}

// Straight record between two points; refuses one that would run against the given direction.
inline bool straightRecord(const Line& line, Point from, Point to, Calelm* out) {
  if ((to.x - from.x) * line.unit.x + (to.y - from.y) * line.unit.y < kLengthQuantum) return false;
  Calelm straight{};
  straight.kind = CALELM_STRAIGHT;
  straight.startX = ali_CAroundNum(from.x);
  straight.startY = ali_CAroundNum(-from.y);
  straight.endX = ali_CAroundNum(to.x);
  straight.endY = ali_CAroundNum(-to.y);
  if (ali_makS(&straight) != 0) return false;
  // A short straight's rounded ends would tilt it; it keeps the direction of the given line.
  straight.startAngle = ali_CAroundAng(ali_CExAng(normalisedAngle(line.heading)));
  straight.endAngle = straight.startAngle;
  *out = straight;
  return true;
}

// Clothoid record from a pose (mode 1) or to a pose (mode 2), by ali_makangA.
inline bool clothoidRecord(Pose pose, int16_t mode, double sign, double parameter,
                           double startRadius, double endRadius, Calelm* out) {
  Calelm clothoid{};
  clothoid.kind = CALELM_CLOTHOID;
  const double azimuth = ali_CExAng(normalisedAngle(pose.heading));
  if (mode == 1) {
    clothoid.startX = pose.x;
    clothoid.startY = -pose.y;
    clothoid.startAngle = azimuth;
  } else {
    clothoid.endX = pose.x;
    clothoid.endY = -pose.y;
    clothoid.endAngle = azimuth;
  }
  clothoid.turnSign = sign;
  clothoid.parameter = parameter;
  clothoid.startRadius = startRadius;
  clothoid.endRadius = endRadius;
  if (ali_makangA(&clothoid, mode) != 0) return false;
  *out = clothoid;
  return true;
}

inline Point startOf(const Calelm& e) {
  return toComputation(e.startX, e.startY);
}
inline Point endOf(const Calelm& e) {
  return toComputation(e.endX, e.endY);
}

// Pose on a circle at the point of polar angle phi, heading along the circle's sense.
inline Pose poseOnCircle(const Circle& circle, double phi) {
  return {circle.centre.x + circle.radius * std::cos(phi),
          circle.centre.y + circle.radius * std::sin(phi), phi + circle.sign * kHalfPi};
}

inline Point centreOfCurvature(Pose pose, double sign, double radius) {
  const Point left = leftOf(pose.heading);
  return {pose.x + sign * radius * left.x, pose.y + sign * radius * left.y};
}

// A transition leaving a circle is rigid: walked from polar angle 0 it ends at a centre of
// curvature v from the circle's centre; turning the start to phi turns v by phi. The polar angle
// that brings that centre onto `target`.
template <typename Transition>
double polarAngleToReach(const Circle& circle, Point target, Transition transition) {
  const Point reached = transition(poseOnCircle(circle, 0.0));
  return headingOf({target.x - circle.centre.x, target.y - circle.centre.y}) -
         headingOf({reached.x - circle.centre.x, reached.y - circle.centre.y});
}

// Centres at distances r1 from c1 and r2 from c2. The discriminant 4 d^2 r1^2 - (d^2 + r1^2 -
// r2^2)^2 is compared with a tolerance scaled by the larger radius r (1e-6 * r^3.5 * 1.5, or
// 1.5e-8 * r^4 below r = 1): within it the circles touch once.
inline int circleIntersections(Point c1, double r1, Point c2, double r2, Point out[2]) {
  const double dx = c2.x - c1.x, dy = c2.y - c1.y;
  const double d2 = dx * dx + dy * dy;
  if (d2 < 1e-24) return 0;
  const double d = std::sqrt(d2);
  const double base = d2 + r1 * r1 - r2 * r2;
  const double discriminant = 4.0 * d2 * r1 * r1 - base * base;
  const double r = std::fmax(r1, r2);
  const double tolerance =
      r >= 1.0 ? 1e-6 * std::pow(r, 3.5) * 1.5 : 1.5000000000000002e-8 * std::pow(r, 4.0);
  if (discriminant < -tolerance) return 0;
  const double along = base / (2.0 * d);
  const Point foot{c1.x + along * dx / d, c1.y + along * dy / d};
  if (discriminant <= tolerance) {
    out[0] = foot;
    return 1;
  }
  const double across = std::sqrt(discriminant) / (2.0 * d);
  out[0] = {foot.x - across * dy / d, foot.y + across * dx / d};
  out[1] = {foot.x + across * dy / d, foot.y - across * dx / d};
  return 2;
}

// Centre distance of the two circles that a clothoid of parameter A joins, from radius r1 to r2
// (both finite): |M(r1) - M(r2)| with M(R) = (x - R sin tau, y + R cos tau) in the clothoid frame.
inline double clothoidCentreDistance(double parameter, double r1, double r2) {
  double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
  CDRcalxy(parameter, r1, &x1, &y1);
  CDRcalxy(parameter, r2, &x2, &y2);
  const double t1 = clothoidTau(parameter, r1), t2 = clothoidTau(parameter, r2);
  return std::hypot((x1 - r1 * std::sin(t1)) - (x2 - r2 * std::sin(t2)),
                    (y1 + r1 * std::cos(t1)) - (y2 + r2 * std::cos(t2)));
}

inline bool validEnd(double parameter, double radius) {
  return parameter != 0.0 && allFinite({parameter, radius}) &&
         (radius == 0.0 || CDchkAR(parameter, radius) == 0);
}

// Scans (0, upper) in 64 steps for the first sign change of f and refines it by Brent's method to
// 1e-12 of `upper` within 100 steps. False when f never changes sign there.
template <typename Function>
bool firstRoot(Function f, double upper, double* root) {
  constexpr int kSteps = 64;
  double previous = upper * 1e-6;
  double previousValue = f(previous);
  for (int step = 1; step <= kSteps; ++step) {
    const double current = upper * step / kSteps;
    const double value = f(current);
    if (std::isfinite(previousValue) && std::isfinite(value) &&
        (previousValue > 0.0) != (value > 0.0)) {
      return findRoot(f, previous, current, 1e-12 * upper, 100, root);
    }
    previous = current;
    previousValue = value;
  }
  return false;
}

// Largest clothoid parameter that still keeps R/A above the bound at radius R.
inline double largestParameter(double radius) {
  return radius / kMinimumRadiusToParameter * (1.0 - 1e-9);
}

}  // namespace kestrel::geometry::makers_detail

namespace kestrel::geometry::makers_detail {

// Up to eight candidate chains of N made records; a selector picks the n-th shortest.
template <int N>
struct Candidates {
  Calelm made[8][N];
  double length[8];
  int count = 0;

  void add(const Calelm (&records)[N]) {
    if (count == 8) return;
    double total = 0.0;
    for (int i = 0; i < N; ++i) {
      made[count][i] = records[i];
      total += records[i].length;
    }
    length[count++] = total;
  }

  // The chain of rank `selector` by total length (0 the shortest); false when there are fewer.
  bool pick(int16_t selector, Calelm (&out)[N]) const {
    if (selector < 0 || selector >= count) return false;
    int order[8];
    for (int i = 0; i < count; ++i) order[i] = i;
    for (int i = 1; i < count; ++i) {
      for (int j = i; j > 0 && length[order[j]] < length[order[j - 1]]; --j) {
        const int swap = order[j];
        order[j] = order[j - 1];
        order[j - 1] = swap;
      }
    }
    for (int i = 0; i < N; ++i) out[i] = made[order[selector]][i];
    return true;
  }
};

// Every root of f on (0, upper): a 64-step scan, each sign change refined by Brent's method to
// 1e-12 of `upper` within 100 steps. Returns how many were written (at most `capacity`).
template <typename Function>
int allRoots(Function f, double upper, double* roots, int capacity) {
  constexpr int kSteps = 64;
  int found = 0;
  double previous = upper * 1e-6;
  double previousValue = f(previous);
  for (int step = 1; step <= kSteps && found < capacity; ++step) {
    const double current = upper * step / kSteps;
    const double value = f(current);
    if (std::isfinite(previousValue) && std::isfinite(value) &&
        (previousValue > 0.0) != (value > 0.0)) {
      double root = 0.0;
      if (findRoot(f, previous, current, 1e-12 * upper, 100, &root)) roots[found++] = root;
    }
    previous = current;
    previousValue = value;
  }
  return found;
}

// Shift values of a clothoid A at radius R: Y_M = R cos(tau) + y and X_M = x - R sin(tau).
inline void clothoidShift(double parameter, double radius, double* ordinate, double* abscissa) {
  double x = 0.0, y = 0.0;
  CDRcalxy(parameter, radius, &x, &y);
  const double tau = clothoidTau(parameter, radius);
  *ordinate = radius * std::cos(tau) + y;
  *abscissa = x - radius * std::sin(tau);
}

// Parameters t where the point line.start + offset * left + t * u lies at `distanceFromPoint` from
// `point` (a line-circle intersection). Returns 0, 1 or 2.
inline int lineCircle(const Line& line, double offset, Point point, double distanceFromPoint,
                      double t[2]) {
  const Point left = leftOf(line.heading);
  const Point w{line.start.x + offset * left.x - point.x, line.start.y + offset * left.y - point.y};
  const double b = w.x * line.unit.x + w.y * line.unit.y;
  const double discriminant =
      b * b - (w.x * w.x + w.y * w.y - distanceFromPoint * distanceFromPoint);
  if (discriminant < 0.0) return 0;
  t[0] = -b - std::sqrt(discriminant);
  t[1] = -b + std::sqrt(discriminant);
  return discriminant == 0.0 ? 1 : 2;
}

}  // namespace kestrel::geometry::makers_detail
