// Chain makers that end at a given point, and the array forms of the arc-to-arc makers.
// Each point maker collects every chain that fits (both turn senses where the sense is free) and
// the 16-bit selector picks one by total length: 0 the shortest, 1 the next, ...
#include <cmath>
#include <initializer_list>

#include "kestrel/geometry_makers.h"
#include "makers_chain_parts.h"
#include "makers_detail.h"

namespace {

using namespace kestrel::geometry::makers_detail;

Point pointOf(double X, double Y) {
  return toComputation(X, Y);
}

// Centre of curvature of the end of a two-clothoid transition (R1 -> infinite -> R) leaving a
// circle from the pose.
Point inflectionTransition(Pose pose, double firstSign, double firstParameter, double fromRadius,
                           double secondSign, double secondParameter, double toRadius) {
  const Pose inflection = advanceOnClothoid(pose, firstSign, firstParameter, fromRadius, 0.0);
  return centreOfCurvature(
      advanceOnClothoid(inflection, secondSign, secondParameter, 0.0, toRadius), secondSign,
      toRadius);
}

}  // namespace

extern "C" {

// Arc of radius R (field 6) tangent to a straight and ending at P: its centre lies on the
// straight shifted by +-R and at R from P (line-circle intersection).
int16_t ali_maksR_P(double px, double py, int16_t selector, Calelm* straight, Calelm* arc) {
  Line line{};
  if (arc == nullptr || !readStraight(straight, &line) || !isPositiveLength(arc->parameter))
    return -1;
  const Point target = pointOf(px, py);
  const double radius = arc->parameter;
  Candidates<2> candidates;
  for (const double sign : {1.0, -1.0}) {
    double t[2];
    const int count = lineCircle(line, sign * radius, target, radius, t);
    for (int i = 0; i < count; ++i) {
      const Point left = leftOf(line.heading);
      const Point tangent{line.start.x + t[i] * line.unit.x, line.start.y + t[i] * line.unit.y};
      const Circle circle{
          {tangent.x + sign * radius * left.x, tangent.y + sign * radius * left.y}, radius, sign};
      Calelm made[2];
      if (straightRecord(line, line.start, tangent, &made[0]) &&
          arcRecord(*arc, circle, tangent, target, &made[1])) {
        candidates.add(made);
      }
    }
  }
  Calelm chosen[2];
  if (!candidates.pick(selector, chosen)) return -1;
  *straight = chosen[0];
  *arc = chosen[1];
  return 0;
}

// Arc of radius R (field 6) leaving a given arc tangentially and ending at P: its centre is at
// |s R - s1 R1| from the given centre and R from P (circle intersection).
int16_t ali_makrR_P(double px, double py, int16_t selector, Calelm* arc, Calelm* newArc) {
  Circle given{};
  if (newArc == nullptr || !readArc(arc, &given) || !isPositiveLength(newArc->parameter)) return -1;
  const Point target = pointOf(px, py);
  const double radius = newArc->parameter;
  Candidates<2> candidates;
  for (const double sign : {1.0, -1.0}) {
    const double offset = sign * radius - given.sign * given.radius;
    if (std::fabs(offset) < kLengthQuantum) continue;
    Point centres[2];
    const int count = circleIntersections(given.centre, std::fabs(offset), target, radius, centres);
    for (int i = 0; i < count; ++i) {
      const Circle circle{centres[i], radius, sign};
      const Point normal{(circle.centre.x - given.centre.x) / offset,
                         (circle.centre.y - given.centre.y) / offset};
      const Point join{circle.centre.x - sign * radius * normal.x,
                       circle.centre.y - sign * radius * normal.y};
      Calelm made[2];
      if (arcRecord(*arc, given, startOf(*arc), join, &made[0]) &&
          arcRecord(*newArc, circle, join, target, &made[1])) {
        candidates.add(made);
      }
    }
  }
  Calelm chosen[2];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *newArc = chosen[1];
  return 0;
}

// Straight leaving a given arc tangentially toward P: the tangent from P to the circle whose
// direction agrees with the arc's sense (closed form; at most one, selector 0).
int16_t ali_makrS_P(double px, double py, int16_t selector, Calelm* arc, Calelm* straight) {
  Circle given{};
  if (straight == nullptr || !readArc(arc, &given)) return -1;
  const Point target = pointOf(px, py);
  const double reach = distance(target, given.centre);
  if (!(reach > given.radius)) return -1;
  const double towardPoint = headingOf({target.x - given.centre.x, target.y - given.centre.y});
  const double opening = std::acos(given.radius / reach);
  Candidates<2> candidates;
  for (const double side : {1.0, -1.0}) {
    const Pose tangent = poseOnCircle(given, towardPoint + side * opening);
    const Line line{{tangent.x, tangent.y},
                    target,
                    {std::cos(tangent.heading), std::sin(tangent.heading)},
                    tangent.heading};
    Calelm made[2];
    if (arcRecord(*arc, given, startOf(*arc), {tangent.x, tangent.y}, &made[0]) &&
        straightRecord(line, {tangent.x, tangent.y}, target, &made[1])) {
      candidates.add(made);
    }
  }
  Calelm chosen[2];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *straight = chosen[1];
  return 0;
}

// Clothoid (A, field 6) from a straight into an arc (R, field 6) ending at P: the arc's centre
// lies on the straight shifted by +-Y_M and at R from P; the origin is X_M before its foot.
int16_t ali_maksAR_P(double px, double py, int16_t selector, Calelm* straight, Calelm* clothoid,
                     Calelm* arc) {
  Line line{};
  if (clothoid == nullptr || arc == nullptr || !readStraight(straight, &line)) return -1;
  const double parameter = clothoid->parameter, radius = arc->parameter;
  if (!isPositiveLength(radius) || !validEnd(parameter, radius)) return -1;
  const Point target = pointOf(px, py);
  double ordinate = 0.0, abscissa = 0.0;
  clothoidShift(parameter, radius, &ordinate, &abscissa);
  Candidates<3> candidates;
  for (const double sign : {1.0, -1.0}) {
    double t[2];
    const int count = lineCircle(line, sign * ordinate, target, radius, t);
    for (int i = 0; i < count; ++i) {
      const Pose origin{line.start.x + (t[i] - abscissa) * line.unit.x,
                        line.start.y + (t[i] - abscissa) * line.unit.y, line.heading};
      const Point left = leftOf(line.heading);
      const Circle circle{{line.start.x + t[i] * line.unit.x + sign * ordinate * left.x,
                           line.start.y + t[i] * line.unit.y + sign * ordinate * left.y},
                          radius,
                          sign};
      Calelm made[3];
      if (straightRecord(line, line.start, {origin.x, origin.y}, &made[0]) &&
          clothoidRecord(origin, 1, sign, parameter, 0.0, radius, &made[1]) &&
          arcRecord(*arc, circle, endOf(made[1]), target, &made[2])) {
        candidates.add(made);
      }
    }
  }
  Calelm chosen[3];
  if (!candidates.pick(selector, chosen)) return -1;
  *straight = chosen[0];
  *clothoid = chosen[1];
  *arc = chosen[2];
  return 0;
}

// Clothoid (A) from a given arc to a new arc (R) ending at P: the new centre is at the clothoid's
// centre distance from the given centre and R from P; the clothoid is turned onto it.
int16_t ali_makrAR_P(double px, double py, int16_t selector, Calelm* arc, Calelm* clothoid,
                     Calelm* newArc) {
  Circle given{};
  if (clothoid == nullptr || newArc == nullptr || !readArc(arc, &given)) return -1;
  const double parameter = clothoid->parameter, radius = newArc->parameter;
  double transitionDistance = 0.0;
  if (!isPositiveLength(radius) ||
      CDOODistForRAR(parameter, given.radius, radius, &transitionDistance) != 0) {
    return -1;
  }
  const Point target = pointOf(px, py);
  const double sign = given.sign;
  auto transition = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, sign, parameter, given.radius, radius), sign,
                             radius);
  };
  Point centres[2];
  const int count = circleIntersections(given.centre, transitionDistance, target, radius, centres);
  Candidates<3> candidates;
  for (int i = 0; i < count; ++i) {
    const Circle circle{centres[i], radius, sign};
    const Pose start = poseOnCircle(given, polarAngleToReach(given, circle.centre, transition));
    Calelm made[3];
    if (arcRecord(*arc, given, startOf(*arc), {start.x, start.y}, &made[0]) &&
        clothoidRecord(start, 1, sign, parameter, given.radius, radius, &made[1]) &&
        arcRecord(*newArc, circle, endOf(made[1]), target, &made[2])) {
      candidates.add(made);
    }
  }
  Calelm chosen[3];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *clothoid = chosen[1];
  *newArc = chosen[2];
  return 0;
}

// Clothoid (A) out of a given arc onto a straight through P: the straight touches the given
// circle widened to Y_M; the clothoid's origin lies X_M beyond that touching point.
int16_t ali_makrAS_P(double px, double py, int16_t selector, Calelm* arc, Calelm* clothoid,
                     Calelm* straight) {
  Circle given{};
  if (clothoid == nullptr || straight == nullptr || !readArc(arc, &given)) return -1;
  const double parameter = clothoid->parameter;
  if (!validEnd(parameter, given.radius)) return -1;
  double ordinate = 0.0, abscissa = 0.0;
  clothoidShift(parameter, given.radius, &ordinate, &abscissa);
  const Circle widened{given.centre, ordinate, given.sign};
  const Point target = pointOf(px, py);
  const double reach = distance(target, given.centre);
  if (!(reach > ordinate)) return -1;
  const double towardPoint = headingOf({target.x - given.centre.x, target.y - given.centre.y});
  const double opening = std::acos(ordinate / reach);
  Candidates<3> candidates;
  for (const double side : {1.0, -1.0}) {
    const Pose foot = poseOnCircle(widened, towardPoint + side * opening);
    const Point unit{std::cos(foot.heading), std::sin(foot.heading)};
    const Pose origin{foot.x + abscissa * unit.x, foot.y + abscissa * unit.y, foot.heading};
    const Line line{{origin.x, origin.y}, target, unit, foot.heading};
    Calelm made[3];
    if (clothoidRecord(origin, 2, given.sign, parameter, given.radius, 0.0, &made[1]) &&
        arcRecord(*arc, given, startOf(*arc), startOf(made[1]), &made[0]) &&
        straightRecord(line, {origin.x, origin.y}, target, &made[2])) {
      candidates.add(made);
    }
  }
  Calelm chosen[3];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *clothoid = chosen[1];
  *straight = chosen[2];
  return 0;
}

// Two clothoids (A1, A2) through a point of infinite radius from a given arc into a new arc (R)
// ending at P; the second clothoid and the new arc may turn either way.
int16_t ali_makrAAR_P(double px, double py, int16_t selector, Calelm* arc, Calelm* firstClothoid,
                      Calelm* secondClothoid, Calelm* newArc) {
  Circle given{};
  if (firstClothoid == nullptr || secondClothoid == nullptr || newArc == nullptr ||
      !readArc(arc, &given)) {
    return -1;
  }
  const double a1 = firstClothoid->parameter, a2 = secondClothoid->parameter;
  const double radius = newArc->parameter;
  if (!isPositiveLength(radius) || !validEnd(a1, given.radius) || !validEnd(a2, radius)) return -1;
  const Point target = pointOf(px, py);
  Candidates<4> candidates;
  for (const double sign : {1.0, -1.0}) {
    auto transition = [&](Pose pose) {
      return inflectionTransition(pose, given.sign, a1, given.radius, sign, a2, radius);
    };
    const double transitionDistance = distance(given.centre, transition(poseOnCircle(given, 0.0)));
    Point centres[2];
    const int count =
        circleIntersections(given.centre, transitionDistance, target, radius, centres);
    for (int i = 0; i < count; ++i) {
      const Circle circle{centres[i], radius, sign};
      const Pose start = poseOnCircle(given, polarAngleToReach(given, circle.centre, transition));
      const Pose inflection = advanceOnClothoid(start, given.sign, a1, given.radius, 0.0);
      Calelm made[4];
      if (arcRecord(*arc, given, startOf(*arc), {start.x, start.y}, &made[0]) &&
          clothoidRecord(start, 1, given.sign, a1, given.radius, 0.0, &made[1]) &&
          clothoidRecord(inflection, 1, sign, a2, 0.0, radius, &made[2]) &&
          arcRecord(*newArc, circle, endOf(made[2]), target, &made[3])) {
        candidates.add(made);
      }
    }
  }
  Calelm chosen[4];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *firstClothoid = chosen[1];
  *secondClothoid = chosen[2];
  *newArc = chosen[3];
  return 0;
}

// Parameter A of a clothoid from the end O of a straight into an arc of radius R through P: the
// arc's centre O + X_M(A) u + s Y_M(A) n must lie R from P; the smallest root found by a scan and
// Brent's method over R/A > 0.56. The sign s is the side of the straight P lies on.
int16_t setAOR_P(double px, double py, const Calelm* straight, double radius, double* parameter) {
  Line line{};
  if (parameter == nullptr || !readStraight(straight, &line) || !isPositiveLength(radius))
    return -1;
  const Point target = pointOf(px, py);
  const Point left = leftOf(line.heading);
  const double side = (target.x - line.end.x) * left.x + (target.y - line.end.y) * left.y;
  if (side == 0.0) return -1;
  const double sign = side > 0.0 ? 1.0 : -1.0;
  auto mismatch = [&](double a) {
    double ordinate = 0.0, abscissa = 0.0;
    clothoidShift(a, radius, &ordinate, &abscissa);
    const Point centre{line.end.x + abscissa * line.unit.x + sign * ordinate * left.x,
                       line.end.y + abscissa * line.unit.y + sign * ordinate * left.y};
    return distance(centre, target) - radius;
  };
  double solved = 0.0;
  if (!firstRoot(mismatch, largestParameter(radius), &solved)) return -1;
  *parameter = solved;
  return 0;
}

// Clothoid from the end of a straight (its origin) into an arc of radius R (field 6) ending at P;
// A from setAOR_P (selector 0: the smallest A; 1: the next root).
int16_t ali_makAOR_P(double px, double py, int16_t selector, Calelm* straight, Calelm* clothoid,
                     Calelm* arc) {
  Line line{};
  if (clothoid == nullptr || arc == nullptr || !readStraight(straight, &line)) return -1;
  const double radius = arc->parameter;
  double first = 0.0;
  if (setAOR_P(px, py, straight, radius, &first) != 0) return -1;
  const Point target = pointOf(px, py);
  const Point left = leftOf(line.heading);
  const double sign =
      (target.x - line.end.x) * left.x + (target.y - line.end.y) * left.y > 0.0 ? 1.0 : -1.0;
  auto mismatch = [&](double a) {
    double ordinate = 0.0, abscissa = 0.0;
    clothoidShift(a, radius, &ordinate, &abscissa);
    return distance({line.end.x + abscissa * line.unit.x + sign * ordinate * left.x,
                     line.end.y + abscissa * line.unit.y + sign * ordinate * left.y},
                    target) -
           radius;
  };
  double roots[4];
  const int count = allRoots(mismatch, largestParameter(radius), roots, 4);
  Candidates<2> candidates;
  for (int i = 0; i < count; ++i) {
    double ordinate = 0.0, abscissa = 0.0;
    clothoidShift(roots[i], radius, &ordinate, &abscissa);
    const Circle circle{{line.end.x + abscissa * line.unit.x + sign * ordinate * left.x,
                         line.end.y + abscissa * line.unit.y + sign * ordinate * left.y},
                        radius,
                        sign};
    Calelm made[2];
    if (clothoidRecord({line.end.x, line.end.y, line.heading}, 1, sign, roots[i], 0.0, radius,
                       &made[0]) &&
        arcRecord(*arc, circle, endOf(made[0]), target, &made[1])) {
      candidates.add(made);
    }
  }
  Calelm chosen[2];
  if (!candidates.pick(selector, chosen)) return -1;
  *clothoid = chosen[0];
  *arc = chosen[1];
  return 0;
}

// elements[0] arc, [1] clothoid made, [2] arc: ali_makRAR on an array.
int16_t alimake_rfArf(Calelm elements[3]) {
  if (elements == nullptr) return -1;
  return ali_makRAR(&elements[0], &elements[2], &elements[1]);
}

// elements[0] arc, [1] and [2] clothoids made with A1 : A2 = ratio (0 for 1:1), [3] arc.
int16_t alimake_rfAArf(Calelm elements[4], double ratio) {
  if (elements == nullptr || ratio < 0.0) return -1;
  Calelm first = elements[1], second = elements[2];
  first.parameter = ratio == 0.0 ? 1.0 : ratio;
  second.parameter = 1.0;
  Calelm arcs[2] = {elements[0], elements[3]};
  if (ali_makRAAR(&arcs[0], &arcs[1], &first, &second) != 0) return -1;
  elements[0] = arcs[0];
  elements[1] = first;
  elements[2] = second;
  elements[3] = arcs[1];
  return 0;
}

// elements[0] arc, [1] clothoid made, [2] straight: the clothoid out of the arc onto the straight,
// solved as ali_makSAR on the chain run backward.
int16_t alimake_rfAsf(Calelm elements[3]) {
  if (elements == nullptr) return -1;
  Calelm arc = elements[0], straight = elements[2];
  // Run backward: the straight first, toward the arc, the arc turning the other way.
  Calelm backwardStraight = straight;
  backwardStraight.startX = straight.endX;
  backwardStraight.startY = straight.endY;
  backwardStraight.endX = straight.startX;
  backwardStraight.endY = straight.startY;
  Calelm backwardArc = arc;
  backwardArc.startX = arc.endX;
  backwardArc.startY = arc.endY;
  backwardArc.endX = arc.startX;
  backwardArc.endY = arc.startY;
  backwardArc.turnSign = -arc.turnSign;
  if (ali_makS(&backwardStraight) != 0 || ali_makR(&backwardArc) != 0) return -1;
  Calelm clothoid{};
  if (ali_makSAR(&backwardStraight, &backwardArc, &clothoid) != 0) return -1;
  // Turn the three made records around again.
  CDreverA(&clothoid, 1);
  if (ali_makA(&clothoid) < 0) return -1;
  Calelm forwardArc = backwardArc;
  forwardArc.startX = backwardArc.endX;
  forwardArc.startY = backwardArc.endY;
  forwardArc.endX = backwardArc.startX;
  forwardArc.endY = backwardArc.startY;
  forwardArc.turnSign = arc.turnSign;
  Calelm forwardStraight = backwardStraight;
  forwardStraight.startX = backwardStraight.endX;
  forwardStraight.startY = backwardStraight.endY;
  forwardStraight.endX = backwardStraight.startX;
  forwardStraight.endY = backwardStraight.startY;
  if (ali_makR(&forwardArc) != 0 || ali_makS(&forwardStraight) != 0) return -1;
  elements[0] = forwardArc;
  elements[1] = clothoid;
  elements[2] = forwardStraight;
  return 0;
}

// Arc through P joining a given arc to a given straight, tangent to both; its radius is solved.
// With the tangent point T = Q + t u on the straight and the centre C = T + s R n, passing through
// P makes R a quadratic in t; tangency to the given circle (|C - C1| = |s R - s1 R1|) leaves one
// equation in t (a quartic), whose roots are bracketed by a 4096-step scan of t over a span that
// covers the whole figure and refined by Brent's method (1e-12 of the span, 100 steps).
int16_t ali_makrR_P_S(double px, double py, int16_t selector, Calelm* arc, Calelm* newArc,
                      Calelm* straight) {
  Circle given{};
  Line line{};
  if (newArc == nullptr || !readArc(arc, &given) || !readStraight(straight, &line)) return -1;
  const Point target = pointOf(px, py);
  const Point normal = leftOf(line.heading);
  const Point fromPoint{line.start.x - target.x, line.start.y - target.y};
  const Point fromCentre{line.start.x - given.centre.x, line.start.y - given.centre.y};
  const double pointAlong = fromPoint.x * line.unit.x + fromPoint.y * line.unit.y;
  const double pointAcross = fromPoint.x * normal.x + fromPoint.y * normal.y;
  if (std::fabs(pointAcross) < kLengthQuantum) return -1;  // P on the straight
  const double centreAlong = fromCentre.x * line.unit.x + fromCentre.y * line.unit.y;
  const double centreAcross = fromCentre.x * normal.x + fromCentre.y * normal.y;
  const double span = 4.0 * (std::hypot(fromPoint.x, fromPoint.y) +
                             std::hypot(fromCentre.x, fromCentre.y) + given.radius);
  Candidates<3> candidates;
  for (const double sign : {1.0, -1.0}) {
    // Radius for which the circle touching the straight at t passes through P.
    auto radiusAt = [&](double t) {
      return -(t * t + 2.0 * t * pointAlong + fromPoint.x * fromPoint.x +
               fromPoint.y * fromPoint.y) /
             (2.0 * sign * pointAcross);
    };
    auto tangency = [&](double t) {
      const double radius = radiusAt(t);
      return t * t + 2.0 * t * centreAlong + fromCentre.x * fromCentre.x +
             fromCentre.y * fromCentre.y - given.radius * given.radius +
             2.0 * sign * radius * (centreAcross + given.sign * given.radius);
    };
    constexpr int kSteps = 4096;
    double previous = -span, previousValue = tangency(previous);
    for (int step = 1; step <= kSteps; ++step) {
      const double current = -span + 2.0 * span * step / kSteps;
      const double value = tangency(current);
      double t = 0.0;
      if ((previousValue > 0.0) != (value > 0.0) &&
          findRoot(tangency, previous, current, 1e-12 * span, 100, &t)) {
        const double radius = radiusAt(t);
        const double offset = sign * radius - given.sign * given.radius;
        if (radius > kLengthQuantum && std::fabs(offset) >= kLengthQuantum) {
          const Point tangent{line.start.x + t * line.unit.x, line.start.y + t * line.unit.y};
          const Circle circle{
              {tangent.x + sign * radius * normal.x, tangent.y + sign * radius * normal.y},
              radius,
              sign};
          const Point toJoin{(circle.centre.x - given.centre.x) / offset,
                             (circle.centre.y - given.centre.y) / offset};
          const Point join{circle.centre.x - sign * radius * toJoin.x,
                           circle.centre.y - sign * radius * toJoin.y};
          Calelm made[3];
          // P must lie on the new arc, between the two tangent points.
          if (sweep(circle, join, target) <= sweep(circle, join, tangent) &&
              arcRecord(*arc, given, startOf(*arc), join, &made[0]) &&
              arcRecord(*newArc, circle, join, tangent, &made[1]) &&
              straightRecord(line, tangent, line.end, &made[2])) {
            candidates.add(made);
          }
        }
      }
      previous = current;
      previousValue = value;
    }
  }
  Calelm chosen[3];
  if (!candidates.pick(selector, chosen)) return -1;
  *arc = chosen[0];
  *newArc = chosen[1];
  *straight = chosen[2];
  return 0;
}

}  // extern "C"
