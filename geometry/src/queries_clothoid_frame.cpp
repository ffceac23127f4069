// A clothoid's own frame: where the clothoid members do their work, exported for callers who
// solve against a clothoid themselves.
#include <algorithm>
#include <cmath>

#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

constexpr double kOneSecondOfArc = 4.84813681109536e-6;

bool frameOf(const Calelm* clothoid, ClothoidFrame* frame) {
  return clothoid != nullptr && makeClothoidFrame(readRecord(*clothoid), frame);
}

// Computation-frame angle of a direction given in the own frame.
double ownAngle(Point direction) {
  return normalAngle(std::atan2(direction.y, direction.x));
}

bool sameAzimuth(double a, double b) {
  double difference = std::fabs(a - b);
  return std::min(difference, kTwoPi - difference) < kOneSecondOfArc;
}

}  // namespace

extern "C" {

KGEOM_API int16_t CDgetOrgA(const Calelm* clothoid, double* x, double* y, double* angle) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame)) return -1;
  Point origin = frame.ownToComputation(Point{});
  Point along = frame.ownToComputation(Point{1.0, 0.0}) - origin;
  Point surveyor = otherFrame(origin);
  *x = surveyor.x;
  *y = surveyor.y;
  *angle = ali_CExAng(ownAngle(along));
  return 0;
}

KGEOM_API int16_t CDAinAbs(const Calelm* clothoid, Calelm* own) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame)) return -1;
  double A = frame.A;
  double u2 = frame.u1 + frame.length;
  Element record;
  record.kind = kClothoid;
  record.setStart(frame.ownStart);
  record.setEnd(ownClothoidPoint(A, u2));
  record.field[5] = 1.0;
  record.field[6] = A;
  record.field[7] = frame.u1 > 0.0 ? A * A / frame.u1 : 0.0;
  record.field[8] = A * A / u2;
  record.field[9] = frame.length;
  record.field[10] = frame.u1 * frame.u1 / (2.0 * A * A);
  record.field[11] = u2 * u2 / (2.0 * A * A);
  AelmAtri(A, record.field[8], &record.field[12], &record.field[13], &record.field[14]);
  writeRecord(record, own);
  return frame.reversed ? 1 : 0;
}

KGEOM_API int16_t CDPinAbs(const Calelm* clothoid, double px, double py, double* x, double* y) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame)) return -1;
  Point own = frame.computationToOwn(otherFrame(Point{px, py}));
  *x = own.x;
  *y = own.y;
  return 0;
}

KGEOM_API int16_t CDP2Cal(const Calelm* clothoid, double x, double y, double* px, double* py) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame)) return -1;
  Point surveyor = otherFrame(frame.ownToComputation(Point{x, y}));
  *px = surveyor.x;
  *py = surveyor.y;
  return 0;
}

KGEOM_API int16_t CDSinAbs(const Calelm* clothoid, const Calelm* straight, Calelm* own) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame) || straight == nullptr) return -1;
  Element record = readRecord(*straight);
  if (record.kind != kStraight) return -1;
  Point start = frame.computationToOwn(otherFrame(record.start()));
  Point end = frame.computationToOwn(otherFrame(record.end()));
  Point chord = end - start;
  double chordLength = norm(chord);
  if (!(chordLength >= kLengthQuantum)) return -1;
  Point unit = (1.0 / chordLength) * chord;
  record.setStart(start);
  record.setEnd(end);
  record.field[9] = chordLength;
  record.field[10] = record.field[11] = ownAngle(unit);
  record.field[12] = -unit.y;
  record.field[13] = unit.x;
  record.field[14] = -unit.y * start.x + unit.x * start.y;
  writeRecord(record, own);
  return 0;
}

KGEOM_API int16_t CDRinAbs(const Calelm* clothoid, const Calelm* arc, Calelm* own) {
  ClothoidFrame frame;
  if (!frameOf(clothoid, &frame) || arc == nullptr) return -1;
  Element record = readRecord(*arc);
  double sign = record.field[5];
  if (record.kind != kArc || (sign != 1.0 && sign != -1.0)) return -1;
  // The own frame is the computation frame turned, and mirrored for a right-turning clothoid.
  double ownSign = frame.mirrored ? -sign : sign;
  Point start = frame.computationToOwn(otherFrame(record.start()));
  Point end = frame.computationToOwn(otherFrame(record.end()));
  Point centre = frame.computationToOwn(otherFrame(Point{record.field[12], record.field[13]}));
  auto tangentAngle = [&](Point p) {
    Point radial = p - centre;
    return ownAngle(Point{-ownSign * radial.y, ownSign * radial.x});
  };
  record.setStart(start);
  record.setEnd(end);
  record.field[5] = ownSign;
  record.field[10] = tangentAngle(start);
  record.field[11] = tangentAngle(end);
  record.field[12] = centre.x;
  record.field[13] = centre.y;
  writeRecord(record, own);
  return 0;
}

KGEOM_API int16_t CDsameA(const Calelm* first, const Calelm* second) {
  ClothoidFrame a;
  ClothoidFrame b;
  if (!frameOf(first, &a) || !frameOf(second, &b)) return -2;
  if (std::fabs(a.A - b.A) >= kLengthQuantum || std::fabs(a.length - b.length) >= kLengthQuantum)
    return -1;
  double total = std::min(a.length, b.length);
  for (int k = 0; k <= 4; ++k) {
    double s = total * k / 4.0;
    double xa = 0.0, ya = 0.0, angleA = 0.0;
    double xb = 0.0, yb = 0.0, angleB = 0.0;
    ali_onlA(first, s, &xa, &ya, &angleA);
    ali_onlA(second, s, &xb, &yb, &angleB);
    if (ali_CSamePoint(xa, ya, xb, yb) != 0 || !sameAzimuth(angleA, angleB)) return -1;
  }
  return 0;
}

}  // extern "C"
