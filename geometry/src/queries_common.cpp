// Record conversion, the clothoid placement and element curves shared by the query functions.
#include <algorithm>
#include <cmath>

#include "queries_internal.h"

namespace kestrel::geometry::queries {

namespace {

constexpr std::size_t kFirstFieldOffset = 8;

}  // namespace

double norm(Point a) {
  return std::hypot(a.x, a.y);
}

Element readRecord(const Calelm& record) {
  Element element;
  std::memcpy(&element.kind, &record, sizeof element.kind);
  std::memcpy(&element.field[1],
              reinterpret_cast<const unsigned char*>(&record) + kFirstFieldOffset,
              14 * sizeof(double));
  return element;
}

void writeRecord(const Element& element, Calelm* record) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(record);
  std::memset(bytes, 0, kFirstFieldOffset);
  std::memcpy(bytes, &element.kind, sizeof element.kind);
  std::memcpy(bytes + kFirstFieldOffset, &element.field[1], 14 * sizeof(double));
}

bool finiteRecord(const Element& element) {
  for (int n = 1; n <= 8; ++n)
    if (!std::isfinite(element.field[n])) return false;
  if (element.kind == kArc)
    return std::isfinite(element.field[12]) && std::isfinite(element.field[13]);
  return true;
}

double roundLength(double value) {
  return ali_CAroundNum(value);
}

Point roundPoint(Point p) {
  return {ali_CAroundNum(p.x), ali_CAroundNum(p.y)};
}

double normalAngle(double angle) {
  angle = std::fmod(angle, kTwoPi);
  if (angle < 0.0) angle += kTwoPi;
  if (angle >= kTwoPi) angle -= kTwoPi;
  return angle;
}

// Below the angle quantum the series evaluation returns the origin, which would put points up
// to A * 0.0017 from the origin (0.8 m at A = 500) onto it; there the series' leading terms
// are exact to far below the length quantum and are used instead.
Point ownClothoidPoint(double A, double u) {
  Point own;
  if (u <= kLengthQuantum) return own;
  double tau = u * u / (2.0 * A * A);
  if (tau < kAngleQuantum) return {u * (1.0 - tau * tau / 10.0), u * tau / 3.0};
  CDRcalxy(A, A * A / u, &own.x, &own.y);
  return own;
}

// Mirrors the steps of the clothoid point-at-distance evaluation: computation frame, direction
// normalised toward the smaller radius, mirrored for a right turn, then the own-frame chord
// turned onto the record's chord.
bool makeClothoidFrame(const Element& record, ClothoidFrame* frame) {
  if (record.kind != kClothoid || !finiteRecord(record)) return false;
  double A = record.field[6];
  double sign = record.field[5];
  double startRadius = record.field[7];
  double endRadius = record.field[8];
  if (!(A > 0.0) || (sign != 1.0 && sign != -1.0) || startRadius < 0.0 || endRadius < 0.0)
    return false;
  Point start = otherFrame(record.start());
  Point end = otherFrame(record.end());
  bool reversed = endRadius == 0.0 || (startRadius > 0.0 && startRadius < endRadius);
  if (reversed) {
    std::swap(start, end);
    std::swap(startRadius, endRadius);
    sign = -sign;
  }
  double u1 = startRadius != 0.0 ? A * A / startRadius : 0.0;
  double u2 = endRadius != 0.0 ? A * A / endRadius : 0.0;
  if (!(u2 - u1 >= kLengthQuantum) || !std::isfinite(u2)) return false;
  bool mirrored = sign == -1.0;
  if (mirrored) {
    start.x = -start.x;
    end.x = -end.x;
  }
  Point ownStart = ownClothoidPoint(A, u1);
  Point ownEnd = ownClothoidPoint(A, u2);
  frame->A = A;
  frame->u1 = u1;
  frame->length = u2 - u1;
  frame->reversed = reversed;
  frame->mirrored = mirrored;
  frame->ownStart = ownStart;
  frame->placedStart = start;
  frame->rotation =
      CDbtwang(ownStart.x, ownStart.y, ownEnd.x, ownEnd.y, start.x, start.y, end.x, end.y);
  frame->cosRotation = std::cos(frame->rotation);
  frame->sinRotation = std::sin(frame->rotation);
  return true;
}

Point ClothoidFrame::ownToComputation(Point own) const {
  Point d = own - ownStart;
  Point p{placedStart.x + d.x * cosRotation - d.y * sinRotation,
          placedStart.y + d.x * sinRotation + d.y * cosRotation};
  if (mirrored) p.x = -p.x;
  return p;
}

Point ClothoidFrame::computationToOwn(Point p) const {
  if (mirrored) p.x = -p.x;
  Point d = p - placedStart;
  return {ownStart.x + d.x * cosRotation + d.y * sinRotation,
          ownStart.y - d.x * sinRotation + d.y * cosRotation};
}

Point ClothoidFrame::pointAt(double s) const {
  return ownToComputation(ownClothoidPoint(A, uAt(s)));
}

double ClothoidFrame::tangentAngleAt(double s) const {
  double u = uAt(s);
  double angle = u * u / (2.0 * A * A) + rotation;
  if (angle > kTwoPi) angle -= kTwoPi;
  if (mirrored) {
    angle = kPi - angle;
    if (angle < 0.0) angle += kTwoPi;
  }
  if (reversed) {
    angle += kPi;
    if (angle >= kTwoPi) angle -= kTwoPi;
  }
  return angle;
}

Point ClothoidFrame::tangentAt(double s) const {
  double angle = tangentAngleAt(s);
  return {std::cos(angle), std::sin(angle)};
}

bool makeCurve(const Element& record, Curve* curve) {
  if (!finiteRecord(record)) return false;
  curve->kind = record.kind;
  curve->start = otherFrame(record.start());
  Point end = otherFrame(record.end());
  switch (record.kind) {
    case kStraight: {
      Point chord = end - curve->start;
      if (std::fabs(chord.x) < kLengthQuantum && std::fabs(chord.y) < kLengthQuantum) return false;
      curve->length = norm(chord);
      curve->direction = (1.0 / curve->length) * chord;
      return true;
    }
    case kArc: {
      curve->radius = record.field[6];
      curve->sign = record.field[5];
      curve->centre = otherFrame(Point{record.field[12], record.field[13]});
      if (!(ali_CAroundNum(curve->radius) > 0.0) || (curve->sign != 1.0 && curve->sign != -1.0))
        return false;
      if (ali_CSamePoint(curve->start.x, curve->start.y, end.x, end.y) == 0) return false;
      double arcLength = 0.0;
      ali_KEnPncl(curve->sign, curve->radius, curve->centre.x, curve->centre.y, curve->start.x,
                  curve->start.y, end.x, end.y, &arcLength);
      curve->length = arcLength;
      return true;
    }
    case kClothoid:
      if (!makeClothoidFrame(record, &curve->clothoid)) return false;
      curve->length = curve->clothoid.length;
      return true;
    default:
      return false;
  }
}

Point Curve::pointAt(double s) const {
  switch (kind) {
    case kStraight:
      return start + s * direction;
    case kArc: {
      double phi = sign * s / radius;
      double c = std::cos(phi);
      double n = std::sin(phi);
      Point d = start - centre;
      return {centre.x + d.x * c - d.y * n, centre.y + d.x * n + d.y * c};
    }
    default:
      return clothoid.pointAt(s);
  }
}

Point Curve::tangentAt(double s) const {
  switch (kind) {
    case kStraight:
      return direction;
    case kArc: {
      Point radial = pointAt(s) - centre;
      double r = norm(radial);
      return {-sign * radial.y / r, sign * radial.x / r};
    }
    default:
      return clothoid.tangentAt(s);
  }
}

double Curve::turning() const {
  switch (kind) {
    case kStraight:
      return 0.0;
    case kArc:
      return length / std::fabs(radius);
    default: {
      double u1 = clothoid.u1;
      double u2 = clothoid.u1 + clothoid.length;
      return (u2 * u2 - u1 * u1) / (2.0 * clothoid.A * clothoid.A);
    }
  }
}

int16_t writeCrossings(const CrossingList& crossings, double* x1, double* y1, double* s1First,
                       double* s1Second, double* x2, double* y2, double* s2First,
                       double* s2Second) {
  if (crossings.count == 0) return -1;
  Point first = otherFrame(roundPoint(crossings.item[0].point));
  *x1 = first.x;
  *y1 = first.y;
  *s1First = roundLength(crossings.item[0].sFirst);
  *s1Second = roundLength(crossings.item[0].sSecond);
  if (crossings.count == 1) return 1;
  Point second = otherFrame(roundPoint(crossings.item[1].point));
  *x2 = second.x;
  *y2 = second.y;
  *s2First = roundLength(crossings.item[1].sFirst);
  *s2Second = roundLength(crossings.item[1].sSecond);
  return 2;
}

}  // namespace kestrel::geometry::queries
