// Chain makers: straights and arcs fitted between given elements, and the clothoid distance
// helpers the clothoid chains share.
// Work in the computation frame; records enter and leave in the surveyor frame.
#include <cmath>
#include <initializer_list>

#include "kestrel/geometry_makers.h"
#include "makers_chain_parts.h"
#include "makers_detail.h"

namespace {

using namespace kestrel::geometry::makers_detail;

// Extents below this do not define a direction.
constexpr double kDegenerateExtent = 1e-10;

enum class Position { Before, On, Beyond, Unclassified };

// Fraction of a point along a segment from its start (0) to its end (1), taken on X, or on Y when
// the X extent is too small to measure on.
bool fractionAlong(Point start, Point end, Point point, double* fraction) {
  const double extentX = end.x - start.x;
  const double extentY = end.y - start.y;
  if (std::fabs(extentX) >= kDegenerateExtent) {
    *fraction = (point.x - start.x) / extentX;
    return true;
  }
  if (std::fabs(extentY) >= kDegenerateExtent) {
    *fraction = (point.y - start.y) / extentY;
    return true;
  }
  return false;
}

Position positionOn(Point start, Point end, Point point) {
  double fraction = 0.0;
  if (!fractionAlong(start, end, point, &fraction)) return Position::Unclassified;
  if (fraction < 0.0) return Position::Before;
  return fraction <= 1.0 ? Position::On : Position::Beyond;
}

Point movedAlong(Point point, Point direction, double distanceToMove) {
  const double length = std::hypot(direction.x, direction.y);
  if (length < kDegenerateExtent) return point;
  return {point.x + distanceToMove * direction.x / length,
          point.y + distanceToMove * direction.y / length};
}

}  // namespace

extern "C" {

// Arc of radius R tangent to two straights: tangent length T = |tan(IA/2) R| from their corner;
// the straights are cut back to the tangent points and never lengthened.
int16_t ali_RmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* arc) {
  if (firstStraight == nullptr || secondStraight == nullptr || arc == nullptr) return -1;
  const Point firstStart{firstStraight->startX, -firstStraight->startY};
  const Point firstEnd{firstStraight->endX, -firstStraight->endY};
  const Point secondStart{secondStraight->startX, -secondStraight->startY};
  const Point secondEnd{secondStraight->endX, -secondStraight->endY};
  const Point firstDirection{firstEnd.x - firstStart.x, firstEnd.y - firstStart.y};
  const Point secondDirection{secondEnd.x - secondStart.x, secondEnd.y - secondStart.y};

  Point corner{};
  if (CDlincros(firstStart.x, firstStart.y, firstDirection.x, firstDirection.y, secondStart.x,
                secondStart.y, secondDirection.x, secondDirection.y, &corner.x, &corner.y) != 0) {
    return -1;
  }
  const Position onFirst = positionOn(firstStart, firstEnd, corner);
  const Position onSecond = positionOn(secondStart, secondEnd, corner);
  if (onFirst == Position::Before && onSecond != Position::Unclassified) return -1;
  if (onSecond == Position::Beyond) return -1;

  const double deflection = CDbtwang(firstStart.x, firstStart.y, firstEnd.x, firstEnd.y,
                                     secondStart.x, secondStart.y, secondEnd.x, secondEnd.y);
  const double radius = arc->parameter;
  const double tangentLength = std::fabs(std::tan(deflection / 2.0) * radius);
  const Point arcStart = movedAlong(corner, firstDirection, -tangentLength);
  const Point arcEnd = movedAlong(corner, secondDirection, tangentLength);
  if (positionOn(firstStart, firstEnd, arcStart) == Position::Beyond) return -1;
  if (positionOn(secondStart, secondEnd, arcEnd) == Position::Before) return -1;
  // Nor may it turn a straight around (tangent point behind its start or past its end).
  if (positionOn(firstStart, firstEnd, arcStart) == Position::Before) return -1;
  if (positionOn(secondStart, secondEnd, arcEnd) == Position::Beyond) return -1;

  Calelm first = *firstStraight, second = *secondStraight, made = *arc;
  first.endX = ali_CAroundNum(arcStart.x);
  first.endY = ali_CAroundNum(-arcStart.y);
  second.startX = ali_CAroundNum(arcEnd.x);
  second.startY = ali_CAroundNum(-arcEnd.y);
  made.kind = CALELM_ARC;
  made.startX = first.endX;
  made.startY = first.endY;
  made.endX = second.startX;
  made.endY = second.startY;
  // A deflection below pi turns counter-clockwise in this frame: a left turn.
  made.turnSign = deflection < kPi ? 1.0 : -1.0;
  if (ali_makS(&first) != 0 || ali_makS(&second) != 0) return -1;
  const int16_t status = ali_makR(&made);
  *firstStraight = first;
  *secondStraight = second;
  *arc = made;
  return status;
}

}  // extern "C"

extern "C" {

// Centre distance of the circles joined by a clothoid A from r1 to r2 (both finite, distinct).
int16_t CDOODistForRAR(double parameter, double r1, double r2, double* centreDistance) {
  if (centreDistance == nullptr || r1 == 0.0 || r2 == 0.0 || !validEnd(parameter, r1) ||
      !validEnd(parameter, r2) ||
      std::fabs(CDRlen(parameter, r1) - CDRlen(parameter, r2)) < kLengthQuantum) {
    return -1;
  }
  *centreDistance = clothoidCentreDistance(std::fabs(parameter), std::fabs(r1), std::fabs(r2));
  return 0;
}

// Clothoid parameter whose circles of radii r1 and r2 lie the given distance apart. The distance
// falls from |r1 - r2| as A grows; the smallest A that reaches it is found by a scan and Brent's
// method. -1 when no valid A (R/A > 0.56 at both ends) reaches it.
int16_t CDsetAToRAR(double r1, double r2, double centreDistance, double* parameter) {
  if (parameter == nullptr || !isPositiveLength(r1) || !isPositiveLength(r2) ||
      std::fabs(r1 - r2) < kLengthQuantum || !isPositiveLength(centreDistance) ||
      centreDistance >= std::fabs(r1 - r2)) {
    return -1;
  }
  double solved = 0.0;
  if (!firstRoot([&](double a) { return clothoidCentreDistance(a, r1, r2) - centreDistance; },
                 largestParameter(std::fmin(r1, r2)), &solved)) {
    return -1;
  }
  *parameter = solved;
  return 0;
}

// Straight tangent to two arcs, leaving the first and entering the second in their senses: with
// D = C2 - C1 and k = s2 R2 - s1 R1, its direction a satisfies |D| sin(angle(D) - a) = k.
int16_t ali_SmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* straight) {
  Circle c1{}, c2{};
  if (straight == nullptr || !readArc(firstArc, &c1) || !readArc(secondArc, &c2)) return -1;
  const Point d{c2.centre.x - c1.centre.x, c2.centre.y - c1.centre.y};
  const double length = std::hypot(d.x, d.y);
  const double k = c2.sign * c2.radius - c1.sign * c1.radius;
  if (!(std::fabs(k) < length)) return -1;
  const double heading = headingOf(d) - std::asin(k / length);
  const Point left = leftOf(heading);
  const Point p1{c1.centre.x - c1.sign * c1.radius * left.x,
                 c1.centre.y - c1.sign * c1.radius * left.y};
  const Point p2{c2.centre.x - c2.sign * c2.radius * left.x,
                 c2.centre.y - c2.sign * c2.radius * left.y};
  const Line line{p1, p2, {std::cos(heading), std::sin(heading)}, heading};
  Calelm made[3];
  if (!arcRecord(*firstArc, c1, startOf(*firstArc), p1, &made[0]) ||
      !straightRecord(line, p1, p2, &made[1]) ||
      !arcRecord(*secondArc, c2, p2, endOf(*secondArc), &made[2])) {
    return -1;
  }
  *firstArc = made[0];
  *straight = made[1];
  *secondArc = made[2];
  return 0;
}

// Arc of radius R and sign s (from its record) tangent to a straight and to an arc: its centre
// lies on the straight shifted by s R and at |s2 R2 - s R| from the arc's centre (a quadratic);
// the first root that trims every element to a real minor arc or straight is taken.
int16_t ali_RmakSR(Calelm* straight, Calelm* arc, Calelm* newArc) {
  Line line{};
  Circle c2{};
  if (newArc == nullptr || !readStraight(straight, &line) || !readArc(arc, &c2)) return -1;
  const double radius = newArc->parameter, sign = newArc->turnSign;
  if (!isPositiveLength(radius) || !isUnitSign(sign)) return -1;
  const double joinOffset = c2.sign * c2.radius - sign * radius;
  if (std::fabs(joinOffset) < kLengthQuantum) return -1;
  const Point left = leftOf(line.heading);
  const Point shifted{line.start.x + sign * radius * left.x, line.start.y + sign * radius * left.y};
  const Point w{shifted.x - c2.centre.x, shifted.y - c2.centre.y};
  const double b = w.x * line.unit.x + w.y * line.unit.y;
  const double discriminant = b * b - (w.x * w.x + w.y * w.y - joinOffset * joinOffset);
  if (discriminant < 0.0) return -1;
  for (const double t : {-b - std::sqrt(discriminant), -b + std::sqrt(discriminant)}) {
    const Circle c{{shifted.x + t * line.unit.x, shifted.y + t * line.unit.y}, radius, sign};
    const Point tangentPoint{line.start.x + t * line.unit.x, line.start.y + t * line.unit.y};
    const Point normal{(c2.centre.x - c.centre.x) / joinOffset,
                       (c2.centre.y - c.centre.y) / joinOffset};
    const Point join{c.centre.x - sign * radius * normal.x, c.centre.y - sign * radius * normal.y};
    Calelm made[3];
    if (straightRecord(line, line.start, tangentPoint, &made[0]) &&
        arcRecord(*newArc, c, tangentPoint, join, &made[1]) &&
        arcRecord(*arc, c2, join, endOf(*arc), &made[2])) {
      *straight = made[0];
      *newArc = made[1];
      *arc = made[2];
      return 0;
    }
  }
  return -1;
}

// Arc of radius R and sign s (from its record) tangent to two arcs: its centre is at
// |s R - s1 R1| from the first centre and |s2 R2 - s R| from the second (circle intersection);
// of the candidates that trim all three to minor arcs, the shortest new arc is taken.
int16_t ali_RmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* newArc) {
  Circle c1{}, c2{};
  if (newArc == nullptr || !readArc(firstArc, &c1) || !readArc(secondArc, &c2)) return -1;
  const double radius = newArc->parameter, sign = newArc->turnSign;
  if (!isPositiveLength(radius) || !isUnitSign(sign)) return -1;
  const double firstOffset = sign * radius - c1.sign * c1.radius;
  const double secondOffset = c2.sign * c2.radius - sign * radius;
  if (std::fabs(firstOffset) < kLengthQuantum || std::fabs(secondOffset) < kLengthQuantum) {
    return -1;
  }
  Point centres[2];
  const int count = circleIntersections(c1.centre, std::fabs(firstOffset), c2.centre,
                                        std::fabs(secondOffset), centres);
  bool found = false;
  double shortest = 0.0;
  Calelm best[3];
  for (int i = 0; i < count; ++i) {
    const Circle c{centres[i], radius, sign};
    const Point n1{(c.centre.x - c1.centre.x) / firstOffset,
                   (c.centre.y - c1.centre.y) / firstOffset};
    const Point n2{(c2.centre.x - c.centre.x) / secondOffset,
                   (c2.centre.y - c.centre.y) / secondOffset};
    const Point p1{c.centre.x - sign * radius * n1.x, c.centre.y - sign * radius * n1.y};
    const Point p2{c.centre.x - sign * radius * n2.x, c.centre.y - sign * radius * n2.y};
    Calelm made[3];
    if (!arcRecord(*firstArc, c1, startOf(*firstArc), p1, &made[0]) ||
        !arcRecord(*newArc, c, p1, p2, &made[1]) ||
        !arcRecord(*secondArc, c2, p2, endOf(*secondArc), &made[2])) {
      continue;
    }
    if (!found || made[1].length < shortest) {
      found = true;
      shortest = made[1].length;
      for (int k = 0; k < 3; ++k) best[k] = made[k];
    }
  }
  if (!found) return -1;
  *firstArc = best[0];
  *newArc = best[1];
  *secondArc = best[2];
  return 0;
}

}  // extern "C"
