// Chain makers: a chain of elements fitted between given elements.
// Work in the computation frame; records enter and leave in the surveyor frame.
#include <cmath>

#include "kestrel/geometry_makers.h"
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
                secondStart.y, secondDirection.x, secondDirection.y, &corner.x,
                &corner.y) != 0) {
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
