// Rigid moves of elements and element arrays, parallel straights and concentric arcs.
#include <cmath>

#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

// The translation vector in the computation frame for distance d toward azimuth a.
Point computationShift(double d, double azimuth) {
  double angle = ali_CExAng(azimuth);
  return {d * std::cos(angle), d * std::sin(angle)};
}

Point shifted(Point surveyor, Point shift) {
  return otherFrame(roundPoint(otherFrame(surveyor) + shift));
}

void setLineCoefficients(Element* straight, Point computationStart, Point computationEnd) {
  ali_KCalCst(computationStart.x, computationStart.y, computationEnd.x, computationEnd.y,
              &straight->field[12], &straight->field[13], &straight->field[14]);
}

Point rotated(Point p, double cx, double cy, double theta) {
  Point out;
  ali_KRotPnt(p.x, p.y, cx, cy, theta, &out.x, &out.y);
  return out;
}

double turnedAngle(double angle, double theta) {
  double adjusted = 0.0;
  ali_KAdjAng(angle + theta, &adjusted);
  return ali_CAroundAng(adjusted);
}

bool readKind(const Calelm* element, int16_t kind, Element* record) {
  if (element == nullptr) return false;
  *record = readRecord(*element);
  return record->kind == kind && finiteRecord(*record);
}

bool finite(double a, double b, double c = 0.0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

}  // namespace

extern "C" {

KGEOM_API int16_t ali_pmovS(const Calelm* element, double d, double a, Calelm* moved) {
  Element record;
  if (!finite(d, a) || !readKind(element, kStraight, &record)) return -1;
  Point shift = computationShift(d, a);
  Point start = otherFrame(record.start()) + shift;
  Point end = otherFrame(record.end()) + shift;
  setLineCoefficients(&record, start, end);
  record.setStart(otherFrame(roundPoint(start)));
  record.setEnd(otherFrame(roundPoint(end)));
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_pmovR(const Calelm* element, double d, double a, Calelm* moved) {
  Element record;
  if (!finite(d, a) || !readKind(element, kArc, &record)) return -1;
  Point shift = computationShift(d, a);
  record.setStart(shifted(record.start(), shift));
  record.setEnd(shifted(record.end(), shift));
  Point centre = shifted(Point{record.field[12], record.field[13]}, shift);
  record.field[12] = centre.x;
  record.field[13] = centre.y;
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_pmovA(const Calelm* element, double d, double a, Calelm* moved) {
  Element record;
  if (!finite(d, a) || !readKind(element, kClothoid, &record)) return -1;
  // The shape values (fields 6 to 14) do not depend on the position.
  Point shift = computationShift(d, a);
  record.setStart(shifted(record.start(), shift));
  record.setEnd(shifted(record.end(), shift));
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_pmov(const Calelm* element, double d, double a, Calelm* moved) {
  if (element == nullptr) return -1;
  switch (readRecord(*element).kind) {
    case kStraight:
      return ali_pmovS(element, d, a, moved);
    case kArc:
      return ali_pmovR(element, d, a, moved);
    case kClothoid:
      return ali_pmovA(element, d, a, moved);
    default:
      return -1;
  }
}

KGEOM_API int16_t ali_tmovS(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved) {
  Element record;
  if (!finite(cx, cy, theta) || !readKind(element, kStraight, &record)) return -1;
  // Rotating the surveyor coordinates by theta turns every azimuth by +theta.
  Point start = rotated(record.start(), cx, cy, theta);
  Point end = rotated(record.end(), cx, cy, theta);
  setLineCoefficients(&record, otherFrame(start), otherFrame(end));
  record.setStart(roundPoint(start));
  record.setEnd(roundPoint(end));
  record.field[10] = turnedAngle(record.field[10], theta);
  record.field[11] = turnedAngle(record.field[11], theta);
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_tmovR(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved) {
  Element record;
  if (!finite(cx, cy, theta) || !readKind(element, kArc, &record)) return -1;
  record.setStart(roundPoint(rotated(record.start(), cx, cy, theta)));
  record.setEnd(roundPoint(rotated(record.end(), cx, cy, theta)));
  Point centre = roundPoint(rotated(Point{record.field[12], record.field[13]}, cx, cy, theta));
  record.field[12] = centre.x;
  record.field[13] = centre.y;
  record.field[10] = turnedAngle(record.field[10], theta);
  record.field[11] = turnedAngle(record.field[11], theta);
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_tmovA(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved) {
  Element record;
  if (!finite(cx, cy, theta) || !readKind(element, kClothoid, &record)) return -1;
  record.setStart(roundPoint(rotated(record.start(), cx, cy, theta)));
  record.setEnd(roundPoint(rotated(record.end(), cx, cy, theta)));
  record.field[10] = turnedAngle(record.field[10], theta);
  record.field[11] = turnedAngle(record.field[11], theta);
  writeRecord(record, moved);
  return 0;
}

KGEOM_API int16_t ali_tmov(const Calelm* element, double cx, double cy, double theta,
                           Calelm* moved) {
  if (element == nullptr) return -1;
  switch (readRecord(*element).kind) {
    case kStraight:
      return ali_tmovS(element, cx, cy, theta, moved);
    case kArc:
      return ali_tmovR(element, cx, cy, theta, moved);
    case kClothoid:
      return ali_tmovA(element, cx, cy, theta, moved);
    default:
      return -1;
  }
}

KGEOM_API int16_t many_ali_pmov(int16_t n, Calelm* elements, double d, double a) {
  for (int16_t i = 0; i < n && elements != nullptr; ++i) {
    Calelm moved;
    if (ali_pmov(&elements[i], d, a, &moved) >= 0) elements[i] = moved;
  }
  return 1;
}

KGEOM_API int16_t many_ali_tmov(int16_t n, Calelm* elements, double cx, double cy, double theta) {
  for (int16_t i = 0; i < n && elements != nullptr; ++i) {
    Calelm moved;
    if (ali_tmov(&elements[i], cx, cy, theta, &moved) >= 0) elements[i] = moved;
  }
  return 1;
}

KGEOM_API int16_t ali_paraS(const Calelm* element, double d, Calelm* moved) {
  Element record;
  if (!std::isfinite(d) || !readKind(element, kStraight, &record)) return -1;
  Point start = record.start();
  Point end = record.end();
  if (ali_CSamePoint(start.x, start.y, end.x, end.y) == 0) return -1;
  // In the surveyor frame the left of azimuth a lies toward a - pi/2.
  double azimuth = ali_KGetAng(start.x, start.y, end.x, end.y);
  return ali_pmovS(element, d, normalAngle(azimuth - kHalfPi), moved);
}

KGEOM_API int16_t para_pmovr(const Calelm* arc, double d, Calelm* moved) {
  Element record;
  if (!std::isfinite(d) || !readKind(arc, kArc, &record)) return -1;
  double sign = record.field[5];
  double radius = record.field[6];
  if ((sign != 1.0 && sign != -1.0) || !(roundLength(radius) > 0.0)) return -1;
  // A left turn (sign +1) has its centre on the left, so moving left shrinks the radius.
  double newRadius = radius - sign * d;
  if (!(roundLength(newRadius) > 0.0)) return -1;
  Point centre{record.field[12], record.field[13]};
  auto moveRadially = [&](Point p) {
    Point radial = p - centre;
    double distance = norm(radial);
    return roundPoint(centre + (newRadius / distance) * radial);
  };
  Point start = record.start();
  Point end = record.end();
  if (ali_CSamePoint(start.x, start.y, centre.x, centre.y) == 0 ||
      ali_CSamePoint(end.x, end.y, centre.x, centre.y) == 0)
    return -1;
  record.setStart(moveRadially(start));
  record.setEnd(moveRadially(end));
  record.field[6] = newRadius;
  record.field[9] = roundLength(newRadius * record.field[14]);
  writeRecord(record, moved);
  return 0;
}

}  // extern "C"
