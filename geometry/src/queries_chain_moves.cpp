// Moving an arc of a chain until the clothoids next to it fit without a gap, then remaking the
// chain around it. Work is done on copies; the caller's records change only on success.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "kestrel/geometry_makers.h"
#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

// Surveyor-frame direction of azimuth a (X north, Y east).
Point direction(double azimuth) {
  return {std::cos(azimuth), std::sin(azimuth)};
}

double azimuthOf(Point v) {
  return normalAngle(std::atan2(v.y, v.x));
}

// The centre of the circle at radius R in the clothoid's own frame, and the own-frame point.
struct ClothoidEnd {
  Point point;   // own-frame point of radius R
  Point centre;  // (X_M, Y_M)
};

ClothoidEnd clothoidEnd(double A, double R) {
  ClothoidEnd end;
  CDRcalxy(A, R, &end.point.x, &end.point.y);
  double tau = A * A / (2.0 * R * R);
  end.centre = {end.point.x - R * std::sin(tau), end.point.y + R * std::cos(tau)};
  return end;
}

bool validArc(const Element& arc) {
  return arc.kind == kArc && finiteRecord(arc) && (arc.field[5] == 1.0 || arc.field[5] == -1.0) &&
         roundLength(arc.field[6]) > 0.0;
}

bool validClothoidEnd(double A, double R) {
  return A > 0.0 && CDchkAR(A, R) == 0;
}

Point centreOf(const Element& arc) {
  return {arc.field[12], arc.field[13]};
}

// Moves an arc by the vector v (surveyor frame) through the arc translation.
bool moveArc(Element* arc, Point v) {
  double d = norm(v);
  if (d == 0.0) return true;
  Calelm record;
  Calelm moved;
  writeRecord(*arc, &record);
  if (ali_pmovR(&record, d, azimuthOf(v), &moved) != 0) return false;
  *arc = readRecord(moved);
  return true;
}

// Remakes a record with the maker of its kind; a clothoid may have its end moved onto the
// curve (status 2), which still joins within the length quantum.
bool remake(Element* element) {
  Calelm record;
  writeRecord(*element, &record);
  int16_t status = 0;
  switch (element->kind) {
    case kStraight:
      status = ali_makS(&record);
      break;
    case kArc:
      status = ali_makR(&record);
      break;
    default:
      status = ali_makA(&record);
      if (status == 2) status = 0;
  }
  if (status != 0) return false;
  *element = readRecord(record);
  return true;
}

Element clothoidRecord(Point start, Point end, double sign, double A, double startRadius,
                       double endRadius) {
  Element clothoid;
  clothoid.kind = kClothoid;
  clothoid.setStart(roundPoint(start));
  clothoid.setEnd(roundPoint(end));
  clothoid.field[5] = sign;
  clothoid.field[6] = A;
  clothoid.field[7] = startRadius;
  clothoid.field[8] = endRadius;
  return clothoid;
}

// The own frame placed so that own-frame point a lands on world point A and b on B; the
// own y axis lies on the inside of a curve turning by turnAsUGrows as u grows.
struct Placement {
  Point origin;
  Point xAxis;
  Point yAxis;
  Point place(Point own) const { return origin + own.x * xAxis + own.y * yAxis; }
};

Placement placeBy(Point ownA, Point ownB, Point worldA, Point worldB, double turnAsUGrows) {
  // With x along azimuth m, the inside (left of travel for +1) lies toward m - sign * pi/2.
  Point own = ownB - ownA;
  double m = azimuthOf(worldB - worldA) - std::atan2(-turnAsUGrows * own.y, own.x);
  Placement placement;
  placement.xAxis = direction(m);
  placement.yAxis = direction(m - turnAsUGrows * kHalfPi);
  placement.origin = worldA - (ownA.x * placement.xAxis + ownA.y * placement.yAxis);
  return placement;
}

void writeAll(std::initializer_list<std::pair<const Element*, Calelm*>> records) {
  for (const auto& [element, record] : records) writeRecord(*element, record);
}

}  // namespace

extern "C" {

KGEOM_API int16_t moveR_dl0_rfAsf(Calelm* arc, Calelm* clothoid, Calelm* straight) {
  if (arc == nullptr || clothoid == nullptr || straight == nullptr) return -1;
  Element circle = readRecord(*arc);
  Element spiral = readRecord(*clothoid);
  Element line = readRecord(*straight);
  double A = spiral.field[6];
  double R = circle.field[6];
  double sign = circle.field[5];
  if (!validArc(circle) || spiral.kind != kClothoid || line.kind != kStraight ||
      !finiteRecord(line) || !validClothoidEnd(A, R))
    return -1;
  Point lineStart = line.start();
  Point chord = line.end() - lineStart;
  if (norm(chord) < kLengthQuantum) return -1;
  Point along = (1.0 / norm(chord)) * chord;
  // The centre lies on the inside of the turn: left of travel (azimuth - pi/2) for +1.
  Point inside = direction(azimuthOf(along) - sign * kHalfPi);
  ClothoidEnd end = clothoidEnd(A, R);
  double offset = dot(centreOf(circle) - lineStart, inside);
  if (offset <= 0.0) return -1;  // the arc does not turn toward this straight
  if (!moveArc(&circle, (end.centre.y - offset) * inside)) return -2;
  // Own frame of the clothoid: origin on the straight, x pointing back along the arc's side.
  Point centre = centreOf(circle);
  Point foot = lineStart + dot(centre - lineStart, along) * along;
  Placement frame;
  frame.xAxis = -1.0 * along;
  frame.yAxis = inside;
  frame.origin = foot + end.centre.x * along;
  Point join = frame.place(end.point);
  if (dot(frame.origin - lineStart, along) >= norm(chord) - kLengthQuantum) return -2;
  circle.setEnd(roundPoint(join));
  spiral = clothoidRecord(join, frame.origin, sign, A, R, 0.0);
  line.setStart(roundPoint(frame.origin));
  if (!remake(&circle) || !remake(&spiral) || !remake(&line)) return -2;
  writeAll({{&circle, arc}, {&spiral, clothoid}, {&line, straight}});
  return 0;
}

KGEOM_API int16_t moveR_dl0_rfArf(Calelm* firstArc, Calelm* clothoid, Calelm* secondArc) {
  if (firstArc == nullptr || clothoid == nullptr || secondArc == nullptr) return -1;
  Element first = readRecord(*firstArc);
  Element spiral = readRecord(*clothoid);
  Element second = readRecord(*secondArc);
  double A = spiral.field[6];
  double r1 = first.field[6];
  double r2 = second.field[6];
  double sign = first.field[5];
  if (!validArc(first) || !validArc(second) || spiral.kind != kClothoid ||
      second.field[5] != sign || std::fabs(r1 - r2) < kLengthQuantum || !validClothoidEnd(A, r1) ||
      !validClothoidEnd(A, r2))
    return -1;
  ClothoidEnd end1 = clothoidEnd(A, r1);
  ClothoidEnd end2 = clothoidEnd(A, r2);
  Point between = centreOf(second) - centreOf(first);
  if (norm(between) < kLengthQuantum) return -2;
  // The circles of an egg-shaped join sit exactly as far apart as their own-frame centres.
  double required = norm(end2.centre - end1.centre);
  if (!moveArc(&second, (required - norm(between)) / norm(between) * between)) return -2;
  // Travelled from r1 to r2: u grows toward the smaller radius.
  double turnAsUGrows = r1 > r2 ? sign : -sign;
  Placement frame =
      placeBy(end1.centre, end2.centre, centreOf(first), centreOf(second), turnAsUGrows);
  Point join1 = frame.place(end1.point);
  Point join2 = frame.place(end2.point);
  first.setEnd(roundPoint(join1));
  second.setStart(roundPoint(join2));
  spiral = clothoidRecord(join1, join2, sign, A, r1, r2);
  if (!remake(&first) || !remake(&spiral) || !remake(&second)) return -2;
  writeAll({{&first, firstArc}, {&spiral, clothoid}, {&second, secondArc}});
  return 0;
}

KGEOM_API int16_t moveR_dl0_rfAArf(Calelm* firstArc, Calelm* firstClothoid, Calelm* secondClothoid,
                                   Calelm* secondArc) {
  if (firstArc == nullptr || firstClothoid == nullptr || secondClothoid == nullptr ||
      secondArc == nullptr)
    return -1;
  Element first = readRecord(*firstArc);
  Element spiral1 = readRecord(*firstClothoid);
  Element spiral2 = readRecord(*secondClothoid);
  Element second = readRecord(*secondArc);
  double a1 = spiral1.field[6];
  double a2 = spiral2.field[6];
  double r1 = first.field[6];
  double r2 = second.field[6];
  double sign1 = first.field[5];
  double sign2 = second.field[5];
  if (!validArc(first) || !validArc(second) || spiral1.kind != kClothoid ||
      spiral2.kind != kClothoid || sign2 != -sign1 || !validClothoidEnd(a1, r1) ||
      !validClothoidEnd(a2, r2))
    return -1;
  ClothoidEnd end1 = clothoidEnd(a1, r1);
  ClothoidEnd end2 = clothoidEnd(a2, r2);
  Point between = centreOf(second) - centreOf(first);
  if (norm(between) < kLengthQuantum) return -2;
  // An S-shaped join: both clothoids start at one inflection point, back to back, so in the
  // second clothoid's own frame the first circle's centre is the mirror of its own centre.
  Point mirroredFirst{-end1.centre.x, -end1.centre.y};
  double required = norm(end2.centre - mirroredFirst);
  if (!moveArc(&second, (required - norm(between)) / norm(between) * between)) return -2;
  Placement frame = placeBy(mirroredFirst, end2.centre, centreOf(first), centreOf(second), sign2);
  Point join1 = frame.place(Point{-end1.point.x, -end1.point.y});
  Point inflection = frame.origin;
  Point join2 = frame.place(end2.point);
  first.setEnd(roundPoint(join1));
  second.setStart(roundPoint(join2));
  spiral1 = clothoidRecord(join1, inflection, sign1, a1, r1, 0.0);
  spiral2 = clothoidRecord(inflection, join2, sign2, a2, 0.0, r2);
  if (!remake(&first) || !remake(&spiral1) || !remake(&spiral2) || !remake(&second)) return -2;
  writeAll({{&first, firstArc},
            {&spiral1, firstClothoid},
            {&spiral2, secondClothoid},
            {&second, secondArc}});
  return 0;
}

}  // extern "C"
