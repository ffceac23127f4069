// Chain makers with clothoids: clothoid chains fitted between straights and arcs.
// Work in the computation frame; records enter and leave in the surveyor frame.
#include <cmath>
#include <initializer_list>

#include "kestrel/geometry_makers.h"
#include "makers_chain_parts.h"
#include "makers_detail.h"

namespace {

using namespace kestrel::geometry::makers_detail;

// The corner of two straights as an IP with a previous and a next IP on their lines.
bool cornerOf(const Line& first, const Line& second, double* x0, double* y0, IpRecord* ip,
              double* x2, double* y2) {
  Point corner{};
  if (CDlincros(first.start.x, first.start.y, first.unit.x, first.unit.y, second.start.x,
                second.start.y, second.unit.x, second.unit.y, &corner.x, &corner.y) != 0) {
    return false;
  }
  const double reach = 1000.0 + distance(first.start, corner) + distance(second.end, corner);
  ip->x = corner.x;
  ip->y = -corner.y;
  *x0 = corner.x - reach * first.unit.x;
  *y0 = -(corner.y - reach * first.unit.y);
  *x2 = corner.x + reach * second.unit.x;
  *y2 = -(corner.y + reach * second.unit.y);
  return true;
}

}  // namespace

extern "C" {

// Two clothoids (A1, A2 from their records) between two straights: the IP setter at their corner,
// then the straights cut (or extended) to the clothoid origins.
int16_t ali_AAmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* firstClothoid,
                    Calelm* secondClothoid) {
  Line first{}, second{};
  if (firstClothoid == nullptr || secondClothoid == nullptr ||
      !readStraight(firstStraight, &first) || !readStraight(secondStraight, &second)) {
    return -1;
  }
  IpRecord ip{};
  double x0 = 0.0, y0 = 0.0, x2 = 0.0, y2 = 0.0;
  if (!cornerOf(first, second, &x0, &y0, &ip, &x2, &y2)) return -1;
  ip.parameters[0] = firstClothoid->parameter;
  ip.parameters[1] = secondClothoid->parameter;
  Calelm made[4];
  if (ali_IPsetAA(x0, y0, &ip, x2, y2, &made[1], &made[2]) != 0 ||
      !straightRecord(first, first.start, startOf(made[1]), &made[0]) ||
      !straightRecord(second, endOf(made[2]), second.end, &made[3])) {
    return -1;
  }
  *firstStraight = made[0];
  *firstClothoid = made[1];
  *secondClothoid = made[2];
  *secondStraight = made[3];
  return 0;
}

// Clothoid, arc, clothoid (A1, R, A2 from their records) between two straights, as ali_AAmakSS.
int16_t ali_ARAmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* firstClothoid,
                     Calelm* arc, Calelm* secondClothoid) {
  Line first{}, second{};
  if (firstClothoid == nullptr || arc == nullptr || secondClothoid == nullptr ||
      !readStraight(firstStraight, &first) || !readStraight(secondStraight, &second)) {
    return -1;
  }
  IpRecord ip{};
  double x0 = 0.0, y0 = 0.0, x2 = 0.0, y2 = 0.0;
  if (!cornerOf(first, second, &x0, &y0, &ip, &x2, &y2)) return -1;
  ip.parameters[0] = firstClothoid->parameter;
  ip.parameters[1] = arc->parameter;
  ip.parameters[2] = secondClothoid->parameter;
  Calelm made[5];
  if (ali_IPsetARA(x0, y0, &ip, x2, y2, &made[1], &made[2], &made[3]) != 0 ||
      !(made[2].length > 0.0) || !straightRecord(first, first.start, startOf(made[1]), &made[0]) ||
      !straightRecord(second, endOf(made[3]), second.end, &made[4])) {
    return -1;
  }
  *firstStraight = made[0];
  *firstClothoid = made[1];
  *arc = made[2];
  *secondClothoid = made[3];
  *secondStraight = made[4];
  return 0;
}

// Clothoid from a straight into an arc: A solves Y_M(A, R) = offset of the arc's centre from the
// straight (scan and Brent's method); its origin lies X_M before the centre's foot.
int16_t ali_makSAR(Calelm* straight, Calelm* arc, Calelm* clothoid) {
  Line line{};
  Circle c2{};
  if (clothoid == nullptr || !readStraight(straight, &line) || !readArc(arc, &c2)) return -1;
  const Point left = leftOf(line.heading);
  const Point fromStart{c2.centre.x - line.start.x, c2.centre.y - line.start.y};
  const double offset = c2.sign * (fromStart.x * left.x + fromStart.y * left.y);
  if (!(offset > c2.radius)) return -1;
  const double radius = c2.radius;
  auto shiftMismatch = [&](double a) {
    double x = 0.0, y = 0.0;
    CDRcalxy(a, radius, &x, &y);
    return radius * std::cos(clothoidTau(a, radius)) + y - offset;
  };
  double parameter = 0.0;
  if (!firstRoot(shiftMismatch, largestParameter(radius), &parameter)) return -1;
  double x = 0.0, y = 0.0;
  CDRcalxy(parameter, radius, &x, &y);
  const double abscissa = x - radius * std::sin(clothoidTau(parameter, radius));
  const double along = fromStart.x * line.unit.x + fromStart.y * line.unit.y - abscissa;
  const Pose origin{line.start.x + along * line.unit.x, line.start.y + along * line.unit.y,
                    line.heading};
  Calelm made[3];
  if (!straightRecord(line, line.start, {origin.x, origin.y}, &made[0]) ||
      !clothoidRecord(origin, 1, c2.sign, parameter, 0.0, radius, &made[1]) ||
      !arcRecord(*arc, c2, endOf(made[1]), endOf(*arc), &made[2])) {
    return -1;
  }
  *straight = made[0];
  *clothoid = made[1];
  *arc = made[2];
  return 0;
}

// Clothoid between two arcs of the same sense, one inside the other: A from CDsetAToRAR, then the
// rigid transition turned about the first centre until it ends on the second circle.
int16_t ali_makRAR(Calelm* firstArc, Calelm* secondArc, Calelm* clothoid) {
  Circle c1{}, c2{};
  if (clothoid == nullptr || !readArc(firstArc, &c1) || !readArc(secondArc, &c2) ||
      c1.sign != c2.sign) {
    return -1;
  }
  double parameter = 0.0;
  if (CDsetAToRAR(c1.radius, c2.radius, distance(c1.centre, c2.centre), &parameter) != 0) {
    return -1;
  }
  auto transition = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, c1.sign, parameter, c1.radius, c2.radius),
                             c1.sign, c2.radius);
  };
  const Pose start = poseOnCircle(c1, polarAngleToReach(c1, c2.centre, transition));
  Calelm made[3];
  if (!arcRecord(*firstArc, c1, startOf(*firstArc), {start.x, start.y}, &made[0]) ||
      !clothoidRecord(start, 1, c1.sign, parameter, c1.radius, c2.radius, &made[1]) ||
      !arcRecord(*secondArc, c2, endOf(made[1]), endOf(*secondArc), &made[2])) {
    return -1;
  }
  *firstArc = made[0];
  *clothoid = made[1];
  *secondArc = made[2];
  return 0;
}

// Straight then clothoid (A from its record) between two arcs: the straight is tangent to the
// first circle and to the second circle widened to Y_M = R2 + dR (closed form as ali_SmakRR).
int16_t ali_SAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* straight, Calelm* clothoid) {
  Circle c1{}, c2{};
  if (straight == nullptr || clothoid == nullptr || !readArc(firstArc, &c1) ||
      !readArc(secondArc, &c2)) {
    return -1;
  }
  const double parameter = clothoid->parameter;
  if (!validEnd(parameter, c2.radius)) return -1;
  double x = 0.0, y = 0.0;
  CDRcalxy(parameter, c2.radius, &x, &y);
  const double tau = clothoidTau(parameter, c2.radius);
  const double shifted = c2.radius * std::cos(tau) + y;
  const double abscissa = x - c2.radius * std::sin(tau);
  const Point d{c2.centre.x - c1.centre.x, c2.centre.y - c1.centre.y};
  const double length = std::hypot(d.x, d.y);
  const double k = c2.sign * shifted - c1.sign * c1.radius;
  if (!(std::fabs(k) < length)) return -1;
  const double heading = headingOf(d) - std::asin(k / length);
  const Point left = leftOf(heading);
  const Point unit{std::cos(heading), std::sin(heading)};
  const Point p1{c1.centre.x - c1.sign * c1.radius * left.x,
                 c1.centre.y - c1.sign * c1.radius * left.y};
  const Point foot{c2.centre.x - c2.sign * shifted * left.x,
                   c2.centre.y - c2.sign * shifted * left.y};
  const Pose origin{foot.x - abscissa * unit.x, foot.y - abscissa * unit.y, heading};
  const Line line{p1, {origin.x, origin.y}, unit, heading};
  Calelm made[4];
  if (!arcRecord(*firstArc, c1, startOf(*firstArc), p1, &made[0]) ||
      !straightRecord(line, p1, {origin.x, origin.y}, &made[1]) ||
      !clothoidRecord(origin, 1, c2.sign, parameter, 0.0, c2.radius, &made[2]) ||
      !arcRecord(*secondArc, c2, endOf(made[2]), endOf(*secondArc), &made[3])) {
    return -1;
  }
  *firstArc = made[0];
  *straight = made[1];
  *clothoid = made[2];
  *secondArc = made[3];
  return 0;
}

// Clothoid, straight, clothoid (A1, A2 from their records) between two arcs: the straight is
// tangent to both circles widened by their clothoids' shifts (closed form).
int16_t ali_ASAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid, Calelm* straight,
                     Calelm* secondClothoid) {
  Circle c1{}, c2{};
  if (firstClothoid == nullptr || straight == nullptr || secondClothoid == nullptr ||
      !readArc(firstArc, &c1) || !readArc(secondArc, &c2)) {
    return -1;
  }
  const double a1 = firstClothoid->parameter, a2 = secondClothoid->parameter;
  if (!validEnd(a1, c1.radius) || !validEnd(a2, c2.radius)) return -1;
  double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
  CDRcalxy(a1, c1.radius, &x1, &y1);
  CDRcalxy(a2, c2.radius, &x2, &y2);
  const double tau1 = clothoidTau(a1, c1.radius), tau2 = clothoidTau(a2, c2.radius);
  const double shifted1 = c1.radius * std::cos(tau1) + y1;
  const double shifted2 = c2.radius * std::cos(tau2) + y2;
  const double abscissa1 = x1 - c1.radius * std::sin(tau1);
  const double abscissa2 = x2 - c2.radius * std::sin(tau2);
  const Point d{c2.centre.x - c1.centre.x, c2.centre.y - c1.centre.y};
  const double length = std::hypot(d.x, d.y);
  const double k = c2.sign * shifted2 - c1.sign * shifted1;
  if (!(std::fabs(k) < length)) return -1;
  const double heading = headingOf(d) - std::asin(k / length);
  const Point left = leftOf(heading);
  const Point unit{std::cos(heading), std::sin(heading)};
  const Point foot1{c1.centre.x - c1.sign * shifted1 * left.x,
                    c1.centre.y - c1.sign * shifted1 * left.y};
  const Point foot2{c2.centre.x - c2.sign * shifted2 * left.x,
                    c2.centre.y - c2.sign * shifted2 * left.y};
  const Pose end1{foot1.x + abscissa1 * unit.x, foot1.y + abscissa1 * unit.y, heading};
  const Pose origin2{foot2.x - abscissa2 * unit.x, foot2.y - abscissa2 * unit.y, heading};
  const Line line{{end1.x, end1.y}, {origin2.x, origin2.y}, unit, heading};
  Calelm made[5];
  if (!clothoidRecord(end1, 2, c1.sign, a1, c1.radius, 0.0, &made[1]) ||
      !arcRecord(*firstArc, c1, startOf(*firstArc), startOf(made[1]), &made[0]) ||
      !straightRecord(line, {end1.x, end1.y}, {origin2.x, origin2.y}, &made[2]) ||
      !clothoidRecord(origin2, 1, c2.sign, a2, 0.0, c2.radius, &made[3]) ||
      !arcRecord(*secondArc, c2, endOf(made[3]), endOf(*secondArc), &made[4])) {
    return -1;
  }
  *firstArc = made[0];
  *firstClothoid = made[1];
  *straight = made[2];
  *secondClothoid = made[3];
  *secondArc = made[4];
  return 0;
}

// Candidate centres of an arc of radius R reached from a given arc by a clothoid A and tangent to a
// second arc: at the clothoid's centre distance from the first centre and |s2 R2 - s1 R| from
// the second (circle intersection). Writes (X, Y) pairs in the surveyor frame; returns how many.
int16_t ARmakRR(const Calelm* firstArc, const Calelm* secondArc, double parameter, double radius,
                double centres[4]) {
  Circle c1{}, c2{};
  if (centres == nullptr || !readArc(firstArc, &c1) || !readArc(secondArc, &c2)) return -1;
  double transitionDistance = 0.0;
  if (!isPositiveLength(radius) ||
      CDOODistForRAR(parameter, c1.radius, radius, &transitionDistance) != 0) {
    return -1;
  }
  const double joinOffset = c2.sign * c2.radius - c1.sign * radius;
  if (std::fabs(joinOffset) < kLengthQuantum) return -1;
  Point found[2];
  const int count =
      circleIntersections(c1.centre, transitionDistance, c2.centre, std::fabs(joinOffset), found);
  for (int i = 0; i < count; ++i) {
    centres[2 * i] = found[i].x;
    centres[2 * i + 1] = -found[i].y;
  }
  return static_cast<int16_t>(count);
}

// Clothoid (A) then arc (R) between two arcs: centres from ARmakRR; the clothoid is turned about
// the first centre onto the new one; the first candidate that cuts every arc to a minor arc.
int16_t ali_ARmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* clothoid, Calelm* newArc) {
  Circle c1{}, c2{};
  if (clothoid == nullptr || newArc == nullptr || !readArc(firstArc, &c1) ||
      !readArc(secondArc, &c2)) {
    return -1;
  }
  const double parameter = clothoid->parameter, radius = newArc->parameter;
  double centres[4];
  const int count = ARmakRR(firstArc, secondArc, parameter, radius, centres);
  const double joinOffset = c2.sign * c2.radius - c1.sign * radius;
  auto transition = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, c1.sign, parameter, c1.radius, radius),
                             c1.sign, radius);
  };
  for (int i = 0; i < count; ++i) {
    const Circle c{toComputation(centres[2 * i], centres[2 * i + 1]), radius, c1.sign};
    const Pose start = poseOnCircle(c1, polarAngleToReach(c1, c.centre, transition));
    const Point normal{(c2.centre.x - c.centre.x) / joinOffset,
                       (c2.centre.y - c.centre.y) / joinOffset};
    const Point join{c.centre.x - c.sign * radius * normal.x,
                     c.centre.y - c.sign * radius * normal.y};
    Calelm made[4];
    if (arcRecord(*firstArc, c1, startOf(*firstArc), {start.x, start.y}, &made[0]) &&
        clothoidRecord(start, 1, c1.sign, parameter, c1.radius, radius, &made[1]) &&
        arcRecord(*newArc, c, endOf(made[1]), join, &made[2]) &&
        arcRecord(*secondArc, c2, join, endOf(*secondArc), &made[3])) {
      *firstArc = made[0];
      *clothoid = made[1];
      *newArc = made[2];
      *secondArc = made[3];
      return 0;
    }
  }
  return -1;
}

// Clothoid, arc, clothoid (A1, R, A2 from their records) between two arcs of one sense: the new
// centre is at the first clothoid's centre distance from C1 and the second's from C2.
int16_t ali_ARAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid, Calelm* newArc,
                     Calelm* secondClothoid) {
  Circle c1{}, c2{};
  if (firstClothoid == nullptr || newArc == nullptr || secondClothoid == nullptr ||
      !readArc(firstArc, &c1) || !readArc(secondArc, &c2) || c1.sign != c2.sign) {
    return -1;
  }
  const double a1 = firstClothoid->parameter, a2 = secondClothoid->parameter;
  const double radius = newArc->parameter;
  if (std::fabs(radius - c1.radius) < kLengthQuantum ||
      std::fabs(radius - c2.radius) < kLengthQuantum) {
    return -1;
  }
  double d1 = 0.0, d2 = 0.0;
  if (!isPositiveLength(radius) || CDOODistForRAR(a1, c1.radius, radius, &d1) != 0 ||
      CDOODistForRAR(a2, radius, c2.radius, &d2) != 0) {
    return -1;
  }
  const double sign = c1.sign;
  Point centres[2];
  const int count = circleIntersections(c1.centre, d1, c2.centre, d2, centres);
  auto first = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, sign, a1, c1.radius, radius), sign, radius);
  };
  auto second = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, sign, a2, radius, c2.radius), sign, c2.radius);
  };
  for (int i = 0; i < count; ++i) {
    const Circle c{centres[i], radius, sign};
    const Pose start1 = poseOnCircle(c1, polarAngleToReach(c1, c.centre, first));
    const Pose start2 = poseOnCircle(c, polarAngleToReach(c, c2.centre, second));
    Calelm made[5];
    if (arcRecord(*firstArc, c1, startOf(*firstArc), {start1.x, start1.y}, &made[0]) &&
        clothoidRecord(start1, 1, sign, a1, c1.radius, radius, &made[1]) &&
        clothoidRecord(start2, 1, sign, a2, radius, c2.radius, &made[3]) &&
        arcRecord(*newArc, c, endOf(made[1]), startOf(made[3]), &made[2]) &&
        arcRecord(*secondArc, c2, endOf(made[3]), endOf(*secondArc), &made[4])) {
      *firstArc = made[0];
      *firstClothoid = made[1];
      *newArc = made[2];
      *secondClothoid = made[3];
      *secondArc = made[4];
      return 0;
    }
  }
  return -1;
}

// Arc (R) then clothoid (A) from a straight into an arc: the new centre lies on the straight
// shifted by R and at the clothoid's centre distance from the arc's centre (a quadratic).
int16_t ali_RAmakSR(Calelm* straight, Calelm* arc, Calelm* newArc, Calelm* clothoid) {
  Line line{};
  Circle c2{};
  if (newArc == nullptr || clothoid == nullptr || !readStraight(straight, &line) ||
      !readArc(arc, &c2)) {
    return -1;
  }
  const double radius = newArc->parameter, parameter = clothoid->parameter;
  const double sign = c2.sign;
  double transitionDistance = 0.0;
  if (!isPositiveLength(radius) ||
      CDOODistForRAR(parameter, radius, c2.radius, &transitionDistance) != 0) {
    return -1;
  }
  const Point left = leftOf(line.heading);
  const Point shifted{line.start.x + sign * radius * left.x, line.start.y + sign * radius * left.y};
  const Point w{shifted.x - c2.centre.x, shifted.y - c2.centre.y};
  const double b = w.x * line.unit.x + w.y * line.unit.y;
  const double discriminant =
      b * b - (w.x * w.x + w.y * w.y - transitionDistance * transitionDistance);
  if (discriminant < 0.0) return -1;
  auto transition = [&](Pose pose) {
    return centreOfCurvature(advanceOnClothoid(pose, sign, parameter, radius, c2.radius), sign,
                             c2.radius);
  };
  for (const double t : {-b - std::sqrt(discriminant), -b + std::sqrt(discriminant)}) {
    const Circle c{{shifted.x + t * line.unit.x, shifted.y + t * line.unit.y}, radius, sign};
    const Point tangentPoint{line.start.x + t * line.unit.x, line.start.y + t * line.unit.y};
    const Pose start = poseOnCircle(c, polarAngleToReach(c, c2.centre, transition));
    Calelm made[4];
    if (straightRecord(line, line.start, tangentPoint, &made[0]) &&
        clothoidRecord(start, 1, sign, parameter, radius, c2.radius, &made[2]) &&
        arcRecord(*newArc, c, tangentPoint, startOf(made[2]), &made[1]) &&
        arcRecord(*arc, c2, endOf(made[2]), endOf(*arc), &made[3])) {
      *straight = made[0];
      *newArc = made[1];
      *clothoid = made[2];
      *arc = made[3];
      return 0;
    }
  }
  return -1;
}

}  // extern "C"

namespace {

// Two clothoids through a point of infinite radius between two arcs: A1 = k a1 and A2 = k a2
// keep the ratio the records give (1:1 when both are 0); k solves the centre distance by a scan
// and Brent's method.
int16_t twoClothoidsBetweenArcs(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid,
                                Calelm* secondClothoid) {
  Circle c1{}, c2{};
  if (firstClothoid == nullptr || secondClothoid == nullptr || !readArc(firstArc, &c1) ||
      !readArc(secondArc, &c2)) {
    return -1;
  }
  double ratio1 = firstClothoid->parameter, ratio2 = secondClothoid->parameter;
  if (ratio1 == 0.0 && ratio2 == 0.0) ratio1 = ratio2 = 1.0;
  if (!(ratio1 > 0.0) || !(ratio2 > 0.0)) return -1;
  const double upper =
      std::fmin(largestParameter(c1.radius) / ratio1, largestParameter(c2.radius) / ratio2);
  auto transition = [&](double scale, Pose pose) {
    const Pose inflection = advanceOnClothoid(pose, c1.sign, scale * ratio1, c1.radius, 0.0);
    return centreOfCurvature(advanceOnClothoid(inflection, c2.sign, scale * ratio2, 0.0, c2.radius),
                             c2.sign, c2.radius);
  };
  const double target = distance(c1.centre, c2.centre);
  auto mismatch = [&](double scale) {
    return distance(c1.centre, transition(scale, poseOnCircle(c1, 0.0))) - target;
  };
  double scale = 0.0;
  if (!firstRoot(mismatch, upper, &scale)) return -1;
  const double a1 = scale * ratio1, a2 = scale * ratio2;
  const Pose start = poseOnCircle(
      c1, polarAngleToReach(c1, c2.centre, [&](Pose pose) { return transition(scale, pose); }));
  const Pose inflection = advanceOnClothoid(start, c1.sign, a1, c1.radius, 0.0);
  Calelm made[4];
  if (!arcRecord(*firstArc, c1, startOf(*firstArc), {start.x, start.y}, &made[0]) ||
      !clothoidRecord(start, 1, c1.sign, a1, c1.radius, 0.0, &made[1]) ||
      !clothoidRecord(inflection, 1, c2.sign, a2, 0.0, c2.radius, &made[2]) ||
      !arcRecord(*secondArc, c2, endOf(made[2]), endOf(*secondArc), &made[3])) {
    return -1;
  }
  *firstArc = made[0];
  *firstClothoid = made[1];
  *secondClothoid = made[2];
  *secondArc = made[3];
  return 0;
}

}  // namespace

extern "C" {

int16_t ali_makRAAR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid,
                    Calelm* secondClothoid) {
  return twoClothoidsBetweenArcs(firstArc, secondArc, firstClothoid, secondClothoid);
}

// Four clothoids joining three arcs: two by two, the middle arc cut at both ends; nothing is
// written unless both joins succeed.
int16_t ali_mak3R4A(Calelm* firstArc, Calelm* middleArc, Calelm* lastArc, Calelm clothoids[4]) {
  if (firstArc == nullptr || middleArc == nullptr || lastArc == nullptr || clothoids == nullptr) {
    return -1;
  }
  Calelm first = *firstArc, middle = *middleArc, last = *lastArc;
  Calelm made[4] = {clothoids[0], clothoids[1], clothoids[2], clothoids[3]};
  if (twoClothoidsBetweenArcs(&first, &middle, &made[0], &made[1]) != 0 ||
      twoClothoidsBetweenArcs(&middle, &last, &made[2], &made[3]) != 0) {
    return -1;
  }
  *firstArc = first;
  *middleArc = middle;
  *lastArc = last;
  for (int i = 0; i < 4; ++i) clothoids[i] = made[i];
  return 0;
}

}  // extern "C"

extern "C" {

// Clothoid A1, arc R, clothoid A2 (to infinite radius), clothoid A3 from a straight into an arc.
// Sliding the chain along the straight moves its last centre along the straight, so the new arc's
// angle theta is the root of that centre's offset from the given centre across the straight
// (scan of (0, pi) and Brent's method); the slide then follows. The shortest chain is taken.
int16_t ali_ARAAmakSR(Calelm* straight, Calelm* arc, Calelm* firstClothoid, Calelm* newArc,
                      Calelm* secondClothoid, Calelm* thirdClothoid) {
  Line line{};
  Circle c2{};
  if (firstClothoid == nullptr || newArc == nullptr || secondClothoid == nullptr ||
      thirdClothoid == nullptr || !readStraight(straight, &line) || !readArc(arc, &c2)) {
    return -1;
  }
  const double a1 = firstClothoid->parameter, a2 = secondClothoid->parameter;
  const double a3 = thirdClothoid->parameter, radius = newArc->parameter;
  const double sign = newArc->turnSign;
  if (!isUnitSign(sign) || !isPositiveLength(radius) || !validEnd(a1, radius) ||
      !validEnd(a2, radius) || !validEnd(a3, c2.radius)) {
    return -1;
  }
  const Point left = leftOf(line.heading);
  auto walkChain = [&](double theta, Pose poses[5]) {
    poses[0] = {line.start.x, line.start.y, line.heading};
    poses[1] = advanceOnClothoid(poses[0], sign, a1, 0.0, radius);
    poses[2] = advanceOnArc(poses[1], sign, radius, theta);
    poses[3] = advanceOnClothoid(poses[2], sign, a2, radius, 0.0);
    poses[4] = advanceOnClothoid(poses[3], c2.sign, a3, 0.0, c2.radius);
  };
  auto lastCentre = [&](double theta) {
    Pose poses[5];
    walkChain(theta, poses);
    return centreOfCurvature(poses[4], c2.sign, c2.radius);
  };
  auto across = [&](double theta) {
    const Point centre = lastCentre(theta);
    return (c2.centre.x - centre.x) * left.x + (c2.centre.y - centre.y) * left.y;
  };
  double roots[4];
  const int count = allRoots(across, kPi, roots, 4);
  Candidates<6> candidates;
  for (int i = 0; i < count; ++i) {
    const Point centre = lastCentre(roots[i]);
    const double slide =
        (c2.centre.x - centre.x) * line.unit.x + (c2.centre.y - centre.y) * line.unit.y;
    Pose poses[5];
    walkChain(roots[i], poses);
    for (Pose& pose : poses) {
      pose.x += slide * line.unit.x;
      pose.y += slide * line.unit.y;
    }
    const Circle circle{centreOfCurvature(poses[1], sign, radius), radius, sign};
    Calelm made[6];
    if (straightRecord(line, line.start, {poses[0].x, poses[0].y}, &made[0]) &&
        clothoidRecord(poses[0], 1, sign, a1, 0.0, radius, &made[1]) &&
        arcRecord(*newArc, circle, {poses[1].x, poses[1].y}, {poses[2].x, poses[2].y}, &made[2]) &&
        clothoidRecord(poses[2], 1, sign, a2, radius, 0.0, &made[3]) &&
        clothoidRecord(poses[3], 1, c2.sign, a3, 0.0, c2.radius, &made[4]) &&
        arcRecord(*arc, c2, endOf(made[4]), endOf(*arc), &made[5])) {
      candidates.add(made);
    }
  }
  Calelm chosen[6];
  if (!candidates.pick(0, chosen)) return -1;
  *straight = chosen[0];
  *firstClothoid = chosen[1];
  *newArc = chosen[2];
  *secondClothoid = chosen[3];
  *thirdClothoid = chosen[4];
  *arc = chosen[5];
  return 0;
}

}  // extern "C"
