// Plane primitives in the computation frame: lines, segments, angles and rigid transforms of
// whole element records.
#include "kestrel/geometry_primitives.h"

#include <cmath>

#include "geometry_common.h"

using namespace kestrel::geometry::detail;

namespace {

double distanceBetween(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

Point rotateAbout(Point p, Point center, double cosTheta, double sinTheta) {
  const double dx = p.x - center.x;
  const double dy = p.y - center.y;
  return {center.x + dx * cosTheta - dy * sinTheta, center.y + dx * sinTheta + dy * cosTheta};
}

// Angle after a turn: one whole turn added or removed, and a value that lands within the point
// tolerance of a full turn stored as 0 so that it does not show up as "almost 2*pi".
double normaliseTurnedAngle(double angle) {
  if (angle < 0.0) {
    angle += kTwoPi;
  } else if (angle >= kTwoPi) {
    angle -= kTwoPi;
  }
  if (std::fabs(angle - kTwoPi) < kPointTolerance) angle = 0.0;
  return angle;
}

// The straight's line coefficients a*x + b*y + k = 0, left unnormalised as the transforms
// write them.
void recomputeStraightCoefficients(Calelm& element) {
  const double x1 = element.startX;
  const double y1 = element.startY;
  const double x2 = element.endX;
  const double y2 = element.endY;
  element.extra1 = y2 - y1;
  element.extra2 = x1 - x2;
  element.extra3 = (x2 - x1) * y1 - (y2 - y1) * x1;
}

// Angle into the other frame: the map is its own inverse, with a snap to 0 near zero.
double exchangeAngle(double angle) {
  if (std::fabs(angle) < kPointTolerance) return 0.0;
  if (angle <= 0.0) return -angle;
  return kTwoPi - angle;
}

// Rotation shared by CDturnA, CDturnAe and CDrot: which points move and whether the
// kind-dependent fields follow is decided by the caller.
struct RotationPlan {
  bool moveStart;
  bool moveEnd;
  bool updateKindFields;
};

void rotateElement(Calelm& element, Point center, double theta, RotationPlan plan) {
  const double cosTheta = std::cos(theta);
  const double sinTheta = std::sin(theta);
  if (plan.moveStart) {
    const Point p = rotateAbout({element.startX, element.startY}, center, cosTheta, sinTheta);
    element.startX = p.x;
    element.startY = p.y;
  }
  if (plan.moveEnd) {
    const Point p = rotateAbout({element.endX, element.endY}, center, cosTheta, sinTheta);
    element.endX = p.x;
    element.endY = p.y;
  }
  element.startAngle = normaliseTurnedAngle(element.startAngle + theta);
  element.endAngle = normaliseTurnedAngle(element.endAngle + theta);
  if (!plan.updateKindFields) return;
  if (element.kind == 1) {
    recomputeStraightCoefficients(element);
  } else if (element.kind == 2) {
    const Point c = rotateAbout({element.extra1, element.extra2}, center, cosTheta, sinTheta);
    element.extra1 = c.x;
    element.extra2 = c.y;
  }
}

}  // namespace

extern "C" {

int16_t CDlinstd(double x1, double y1, double x2, double y2, StdLine* line) {
  if (line == nullptr) return -1;
  const double length = distanceBetween(x1, y1, x2, y2);
  if (length < kLineTolerance) return 1;
  *line = StdLine{x1, y1, (x2 - x1) / length, (y2 - y1) / length};
  return 0;
}

int16_t CDlineang(double /*x0*/, double /*y0*/, double ux, double uy, double* angle) {
  if (angle == nullptr) return -1;
  double a = std::atan2(std::fabs(uy), std::fabs(ux));
  if (ux < 0.0 && uy >= 0.0) {
    a = kPi - a;
  } else if (ux < 0.0 && uy < 0.0) {
    a = kPi + a;
  } else if (ux >= 0.0 && uy < 0.0) {
    a = kTwoPi - a;
  }
  if (a < 0.0) a += kTwoPi;
  *angle = a;
  return 0;
}

double CDbtwang(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                double y4) {
  // A degenerate segment leaves its line at zero, which measures as direction 0.
  StdLine first{0.0, 0.0, 0.0, 0.0};
  StdLine second{0.0, 0.0, 0.0, 0.0};
  CDlinstd(x1, y1, x2, y2, &first);
  CDlinstd(x3, y3, x4, y4, &second);
  double firstAngle = 0.0;
  double secondAngle = 0.0;
  CDlineang(first.x0, first.y0, first.ux, first.uy, &firstAngle);
  CDlineang(second.x0, second.y0, second.ux, second.uy, &secondAngle);
  const double difference = secondAngle - firstAngle;
  if (std::fabs(difference) < kAngleQuantum) return 0.0;
  if (difference < 0.0) return difference + kTwoPi;
  return difference;
}

int16_t CDlincros(double xa, double ya, double uxa, double uya, double xb, double yb, double uxb,
                  double uyb, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  const double determinant = uxb * uya - uyb * uxa;
  if (std::fabs(determinant) < kLineTolerance) return 1;
  const double t = (uxb * (yb - ya) - uyb * (xb - xa)) / determinant;
  *x = xa + uxa * t;
  *y = ya + uya * t;
  return 0;
}

int16_t CDpoiinseg(double x1, double y1, double x2, double y2, double px, double py) {
  const double segmentLength = distanceBetween(x1, y1, x2, y2);
  const double fromStart = distanceBetween(px, py, x1, y1);
  const double fromEnd = distanceBetween(px, py, x2, y2);
  // The end is tested first, so a point on both ends of a tiny segment counts as the end.
  if (fromEnd < kPointTolerance) return 2;
  if (fromStart < kPointTolerance) return 1;
  if (fromStart < segmentLength && fromEnd < segmentLength) return 0;
  return -1;
}

int16_t CDsegcros(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                  double y4, double* x, double* y) {
  if (x == nullptr || y == nullptr) return -1;
  StdLine first{};
  StdLine second{};
  if (CDlinstd(x1, y1, x2, y2, &first) != 0) return 1;
  if (CDlinstd(x3, y3, x4, y4, &second) != 0) return 1;
  double crossX = 0.0;
  double crossY = 0.0;
  if (CDlincros(first.x0, first.y0, first.ux, first.uy, second.x0, second.y0, second.ux,
                second.uy, &crossX, &crossY) != 0) {
    return 1;
  }
  const int16_t onFirst = CDpoiinseg(x1, y1, x2, y2, crossX, crossY);
  const int16_t onSecond = CDpoiinseg(x3, y3, x4, y4, crossX, crossY);
  if (onFirst == -1 || onSecond == -1) return -1;
  *x = crossX;
  *y = crossY;
  // Segment 2's ends decide first, then segment 1's.
  if (onSecond == 1) return 21;
  if (onSecond == 2) return 22;
  if (onFirst == 1) return 11;
  if (onFirst == 2) return 12;
  return 0;
}

int16_t CDpoionls(double px, double py, double x1, double y1, double x2, double y2) {
  constexpr double boxMargin = 2.0;
  constexpr double acceptedSquaredOffset = 16.0;
  if (distanceBetween(px, py, x1, y1) < kPointTolerance) return 1;
  if (distanceBetween(px, py, x2, y2) < kPointTolerance) return 2;
  if (px < std::fmin(x1, x2) - boxMargin || px > std::fmax(x1, x2) + boxMargin ||
      py < std::fmin(y1, y2) - boxMargin || py > std::fmax(y1, y2) + boxMargin) {
    return -1;
  }
  // Squared perpendicular offset from the segment's line (from point 1 when it has no length).
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  const double squaredLength = dx * dx + dy * dy;
  const double rx = px - x1;
  const double ry = py - y1;
  double squaredOffset = rx * rx + ry * ry;
  if (squaredLength > 0.0) {
    const double cross = dx * ry - dy * rx;
    squaredOffset = cross * cross / squaredLength;
  }
  return squaredOffset < acceptedSquaredOffset ? 0 : -1;
}

int16_t CDpldist(double x0, double y0, double ux, double uy, double px, double py,
                 double* distance) {
  if (distance == nullptr) return -1;
  const double along = (py - y0) * uy + (px - x0) * ux;
  const double rx = px - x0;
  const double ry = py - y0;
  const double squaredOffset = rx * rx + ry * ry - along * along;
  *distance = squaredOffset >= kSquaredDistanceTolerance ? std::sqrt(squaredOffset) : 0.0;
  return 0;
}

int16_t CDpojpoi(double x0, double y0, double ux, double uy, double px, double py, double* footX,
                 double* footY) {
  if (footX == nullptr || footY == nullptr) return -1;
  const double theta = CDbtwang(x0, y0, x0 + 10.0 * ux, y0 + 10.0 * uy, x0, y0, px, py);
  const double along = distanceBetween(x0, y0, px, py) * std::cos(theta);
  *footX = x0 + along * ux;
  *footY = y0 + along * uy;
  return 0;
}

int16_t CDmove(double dx, double dy, double* x1, double* y1, double* x2, double* y2) {
  if (x1 == nullptr || y1 == nullptr || x2 == nullptr || y2 == nullptr) return -1;
  *x1 += dx;
  *y1 += dy;
  *x2 += dx;
  *y2 += dy;
  return 0;
}

int16_t CDmoveP(double x, double y, double dx, double dy, double* outX, double* outY) {
  if (outX == nullptr || outY == nullptr) return -1;
  *outX = x + dx;
  *outY = y + dy;
  return 0;
}

int16_t CDrotpoi(double centerX, double centerY, double cosTheta, double sinTheta, double px,
                 double py, double* outX, double* outY) {
  if (outX == nullptr || outY == nullptr) return -1;
  const Point p = rotateAbout({px, py}, {centerX, centerY}, cosTheta, sinTheta);
  *outX = p.x;
  *outY = p.y;
  return 0;
}

int16_t CDmirAng(double angle, double* mirrored) {
  if (mirrored == nullptr) return -1;
  double a = kPi - angle;
  if (a < 0.0) a += kTwoPi;
  *mirrored = a;
  return 0;
}

int16_t CDmirA(Calelm element, Calelm* result) {
  if (result == nullptr) return -1;
  element.startX = -element.startX;
  element.endX = -element.endX;
  element.turnSign = -element.turnSign;
  CDmirAng(element.startAngle, &element.startAngle);
  CDmirAng(element.endAngle, &element.endAngle);
  if (element.kind == 1) {
    recomputeStraightCoefficients(element);
  } else if (element.kind == 2) {
    element.extra1 = -element.extra1;
  }
  *result = element;
  return 0;
}

int16_t CDmoveA(Calelm element, Calelm* result, double dx, double dy) {
  if (result == nullptr) return -1;
  element.startX += dx;
  element.startY += dy;
  element.endX += dx;
  element.endY += dy;
  if (element.kind == 1) {
    recomputeStraightCoefficients(element);
  } else if (element.kind == 2) {
    element.extra1 += dx;
    element.extra2 += dy;
  }
  *result = element;
  return 0;
}

int16_t CDturnA(Calelm element, Calelm* result, double theta) {
  if (result == nullptr) return -1;
  rotateElement(element, {element.startX, element.startY}, theta, {false, true, true});
  *result = element;
  return 0;
}

int16_t CDturnAe(Calelm element, Calelm* result, double theta) {
  if (result == nullptr) return -1;
  // Fields 12 to 14 are carried over unchanged for every kind, the arc centre included.
  rotateElement(element, {element.endX, element.endY}, theta, {true, false, false});
  *result = element;
  return 0;
}

int16_t CDrot(Calelm element, Calelm* result, double centerX, double centerY, double theta) {
  if (result == nullptr) return -1;
  rotateElement(element, {centerX, centerY}, theta, {true, true, true});
  *result = element;
  return 0;
}

int16_t CDreverA(Calelm* clothoid, int16_t force) {
  if (clothoid == nullptr) return -1;
  Calelm& c = *clothoid;
  // Radius 0 means infinite: the normal orientation runs from the larger radius to the smaller.
  const bool reverse =
      force != 0 || c.endRadius == 0.0 || (0.0 < c.startRadius && c.startRadius < c.endRadius);
  if (!reverse) return 0;
  const double oldStartAngle = c.startAngle;
  const double oldEndAngle = c.endAngle;
  const double oldStartRadius = c.startRadius;
  c.startRadius = c.endRadius;
  c.endRadius = oldStartRadius;
  c.turnSign = -c.turnSign;
  const double oldStartX = c.startX;
  const double oldStartY = c.startY;
  c.startX = c.endX;
  c.startY = c.endY;
  c.endX = oldStartX;
  c.endY = oldStartY;
  c.startAngle = oldEndAngle + kPi;
  if (c.startAngle >= kTwoPi) c.startAngle -= kTwoPi;
  c.endAngle = oldStartAngle + kPi;
  if (c.endAngle >= kTwoPi) c.endAngle -= kTwoPi;
  return 1;
}

int16_t CDchgSpace(Calelm element, Calelm* result) {
  if (result == nullptr) return -1;
  element.startY = -element.startY;
  element.endY = -element.endY;
  element.startAngle = exchangeAngle(element.startAngle);
  element.endAngle = exchangeAngle(element.endAngle);
  if (element.kind == 2) {
    element.extra2 = -element.extra2;
  } else if (element.kind == 1) {
    // Coefficients of the line in the new frame, normalised by the segment length.
    const double x1 = element.startX;
    const double y1 = element.startY;
    const double x2 = element.endX;
    const double y2 = element.endY;
    const double length = distanceBetween(x1, y1, x2, y2);
    if (length > 0.0) {
      element.extra1 = (y2 - y1) / length;
      element.extra2 = (x1 - x2) / length;
      element.extra3 = ((x2 - x1) * y1 - (y2 - y1) * x1) / length;
    } else {
      element.extra1 = 0.0;
      element.extra2 = 0.0;
      element.extra3 = 0.0;
    }
  }
  *result = element;
  return 0;
}

}  // extern "C"
