// Element helpers: edge cases as tables; arc evaluation checked against complex-number
// constructions; lengths and the straight maker against direct geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>

#include "kestrel/geometry.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

using Complex = std::complex<double>;

double wrappedDifference(double a, double b) { return std::remainder(a - b, kTwoPi); }

TEST(CDchkAR, RadiusToParameterBound) {
  const struct {
    double A, R;
    int16_t status;
  } cases[] = {{100, 56, -1}, {100, 56.1, 0}, {0, 50, -1}, {100, 0, 0}, {100, -200, -1}, {0, 0, -1}};
  for (const auto& c : cases) EXPECT_EQ(CDchkAR(c.A, c.R), c.status) << c.A << "," << c.R;
}

Calelm computationArc(double sign, double startPolar, double endPolar, double R) {
  Calelm arc;
  initCalelm(&arc);
  arc.kind = 2;
  arc.turnSign = sign;
  arc.parameter = R;
  arc.extra1 = 10.0;
  arc.extra2 = -20.0;
  arc.startX = 10.0 + R * std::cos(startPolar);
  arc.startY = -20.0 + R * std::sin(startPolar);
  arc.endX = 10.0 + R * std::cos(endPolar);
  arc.endY = -20.0 + R * std::sin(endPolar);
  return arc;
}

TEST(CDvalidArc, MinorArcsOnly) {
  const struct {
    const char* name;
    double sign, startPolar, endPolar;
    int16_t status;
  } cases[] = {
      {"+1 sweeping pi", 1.0, 0.3, 0.3 + kPi, -1},
      {"+1 sweeping 3", 1.0, 0.3, 3.3, 0},
      {"-1 with the +1 sweep of 3", -1.0, 0.3, 3.3, -1},
      {"-1 sweeping 3 clockwise", -1.0, 0.3, 0.3 - 3.0, 0},
      {"+1 sweeping 4", 1.0, 0.3, 4.3, -1},
      {"no sweep", 1.0, 0.3, 0.3, -1},
      {"sign not +-1", 0.5, 0.3, 1.3, -1},
  };
  for (const auto& c : cases) {
    const Calelm arc = computationArc(c.sign, c.startPolar, c.endPolar, 50.0);
    EXPECT_EQ(CDvalidArc(&arc), c.status) << c.name;
  }
}

TEST(Coincidence, PointsAndAngles) {
  EXPECT_EQ(ali_CSamePoint(0.0, 0.0, 0.00001, 0.0), 1);
  EXPECT_EQ(ali_CSamePoint(0.0, 0.0, 0.0000099, 0.0), 0);
  EXPECT_EQ(ali_CSamePoint(5.0, 5.0, 5.0, 5.00002), 1);
  EXPECT_EQ(gc_samePoint(0.0, 0.0, 0.09, -0.09, 0.1), 0);
  EXPECT_EQ(gc_samePoint(0.0, 0.0, 0.1, 0.0, 0.1), -1);
  EXPECT_EQ(chk_CSameAng(0.0, 4.84813681109536e-6), -1);
  EXPECT_EQ(chk_CSameAng(1.0, 1.0 + 4.8e-6), 0);
}

TEST(FrameConversion, AnglesAndCoordinates) {
  const double cases[][2] = {{0.000005, 0.0}, {1.0, kTwoPi - 1.0}, {-1.0, 1.0}, {-0.000005, 0.0}};
  for (const auto& c : cases) EXPECT_NEAR(ali_CExAng(c[0]), c[1], 1e-15) << c[0];
  std::mt19937_64 random(31);
  std::uniform_real_distribution<double> angle(1e-4, kTwoPi - 1e-4);
  for (int i = 0; i < 200; ++i) {
    const double a = angle(random);
    EXPECT_NEAR(ali_CExAng(ali_CExAng(a)), a, 1e-14);
    // A direction in one frame is the mirrored direction in the other.
    const double converted = ali_CExAng(a);
    EXPECT_NEAR(std::cos(converted), std::cos(a), 1e-12);
    EXPECT_NEAR(std::sin(converted), -std::sin(a), 1e-12);
  }
  double x = 0, y = 0;
  ali_CExCoord(3.0, 4.0, &x, &y);
  EXPECT_EQ(x, 3.0);
  EXPECT_EQ(y, -4.0);
}

TEST(Rounding, LengthAndAngleQuanta) {
  EXPECT_EQ(ali_CAroundNum(0.000004), 0.0);
  EXPECT_NEAR(ali_CAroundNum(0.000006), 1e-5, 1e-18);
  EXPECT_NEAR(ali_CAroundNum(-2.5000049), -2.5, 1e-12);
  std::mt19937_64 random(32);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  for (int i = 0; i < 500; ++i) {
    const double v = value(random);
    const double rounded = ali_CAroundNum(v);
    EXPECT_LE(std::fabs(rounded - v), 0.5e-5 + 1e-12);
    EXPECT_NEAR(rounded / 1e-5, std::round(rounded / 1e-5), 1e-6);
    const double a = std::fabs(v) / 100.0;
    const double roundedAngle = ali_CAroundAng(a);
    EXPECT_LE(std::fabs(roundedAngle - a), 0.5 * 1.389e-6 + 1e-15);
    EXPECT_NEAR(roundedAngle / 1.389e-6, std::round(roundedAngle / 1.389e-6), 1e-6);
  }
}

TEST(ArcEvaluation, CentreEndAnglesAndLengthAgreeWithComplexConstruction) {
  std::mt19937_64 random(33);
  std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  std::uniform_real_distribution<double> radius(5.0, 3000.0);
  std::uniform_real_distribution<double> sweep(0.01, kPi - 0.01);
  for (int i = 0; i < 500; ++i) {
    const double sign = i % 2 ? 1.0 : -1.0;
    const Complex start(coordinate(random), coordinate(random));
    const double tangent = angle(random), R = radius(random), phi = sweep(random);
    const Complex expectedCenter = start + sign * R * Complex(0, 1) * std::polar(1.0, tangent);
    const Complex expectedEnd = expectedCenter + (start - expectedCenter) * std::polar(1.0, sign * phi);
    double cx = 0, cy = 0, ex = 0, ey = 0;
    ali_KEnPntc(sign, start.real(), start.imag(), tangent, R, &cx, &cy);
    EXPECT_NEAR(cx, expectedCenter.real(), 1e-9);
    EXPECT_NEAR(cy, expectedCenter.imag(), 1e-9);
    ali_KEnPntb(sign, cx, cy, start.real(), start.imag(), phi, &ex, &ey);
    EXPECT_NEAR(ex, expectedEnd.real(), 1e-9);
    EXPECT_NEAR(ey, expectedEnd.imag(), 1e-9);
    double foundX = 0, foundY = 0;
    EXPECT_EQ(ali_KEnCen(start.real(), start.imag(), ex, ey, sign, R, &foundX, &foundY), 0);
    EXPECT_NEAR(foundX, cx, 1e-6 * R);
    EXPECT_NEAR(foundY, cy, 1e-6 * R);
    double startAngle = 0, endAngle = 0, central = 0, length = 0;
    ali_KEnAng(start.real(), start.imag(), ex, ey, sign, R, cx, cy, &startAngle, &endAngle,
               &central, &length);
    EXPECT_NEAR(wrappedDifference(startAngle, tangent), 0.0, 1e-9);
    EXPECT_NEAR(wrappedDifference(endAngle, tangent + sign * phi), 0.0, 1e-9);
    EXPECT_NEAR(central, phi, 1e-9);
    EXPECT_NEAR(length, phi * R, 1e-9 * R);
    double alongCircle = 0;
    ali_KEnPncl(sign, R, cx, cy, start.real(), start.imag(), ex, ey, &alongCircle);
    EXPECT_NEAR(alongCircle, phi * R, 1e-9 * R);
  }
}

TEST(ali_KEnCen, AxisParallelChordsAndLongWay) {
  const double h = std::sqrt(75.0);
  const struct {
    double x1, y1, x2, y2, sign, cx, cy;
  } cases[] = {
      {0, 0, 0, 10, 1.0, -h, 5}, {0, 0, 0, 10, -1.0, h, 5}, {0, 10, 0, 0, 1.0, h, 5},
      {0, 0, 10, 0, 1.0, 5, h},  {0, 0, 10, 0, -1.0, 5, -h}, {0, 0, 10, 2e-5, 1.0, 5, h},
  };
  for (const auto& c : cases) {
    double cx = 0, cy = 0;
    EXPECT_EQ(ali_KEnCen(c.x1, c.y1, c.x2, c.y2, c.sign, 10.0, &cx, &cy), 0);
    EXPECT_NEAR(cx, c.cx, 1e-4);
    EXPECT_NEAR(cy, c.cy, 1e-4);
  }
  double cx = 0, cy = 0, length = 0;
  EXPECT_EQ(ali_KEnCen(1, 1, 1, 1, 1.0, 10.0, &cx, &cy), -1);
  // Against the turning sense the way round is the long one.
  ali_KEnPncl(-1.0, 10.0, 0, 0, 10, 0, 0, 10, &length);
  EXPECT_NEAR(length, 1.5 * kPi * 10.0, 1e-12);
}

TEST(ali_KCalCst, NormalisedLineThroughBothPoints) {
  std::mt19937_64 random(34);
  std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
  for (int i = 0; i < 300; ++i) {
    const double x1 = coordinate(random), y1 = coordinate(random);
    const double x2 = coordinate(random), y2 = coordinate(random);
    double a = 0, b = 0, k = 0;
    EXPECT_EQ(ali_KCalCst(x1, y1, x2, y2, &a, &b, &k), 0);
    EXPECT_NEAR(a * a + b * b, 1.0, 1e-12);
    EXPECT_NEAR(a * x1 - b * y1, k, 1e-4);
    EXPECT_NEAR(a * x2 - b * y2, k, 1e-4);
  }
}

TEST(PointHelpers, DirectionMoveRotate) {
  EXPECT_EQ(ali_KGetAng(2, 3, 2, 3), 0.0);
  EXPECT_NEAR(ali_KGetAng(0, 0, 0, -1), 1.5 * kPi, 1e-15);
  double x = 0, y = 0, direction = 0;
  ali_KMovPnt(1, 1, 5, std::atan2(4, 3), &x, &y);
  EXPECT_NEAR(x, 4, 1e-12);
  EXPECT_NEAR(y, 5, 1e-12);
  const Complex expected = Complex(1, 2) + (Complex(4, -3) - Complex(1, 2)) * std::polar(1.0, 2.5);
  ali_KRotPnt(4, -3, 1, 2, 2.5, &x, &y);
  EXPECT_NEAR(x, expected.real(), 1e-12);
  EXPECT_NEAR(y, expected.imag(), 1e-12);
  const struct {
    double d;
    int16_t clamp, status;
  } cases[] = {{3, 1, 0}, {5, 1, 0}, {6, 1, -1}, {6, 0, 0}, {-1, 0, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(ali_KGetPnt(0, 0, 3, 4, c.d, c.clamp, &x, &y, &direction), c.status) << c.d;
    if (c.status == 0) {
      EXPECT_NEAR(x, 0.6 * c.d, 1e-12);
      EXPECT_NEAR(y, 0.8 * c.d, 1e-12);
    }
  }
  EXPECT_EQ(ali_KGetPnt(1, 1, 1 + 5e-6, 1, 0.0, 0, &x, &y, &direction), -1);
}

TEST(ali_KAdjAng, WholeTurns) {
  const double cases[][2] = {{-0.5, kTwoPi - 0.5}, {kTwoPi, kTwoPi}, {7.0, 7.0 - kTwoPi},
                             {2 * kTwoPi + 1.0, 1.0}, {0.0, 0.0}};
  for (const auto& c : cases) {
    double adjusted = -1;
    EXPECT_EQ(ali_KAdjAng(c[0], &adjusted), 0);
    EXPECT_NEAR(adjusted, c[1], 1e-12) << c[0];
  }
  double adjusted = 0;
  EXPECT_EQ(ali_KAdjAng(std::nan(""), &adjusted), -1);
  EXPECT_EQ(ali_KAdjAng(1e300, &adjusted), 0);
  EXPECT_GE(adjusted, 0.0);
  EXPECT_LE(adjusted, kTwoPi);
}

TEST(ClothoidRelations, ZeroGuardsAndConsistency) {
  EXPECT_EQ(CDRlen(100, 0), 0.0);
  EXPECT_EQ(CDRang(100, 0), 0.0);
  EXPECT_EQ(CDLang(100, 9e-6), 0.0);
  EXPECT_EQ(CDAngR(100, 1e-6), 0.0);
  EXPECT_DOUBLE_EQ(CDRlen(100, 200), 50.0);
  EXPECT_DOUBLE_EQ(CDRang(100, 200), 0.125);
  EXPECT_DOUBLE_EQ(CDLang(100, 50), 0.125);
  EXPECT_DOUBLE_EQ(CDAngR(100, 0.125), 200.0);
  double x = 1, y = 1;
  CDRcalxy(100, 0, &x, &y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  x = y = 1;
  CDLcalxy(100, 0, &x, &y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  x = y = 1;
  CDAcalxy(100, 1e-6, &x, &y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  double tau = 1, shift = 1, centerAbscissa = 1;
  AelmAtri(100, 1e-5, &tau, &shift, &centerAbscissa);
  EXPECT_EQ(tau + shift + centerAbscissa, 0.0);
  double values[7] = {1, 1, 1, 1, 1, 1, 1};
  CDcharLmA(100, 0, values);
  for (double v : values) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(CDAcalxy(100, std::nan(""), &x, &y), -1);
}

// An arc in the surveyor frame from a computation-frame construction.
Calelm surveyorArc(double sign, double R, double phi) {
  const Complex center(100, 200);
  const Complex start = center + R * std::polar(1.0, 0.4);
  const Complex end = center + (start - center) * std::polar(1.0, sign * phi);
  Calelm arc;
  initCalelm(&arc);
  arc.kind = 2;
  arc.turnSign = sign;
  arc.parameter = R;
  arc.startX = start.real();
  arc.startY = -start.imag();
  arc.endX = end.real();
  arc.endY = -end.imag();
  return arc;
}

TEST(ElementLengths, ByKind) {
  Calelm record;
  double length = -1;
  initCalelm(&record);
  EXPECT_EQ(ali_getl(&record, &length), -1);

  record.kind = 1;
  record.endX = 3;
  record.endY = 4;
  EXPECT_EQ(ali_getl(&record, &length), 0);
  EXPECT_EQ(length, 5.0);
  record.endX = record.endY = 5e-6;
  EXPECT_EQ(ali_getlS(&record, &length), -1);
  EXPECT_EQ(length, 0.0);

  const Calelm arc = surveyorArc(1.0, 250.0, 1.1);
  EXPECT_EQ(ali_getl(&arc, &length), 0);
  EXPECT_NEAR(length, 1.1 * 250.0, 1e-5);
  EXPECT_EQ(length, ali_CAroundNum(length));
  const Calelm clockwise = surveyorArc(-1.0, 80.0, 2.0);
  EXPECT_EQ(ali_getlR(&clockwise, &length), 0);
  EXPECT_NEAR(length, 160.0, 1e-5);

  Calelm full = arc;
  full.endX = full.startX;
  full.endY = full.startY;
  EXPECT_EQ(ali_getlR(&full, &length), 1);
  EXPECT_NEAR(length, kTwoPi * 250.0, 1e-9);
  EXPECT_EQ(ali_getl(&full, &length), 1);
  EXPECT_EQ(length, 0.0);
  Calelm noRadius = arc;
  noRadius.parameter = 0.0;
  EXPECT_EQ(ali_getlR(&noRadius, &length), -1);
  Calelm badSign = arc;
  badSign.turnSign = 0.5;
  EXPECT_EQ(ali_getl(&badSign, &length), -1);

  Calelm clothoid;
  initCalelm(&clothoid);
  clothoid.kind = 3;
  clothoid.parameter = 100;
  clothoid.endRadius = 200;
  EXPECT_EQ(ali_getl(&clothoid, &length), 0);
  EXPECT_DOUBLE_EQ(length, 50.0);
  clothoid.startRadius = 400;
  EXPECT_EQ(ali_getlA(&clothoid, &length), 0);
  EXPECT_DOUBLE_EQ(length, 25.0);

  EXPECT_EQ(ali_getlPP(0, 0, 3, 4), 5.0);
  EXPECT_EQ(ali_getlPP(1, 1, 1 + 9e-6, 1 - 9e-6), -1.0);
}

TEST(ali_makS, CompletesStraightInSurveyorFrame) {
  std::mt19937_64 random(35);
  std::uniform_real_distribution<double> coordinate(-5000.0, 5000.0);
  for (int i = 0; i < 300; ++i) {
    Calelm s;
    initCalelm(&s);
    s.startX = coordinate(random);
    s.startY = coordinate(random);
    s.endX = coordinate(random);
    s.endY = coordinate(random);
    s.parameter = 9.0;
    ASSERT_EQ(ali_makS(&s), 0);
    EXPECT_EQ(s.kind, 1);
    EXPECT_EQ(s.turnSign, 1.0);
    EXPECT_EQ(s.parameter, 0.0);
    const double dx = s.endX - s.startX, dy = s.endY - s.startY;
    EXPECT_NEAR(s.length, std::hypot(dx, dy), 0.5e-5 + 1e-9);
    // Survey azimuth: from +X (north) toward +Y (east).
    EXPECT_NEAR(wrappedDifference(s.startAngle, std::atan2(dy, dx)), 0.0, 1e-6);
    EXPECT_EQ(s.endAngle, s.startAngle);
    EXPECT_NEAR(s.extra1 * s.extra1 + s.extra2 * s.extra2, 1.0, 1e-12);
    EXPECT_NEAR(s.extra1 * s.startX + s.extra2 * s.startY, s.extra3, 1e-4);
    EXPECT_NEAR(s.extra1 * s.endX + s.extra2 * s.endY, s.extra3, 1e-4);
  }
  // Heading a hair east of north: the computation-frame direction just under 2*pi rounds up
  // past a full turn, and the conversion back leaves a tiny negative azimuth.
  Calelm north;
  initCalelm(&north);
  north.endX = 1000.0;
  north.endY = 1e-7;
  ASSERT_EQ(ali_makS(&north), 0);
  EXPECT_LT(north.startAngle, 0.0);
  EXPECT_GT(north.startAngle, -1.389e-6);
  Calelm same;
  initCalelm(&same);
  same.endX = 9e-6;
  EXPECT_EQ(ali_makS(&same), -1);
  EXPECT_EQ(same.kind, 0);
}

TEST(initCalelm, ClearsEveryByteAndReturnsRecord) {
  Calelm record;
  std::memset(&record, 0xAB, sizeof record);
  EXPECT_EQ(initCalelm(&record), &record);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (size_t i = 0; i < sizeof record; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(initCalelm(nullptr), nullptr);
}

}  // namespace
