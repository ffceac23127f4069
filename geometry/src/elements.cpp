// Element records: clothoid evaluation by series, arc and line evaluation in the computation
// frame, coincidence tests, rounding, frame conversion, element lengths and the straight maker.
#include "kestrel/geometry_elements.h"

#include <cmath>
#include <cstring>

#include "geometry_common.h"
#include "kestrel/geometry_primitives.h"

using namespace kestrel::geometry::detail;

namespace {

// Change of x and y between two partial sums below which the clothoid series stops.
constexpr double kSeriesTolerance = 1e-4;
// Guard against inputs for which the factorials overflow before the series settles (far
// beyond any clothoid end, tau above about 1.594): the series gives up instead of spinning.
constexpr int kSeriesTermLimit = 80;
// R/A at or below this cannot end a clothoid: its tangent angle would pass 1/(2*0.56^2).
constexpr double kMinimumRadiusToParameter = 0.56;

double roundToQuantum(double value, double quantum) {
  return std::floor(value / quantum + 0.5) * quantum;
}

bool samePoint(double x1, double y1, double x2, double y2, double tolerance) {
  return std::fabs(x1 - x2) < tolerance && std::fabs(y1 - y2) < tolerance;
}

double factorial(int m) {
  double product = 1.0;
  for (int i = 2; i <= m; ++i) product *= i;
  return product;
}

// One whole turn added or removed, and a result within the angle quantum of 2*pi set to 0.
double tangentAngleInRange(double angle) {
  if (angle < 0.0) {
    angle += kTwoPi;
  } else if (angle > kTwoPi) {
    angle -= kTwoPi;
  }
  if (std::fabs(angle - kTwoPi) < kAngleQuantum) angle = 0.0;
  return angle;
}

double squared(double value) { return value * value; }

}  // namespace

extern "C" {

// Clothoid local coordinates from the Fresnel-type series
//   x = A*sqrt(2 tau) * sum (-1)^n tau^(2n) / ((4n+1) (2n)!)
//   y = A*sqrt(2 tau) * tau * sum (-1)^n tau^(2n) / ((4n+3) (2n+1)!)
// summed until x and y both move by less than 1e-4 from one term to the next.
int16_t CDAcalxy(double A, double tau, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  if (!std::isfinite(A) || !std::isfinite(tau)) {
    *x = 0.0;
    *y = 0.0;
    return -1;
  }
  if (tau < kAngleQuantum) {
    *x = 0.0;
    *y = 0.0;
    return 0;
  }
  const double scale = A * std::sqrt(2.0 * tau);
  const double tauSquared = tau * tau;
  double sumX = 1.0;
  double sumY = 1.0 / 3.0;
  double tauPower = 1.0;
  double previousX = 0.0;
  double previousY = 0.0;
  double currentX = 0.0;
  double currentY = 0.0;
  for (int n = 1; n <= kSeriesTermLimit; ++n) {
    tauPower *= tauSquared;
    const double sign = (n % 2 == 0) ? 1.0 : -1.0;
    sumX += sign * tauPower / ((4.0 * n + 1.0) * factorial(2 * n));
    sumY += sign * tauPower / ((4.0 * n + 3.0) * factorial(2 * n + 1));
    currentX = scale * sumX;
    currentY = scale * tau * sumY;
    if (std::fabs(currentX - previousX) < kSeriesTolerance &&
        std::fabs(currentY - previousY) < kSeriesTolerance) {
      break;
    }
    previousX = currentX;
    previousY = currentY;
  }
  *x = currentX;
  *y = currentY;
  return 0;
}

int16_t CDRcalxy(double A, double R, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  if (R == 0.0) {
    *x = 0.0;
    *y = 0.0;
    return 0;
  }
  return CDAcalxy(A, A * A / (2.0 * R * R), x, y);
}

int16_t CDLcalxy(double A, double L, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  if (L < kPointTolerance) {
    *x = 0.0;
    *y = 0.0;
    return 0;
  }
  return CDAcalxy(A, L * L / (2.0 * A * A), x, y);
}

double CDRlen(double A, double R) { return R == 0.0 ? 0.0 : A * A / R; }

double CDRang(double A, double R) { return R == 0.0 ? 0.0 : A * A / (2.0 * R * R); }

double CDLang(double A, double L) { return L < kPointTolerance ? 0.0 : L * L / (2.0 * A * A); }

double CDAngR(double A, double tau) {
  return tau < kAngleQuantum ? 0.0 : std::sqrt(A * A / (2.0 * tau));
}

// tau = A^2/(2R^2); shift dR = y + R cos tau - R; centre abscissa X_M = x - R sin tau.
int16_t AelmAtri(double A, double R, double* tau, double* shift, double* centerAbscissa) {
  if (tau == nullptr || shift == nullptr || centerAbscissa == nullptr) return -1;
  if (std::fabs(R) <= kPointTolerance) {
    *tau = 0.0;
    *shift = 0.0;
    *centerAbscissa = 0.0;
    return 0;
  }
  const double angle = A * A / (2.0 * R * R);
  double x = 0.0;
  double y = 0.0;
  CDRcalxy(A, R, &x, &y);
  *tau = angle;
  *shift = y + R * std::cos(angle) - R;
  *centerAbscissa = x - R * std::sin(angle);
  return 0;
}

// Outputs 2 and 3 come first; 0 and 1 are derived from them, which equals x - y/tan(tau) and
// y/sin(tau) without a second division by tan.
int16_t CDcharLmA(double A, double R, double values[7]) {
  if (values == nullptr) return -1;
  if (R == 0.0) {
    for (int i = 0; i < 7; ++i) values[i] = 0.0;
    return 0;
  }
  const double tau = A * A / (2.0 * R * R);
  double x = 0.0;
  double y = 0.0;
  CDRcalxy(A, R, &x, &y);
  const double shift = y + R * std::cos(tau) - R;
  const double centerAbscissa = x - R * std::sin(tau);
  const double centerOrdinate = R + shift;
  values[2] = centerAbscissa + centerOrdinate * std::tan(tau);
  values[3] = centerOrdinate / std::cos(tau) - R;
  values[0] = values[2] - values[3] / std::sin(tau);
  values[1] = std::cos(tau) * (values[2] - values[0]);
  values[4] = std::sqrt(x * x + y * y);
  values[5] = centerAbscissa;
  values[6] = centerOrdinate;
  return 0;
}

int16_t CDchkAR(double A, double R) {
  if (A == 0.0) return -1;
  if (R != 0.0 && R / A <= kMinimumRadiusToParameter) return -1;
  return 0;
}

int16_t CDvalidArc(const Calelm* arc) {
  if (arc == nullptr) return -1;
  const double sign = arc->turnSign;
  if (sign != 1.0 && sign != -1.0) return -1;
  const double theta = CDbtwang(arc->extra1, arc->extra2, arc->startX, arc->startY, arc->extra1,
                                arc->extra2, arc->endX, arc->endY);
  if (theta < kAngleQuantum) return -1;
  if (std::fabs(theta - kPi) < kAngleQuantum) return -1;
  if (sign == 1.0 && theta >= kPi) return -1;
  if (sign == -1.0 && theta <= kPi) return -1;
  return 0;
}

int16_t ali_KEnPntc(double sign, double startX, double startY, double startAngle, double R,
                    double* centerX, double* centerY) {
  if (centerX == nullptr || centerY == nullptr) return -1;
  // The left normal of direction a is a + pi/2: (-sin a, cos a).
  const double side = sign == 1.0 ? 1.0 : -1.0;
  *centerX = startX - side * R * std::sin(startAngle);
  *centerY = startY + side * R * std::cos(startAngle);
  return 0;
}

int16_t ali_KEnPntb(double sign, double centerX, double centerY, double startX, double startY,
                    double phi, double* endX, double* endY) {
  if (endX == nullptr || endY == nullptr) return -1;
  const double theta = sign == 1.0 ? phi : -phi;
  return CDrotpoi(centerX, centerY, std::cos(theta), std::sin(theta), startX, startY, endX, endY);
}

int16_t ali_KEnCen(double startX, double startY, double endX, double endY, double sign, double R,
                   double* centerX, double* centerY) {
  if (centerX == nullptr || centerY == nullptr) return -1;
  if (R == 0.0 || samePoint(startX, startY, endX, endY, kPointTolerance)) return -1;
  const double dx = endX - startX;
  const double dy = endY - startY;
  const double midX = 0.5 * (startX + endX);
  const double midY = 0.5 * (startY + endY);
  const double side = sign == 1.0 ? 1.0 : -1.0;
  if (std::fabs(dx) < kPointTolerance) {
    // Vertical chord: the centre is level with the midpoint; left of an upward chord is -x.
    const double offset = std::sqrt(std::fmax(R * R - squared(0.5 * dy), 0.0));
    *centerX = midX - side * (dy > 0.0 ? 1.0 : -1.0) * offset;
    *centerY = midY;
    return 0;
  }
  if (std::fabs(dy) < kPointTolerance) {
    // Horizontal chord: left of a chord toward +x is +y.
    const double offset = std::sqrt(std::fmax(R * R - squared(0.5 * dx), 0.0));
    *centerX = midX;
    *centerY = midY + side * (dx > 0.0 ? 1.0 : -1.0) * offset;
    return 0;
  }
  const double chord = std::sqrt(dx * dx + dy * dy);
  const double offset = std::sqrt(std::fmax(R * R - squared(0.5 * chord), 0.0));
  // Unit left normal of the chord is (-dy, dx)/chord.
  *centerX = midX - side * offset * dy / chord;
  *centerY = midY + side * offset * dx / chord;
  return 0;
}

int16_t ali_KEnAng(double startX, double startY, double endX, double endY, double sign, double R,
                   double centerX, double centerY, double* startAngle, double* endAngle,
                   double* phi, double* length) {
  if (startAngle == nullptr || endAngle == nullptr || phi == nullptr || length == nullptr) {
    return -1;
  }
  const double startPolar = ali_KGetAng(centerX, centerY, startX, startY);
  const double endPolar = ali_KGetAng(centerX, centerY, endX, endY);
  double central = std::fabs(endPolar - startPolar);
  if (central > kPi) central = kTwoPi - central;
  const double quarter = sign == 1.0 ? kHalfPi : -kHalfPi;
  *startAngle = tangentAngleInRange(startPolar + quarter);
  *endAngle = tangentAngleInRange(endPolar + quarter);
  *phi = central;
  *length = central * R;
  return 0;
}

int16_t ali_KEnPncl(double sign, double R, double centerX, double centerY, double x1, double y1,
                    double x2, double y2, double* length) {
  if (length == nullptr) return -1;
  double sweep = ali_KGetAng(centerX, centerY, x2, y2) - ali_KGetAng(centerX, centerY, x1, y1);
  if (sweep < 0.0) sweep += kTwoPi;
  *length = sign == 1.0 ? sweep * R : (kTwoPi - sweep) * R;
  return 0;
}

int16_t ali_KCalCst(double x1, double y1, double x2, double y2, double* a, double* b, double* k) {
  if (a == nullptr || b == nullptr || k == nullptr) return -1;
  const double roundedA = ali_CAroundNum(y2 - y1);
  const double roundedB = ali_CAroundNum(x2 - x1);
  const double roundedK = ali_CAroundNum((y2 - y1) * x1 - (x2 - x1) * y1);
  const double norm = std::sqrt(roundedA * roundedA + roundedB * roundedB);
  if (norm == 0.0) {
    *a = 0.0;
    *b = 0.0;
    *k = 0.0;
    return -1;
  }
  *a = roundedA / norm;
  *b = roundedB / norm;
  *k = roundedK / norm;
  return 0;
}

double ali_KGetAng(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  if (dx == 0.0 && dy == 0.0) return 0.0;
  double angle = std::atan2(dy, dx);
  if (angle < 0.0) angle += kTwoPi;
  return angle;
}

int16_t ali_KGetPnt(double x1, double y1, double x2, double y2, double distance, int16_t clamp,
                    double* x, double* y, double* angle) {
  if (x == nullptr || y == nullptr || angle == nullptr) return -1;
  if (samePoint(x1, y1, x2, y2, kPointTolerance)) return -1;
  if (distance < 0.0) return -1;
  if (clamp != 0 && distance > ali_CDist2P(x1, y1, x2, y2)) return -1;
  const double direction = ali_KGetAng(x1, y1, x2, y2);
  *angle = direction;
  return ali_KMovPnt(x1, y1, distance, direction, x, y);
}

int16_t ali_KMovPnt(double x, double y, double distance, double angle, double* outX,
                    double* outY) {
  if (outX == nullptr || outY == nullptr) return -1;
  *outX = x + distance * std::cos(angle);
  *outY = y + distance * std::sin(angle);
  return 0;
}

int16_t ali_KRotPnt(double px, double py, double centerX, double centerY, double theta,
                    double* outX, double* outY) {
  if (outX == nullptr || outY == nullptr) return -1;
  const double radius = ali_CDist2P(centerX, centerY, px, py);
  const double polar = ali_KGetAng(centerX, centerY, px, py) + theta;
  *outX = centerX + radius * std::cos(polar);
  *outY = centerY + radius * std::sin(polar);
  return 0;
}

int16_t ali_KAdjAng(double angle, double* adjusted) {
  if (adjusted == nullptr) return -1;
  if (!std::isfinite(angle)) return -1;
  // Huge angles are reduced exactly first; turn-by-turn stepping would not move them.
  if (std::fabs(angle) > 1e6) angle = std::fmod(angle, kTwoPi);
  while (angle < 0.0) angle += kTwoPi;
  while (angle > kTwoPi) angle -= kTwoPi;
  *adjusted = angle;
  return 0;
}

double ali_CDist2P(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

int16_t ali_CSamePoint(double x1, double y1, double x2, double y2) {
  return samePoint(x1, y1, x2, y2, kPointTolerance) ? 0 : 1;
}

int16_t gc_samePoint(double x1, double y1, double x2, double y2, double tolerance) {
  return samePoint(x1, y1, x2, y2, tolerance) ? 0 : -1;
}

int16_t chk_CSameAng(double angle1, double angle2) {
  return std::fabs(angle1 - angle2) < kOneArcSecond ? 0 : -1;
}

double ali_CAroundNum(double value) { return roundToQuantum(value, kLengthQuantum); }

double ali_CAroundAng(double angle) { return roundToQuantum(angle, kAngleQuantum); }

int16_t ali_CExCoord(double X, double Y, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  *x = X;
  *y = -Y;
  return 0;
}

double ali_CExAng(double angle) {
  if (std::fabs(angle) < kPointTolerance) return 0.0;
  if (angle <= 0.0) return -angle;
  return kTwoPi - angle;
}

Calelm* initCalelm(Calelm* element) {
  if (element == nullptr) return nullptr;
  std::memset(element, 0, sizeof(Calelm));
  return element;
}

int16_t ali_getlS(const Calelm* straight, double* length) {
  if (straight == nullptr || length == nullptr) return -1;
  if (samePoint(straight->startX, straight->startY, straight->endX, straight->endY,
                kPointTolerance)) {
    *length = 0.0;
    return -1;
  }
  *length = ali_CAroundNum(
      ali_CDist2P(straight->startX, straight->startY, straight->endX, straight->endY));
  return 0;
}

// The centre is found again from the end points, sign and radius, so the length depends only
// on the values that define the arc.
int16_t ali_getlR(const Calelm* arc, double* length) {
  if (arc == nullptr || length == nullptr) return -1;
  const double R = arc->parameter;
  const double sign = arc->turnSign;
  if (R == 0.0 || (sign != 1.0 && sign != -1.0)) return -1;
  if (samePoint(arc->startX, arc->startY, arc->endX, arc->endY, kPointTolerance)) {
    *length = kTwoPi * R;
    return 1;
  }
  const double startX = arc->startX;
  const double startY = -arc->startY;
  const double endX = arc->endX;
  const double endY = -arc->endY;
  double centerX = 0.0;
  double centerY = 0.0;
  ali_KEnCen(startX, startY, endX, endY, sign, R, &centerX, &centerY);
  double startAngle = 0.0;
  double endAngle = 0.0;
  double phi = 0.0;
  double arcLength = 0.0;
  ali_KEnAng(startX, startY, endX, endY, sign, R, centerX, centerY, &startAngle, &endAngle, &phi,
             &arcLength);
  *length = ali_CAroundNum(arcLength);
  return 0;
}

int16_t ali_getlA(const Calelm* clothoid, double* length) {
  if (clothoid == nullptr || length == nullptr) return -1;
  const double A = clothoid->parameter;
  const double fromStart = clothoid->startRadius == 0.0 ? 0.0 : A * A / clothoid->startRadius;
  const double fromEnd = clothoid->endRadius == 0.0 ? 0.0 : A * A / clothoid->endRadius;
  *length = std::fabs(fromStart - fromEnd);
  return 0;
}

int16_t ali_getl(const Calelm* element, double* length) {
  if (element == nullptr || length == nullptr) return -1;
  switch (element->kind) {
    case 1:
      return ali_getlS(element, length);
    case 2: {
      const int16_t status = ali_getlR(element, length);
      if (status == 1) *length = 0.0;
      return status;
    }
    case 3:
      return ali_getlA(element, length);
    default:
      return -1;
  }
}

double ali_getlPP(double x1, double y1, double x2, double y2) {
  if (samePoint(x1, y1, x2, y2, kPointTolerance)) return -1.0;
  return ali_CAroundNum(ali_CDist2P(x1, y1, x2, y2));
}

int16_t ali_makS(Calelm* straight) {
  if (straight == nullptr) return -1;
  Calelm& s = *straight;
  if (samePoint(s.startX, s.startY, s.endX, s.endY, kPointTolerance)) return -1;
  s.kind = 1;
  s.length = ali_CAroundNum(ali_CDist2P(s.startX, s.startY, s.endX, s.endY));
  // Direction and coefficients come from the computation-frame points (X, -Y).
  const double direction = ali_CAroundAng(ali_KGetAng(s.startX, -s.startY, s.endX, -s.endY));
  s.startAngle = ali_CExAng(direction);
  s.endAngle = s.startAngle;
  ali_KCalCst(s.startX, -s.startY, s.endX, -s.endY, &s.extra1, &s.extra2, &s.extra3);
  s.turnSign = 1.0;
  s.parameter = 0.0;
  s.startRadius = 0.0;
  s.endRadius = 0.0;
  return 0;
}

}  // extern "C"
