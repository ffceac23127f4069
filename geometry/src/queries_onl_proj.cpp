// Points at a distance, projection, offsets and cross lines.
#include <cmath>

#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

// The clothoid projection accepts a curve point this close to P, and a cosine this small.
constexpr double kOnCurve = 0.001;
constexpr double kPerpendicular = 0.0001;

enum class Side : int16_t { OnCurve = 0, Perpendicular = 1, Ahead = 2, Behind = 3 };

// The test of one trial point of the clothoid projection (own frame).
Side sideOf(double A, double u, Point p, double* distance, double* cosine) {
  Point curvePoint = ownClothoidPoint(A, u);
  Point toP = p - curvePoint;
  *distance = norm(toP);
  *cosine = 0.0;
  if (*distance < kOnCurve) return Side::OnCurve;
  double tau = u * u / (2.0 * A * A);
  *cosine = (std::cos(tau) * toP.x + std::sin(tau) * toP.y) / *distance;
  if (std::fabs(*cosine) <= kPerpendicular) return Side::Perpendicular;
  return *cosine > 0.0 ? Side::Ahead : Side::Behind;
}

int16_t writePointAndAngle(Point computation, double computationAngle, double* x, double* y,
                           double* angle) {
  Point surveyor = otherFrame(computation);
  *x = surveyor.x;
  *y = surveyor.y;
  *angle = ali_CExAng(computationAngle);
  return 0;
}

using OnlFunction = int16_t (*)(const Calelm*, double, double*, double*, double*);

int16_t offsetPoint(OnlFunction onl, const Calelm* element, double s, double theta, double d,
                    double* x, double* y) {
  if (!std::isfinite(theta) || !std::isfinite(d)) return -1;
  double px = 0.0;
  double py = 0.0;
  double azimuth = 0.0;
  int16_t status = onl(element, s, &px, &py, &azimuth);
  if (status != 0) return status;
  *x = px + d * std::cos(azimuth - theta);
  *y = py + d * std::sin(azimuth - theta);
  return 0;
}

int16_t crossLine(OnlFunction onl, const Calelm* element, double s, double theta, double d,
                  Calelm* line) {
  double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
  int16_t status = offsetPoint(onl, element, s, theta, -d, &x1, &y1);
  if (status != 0) return status;
  status = offsetPoint(onl, element, s, theta, d, &x2, &y2);
  if (status != 0) return status;
  Element straight;
  straight.kind = kStraight;
  straight.setStart({x1, y1});
  straight.setEnd({x2, y2});
  writeRecord(straight, line);
  return ali_makS(line);
}

}  // namespace

extern "C" {

KGEOM_API int16_t ali_onlS(const Calelm* element, double s, double* x, double* y, double* angle) {
  if (element == nullptr || !std::isfinite(s)) return -1;
  Element record = readRecord(*element);
  if (!finiteRecord(record)) return -1;
  Point start = otherFrame(record.start());
  Point end = otherFrame(record.end());
  Point chord = end - start;
  if (std::fabs(chord.x) < kLengthQuantum && std::fabs(chord.y) < kLengthQuantum) return -1;
  double total = norm(chord);
  if (!(s >= 0.0 && s <= total)) return -1;
  Point p = roundPoint(start + (s / total) * chord);
  double direction = ali_CAroundAng(ali_KGetAng(start.x, start.y, end.x, end.y));
  return writePointAndAngle(p, direction, x, y, angle);
}

KGEOM_API int16_t ali_onlR(const Calelm* element, double s, double* x, double* y, double* angle) {
  if (element == nullptr || !std::isfinite(s)) return -1;
  Element record = readRecord(*element);
  if (!finiteRecord(record)) return -1;
  double radius = record.field[6];
  double sign = record.field[5];
  if (!(roundLength(radius) > 0.0) || (sign != 1.0 && sign != -1.0)) return -1;
  Point centre = otherFrame(Point{record.field[12], record.field[13]});
  Point start = otherFrame(record.start()) - centre;
  Point end = otherFrame(record.end()) - centre;
  double phi = s / radius;
  if (ali_CAroundAng(phi) > ali_CAroundAng(kTwoPi)) return -1;
  double arcLength = 0.0;
  ali_KEnPncl(sign, radius, 0.0, 0.0, start.x, start.y, end.x, end.y, &arcLength);
  if (roundLength(s) > roundLength(arcLength)) return -1;
  Point p;
  ali_KEnPntb(sign, 0.0, 0.0, start.x, start.y, phi, &p.x, &p.y);
  double startAngle = 0.0, endAngle = 0.0, centralAngle = 0.0, chordArc = 0.0;
  ali_KEnAng(start.x, start.y, p.x, p.y, sign, radius, 0.0, 0.0, &startAngle, &endAngle,
             &centralAngle, &chordArc);
  return writePointAndAngle(roundPoint(p + centre), ali_CAroundAng(endAngle), x, y, angle);
}

KGEOM_API int16_t ali_onlA(const Calelm* element, double s, double* x, double* y, double* angle) {
  if (element == nullptr || !std::isfinite(s)) return -1;
  ClothoidFrame frame;
  if (!makeClothoidFrame(readRecord(*element), &frame)) return -1;
  writePointAndAngle(frame.pointAt(s), frame.tangentAngleAt(s), x, y, angle);
  return s > frame.length ? -1 : 0;
}

KGEOM_API int16_t ali_onl(const Calelm* element, double s, double* x, double* y, double* angle) {
  if (element == nullptr) return -1;
  switch (readRecord(*element).kind) {
    case kStraight:
      return ali_onlS(element, s, x, y, angle);
    case kArc:
      return ali_onlR(element, s, x, y, angle);
    case kClothoid:
      return ali_onlA(element, s, x, y, angle);
    default:
      return -1;
  }
}

KGEOM_API int16_t ali_projS(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY) {
  if (element == nullptr || !std::isfinite(px) || !std::isfinite(py)) return -1;
  Element record = readRecord(*element);
  if (!finiteRecord(record)) return -1;
  Point start = otherFrame(record.start());
  Point end = otherFrame(record.end());
  Point p = otherFrame(Point{px, py});
  double alpha = ali_KGetAng(start.x, start.y, end.x, end.y);
  double beta = ali_KGetAng(start.x, start.y, p.x, p.y);
  double along = norm(p - start) * std::cos(alpha - beta);
  double angle = 0.0;
  if (ali_onlS(element, along, footX, footY, &angle) != 0) return -1;
  *s = roundLength(along);
  return 0;
}

KGEOM_API int16_t ali_projR(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY) {
  if (element == nullptr || !std::isfinite(px) || !std::isfinite(py)) return -1;
  Element record = readRecord(*element);
  if (!finiteRecord(record)) return -1;
  double radius = record.field[6];
  double sign = record.field[5];
  if (sign != 1.0 && sign != -1.0) return -1;
  Point centre = otherFrame(Point{record.field[12], record.field[13]});
  Point start = otherFrame(record.start()) - centre;
  Point end = otherFrame(record.end()) - centre;
  Point p = otherFrame(Point{px, py}) - centre;
  auto same = [](Point a, Point b) { return ali_CSamePoint(a.x, a.y, b.x, b.y) == 0; };
  Point origin;
  if (same(start, origin) || same(end, origin) || same(p, origin) || same(start, end) ||
      same(p, start) || same(p, end))
    return -1;
  double alphaStart = ali_KGetAng(0.0, 0.0, start.x, start.y);
  double alphaPoint = ali_KGetAng(0.0, 0.0, p.x, p.y);
  double alphaEnd = ali_KGetAng(0.0, 0.0, end.x, end.y);
  double toPoint = alphaPoint - alphaStart;
  if (toPoint < 0.0) toPoint += kTwoPi;
  double toEnd = alphaEnd - alphaStart;
  if (toEnd < 0.0) toEnd += kTwoPi;
  if ((sign == 1.0 && toPoint > toEnd) || (sign == -1.0 && toPoint < toEnd)) return -1;
  double phi = std::fabs(alphaPoint - alphaStart);
  if (phi > kPi) phi = kTwoPi - phi;
  Point foot;
  ali_KEnPntb(sign, 0.0, 0.0, start.x, start.y, phi, &foot.x, &foot.y);
  double along = 0.0;
  ali_KEnPncl(sign, radius, 0.0, 0.0, start.x, start.y, foot.x, foot.y, &along);
  Point surveyorFoot = otherFrame(roundPoint(foot + centre));
  *footX = surveyorFoot.x;
  *footY = surveyorFoot.y;
  *s = roundLength(along);
  return 0;
}

KGEOM_API int16_t chk_ang(double A, double u, double px, double py, double* d) {
  double cosine = 0.0;
  double distance = 0.0;
  Side side = sideOf(A, u, {px, py}, &distance, &cosine);
  *d = distance;
  return static_cast<int16_t>(side);
}

// Bisection on the distance along the clothoid in its own frame; the bracket keeps the half
// where the chord to P still leans the other way.
KGEOM_API int16_t ali_projA(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY) {
  if (element == nullptr || !std::isfinite(px) || !std::isfinite(py)) return -1;
  ClothoidFrame frame;
  if (!makeClothoidFrame(readRecord(*element), &frame)) return -1;
  Point p = frame.computationToOwn(otherFrame(Point{px, py}));
  double A = frame.A;
  double distance = 0.0;
  double cosine = 0.0;
  double found = -1.0;
  if (sideOf(A, frame.u1, p, &distance, &cosine) == Side::OnCurve) {
    found = 0.0;
  } else if (sideOf(A, frame.u1 + frame.length, p, &distance, &cosine) == Side::OnCurve) {
    found = frame.length;
  } else {
    double low = 0.0;
    double high = frame.length;
    double tolerance = 1e-5;
    double middle = 0.5 * (low + high);
    Side side = Side::Ahead;
    while (true) {
      middle = 0.5 * (low + high);
      if (middle <= low || middle >= high) break;  // the bracket cannot halve any further
      side = sideOf(A, frame.u1 + middle, p, &distance, &cosine);
      if (side == Side::OnCurve || side == Side::Perpendicular) break;
      if (side == Side::Ahead)
        low = middle;
      else
        high = middle;
      tolerance = distance <= 1.0 ? 1e-5 * distance * distance : 1e-5;
      if (high - low < tolerance) break;
    }
    if (side != Side::OnCurve && side != Side::Perpendicular && std::fabs(cosine) > kOnCurve &&
        distance > kOnCurve)
      return -1;
    found = middle;
  }
  double along = frame.reversed ? frame.length - found : found;
  double angle = 0.0;
  ali_onlA(element, along, footX, footY, &angle);
  *s = along;
  return 0;
}

KGEOM_API int16_t ali_proj(const Calelm* element, double px, double py, double* s, double* footX,
                           double* footY) {
  if (element == nullptr) return -1;
  switch (readRecord(*element).kind) {
    case kStraight:
      return ali_projS(element, px, py, s, footX, footY);
    case kArc:
      return ali_projR(element, px, py, s, footX, footY);
    case kClothoid:
      return ali_projA(element, px, py, s, footX, footY);
    default:
      return -1;
  }
}

KGEOM_API int16_t ali_oflS(const Calelm* element, double s, double theta, double d, double* x,
                           double* y) {
  return offsetPoint(ali_onlS, element, s, theta, d, x, y);
}

KGEOM_API int16_t ali_oflR(const Calelm* element, double s, double theta, double d, double* x,
                           double* y) {
  return offsetPoint(ali_onlR, element, s, theta, d, x, y);
}

KGEOM_API int16_t ali_oflA(const Calelm* element, double s, double theta, double d, double* x,
                           double* y) {
  return offsetPoint(ali_onlA, element, s, theta, d, x, y);
}

KGEOM_API int16_t ali_SmakS(const Calelm* element, double s, double theta, double d, Calelm* line) {
  return crossLine(ali_onlS, element, s, theta, d, line);
}

KGEOM_API int16_t ali_SmakR(const Calelm* element, double s, double theta, double d, Calelm* line) {
  return crossLine(ali_onlR, element, s, theta, d, line);
}

KGEOM_API int16_t ali_SmakA(const Calelm* element, double s, double theta, double d, Calelm* line) {
  return crossLine(ali_onlA, element, s, theta, d, line);
}

KGEOM_API int16_t ali_Smak(const Calelm* element, double s, double theta, double d, Calelm* line) {
  if (element == nullptr) return -1;
  switch (readRecord(*element).kind) {
    case kStraight:
      return ali_SmakS(element, s, theta, d, line);
    case kArc:
      return ali_SmakR(element, s, theta, d, line);
    case kClothoid:
      return ali_SmakA(element, s, theta, d, line);
    default:
      return -1;
  }
}

// Station and offset: the foot gives the station; the offset is signed by the side of P
// relative to the tangent there, positive where the offsets at pi/2 go (to the left).
KGEOM_API int16_t cplnrm(const Calelm* element, double px, double py, double* s, double* offset) {
  double station = 0.0;
  double footX = 0.0;
  double footY = 0.0;
  int16_t status = ali_proj(element, px, py, &station, &footX, &footY);
  if (status < 0) return status;
  double x = 0.0, y = 0.0, azimuth = 0.0;
  if (ali_onl(element, station, &x, &y, &azimuth) != 0) return -1;
  // Surveyor frame: the left normal of azimuth a points toward azimuth a - pi/2.
  double leftX = std::cos(azimuth - kHalfPi);
  double leftY = std::sin(azimuth - kHalfPi);
  *s = station;
  *offset = (px - footX) * leftX + (py - footY) * leftY;
  return status;
}

}  // extern "C"
