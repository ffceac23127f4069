// Element helpers: edge cases as rows of cases/elements.txt; arc evaluation checked against
// complex-number constructions; rounding, frames, lengths and the straight maker against direct
// geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>

#include "kestrel/geometry.h"
#include "tests/support/call_table.h"

namespace {

using kestrel::testing::Numbers;

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

using Complex = std::complex<double>;

double wrappedDifference(double a, double b) { return std::remainder(a - b, kTwoPi); }

// An arc of radius 50 about (10, -20) in the computation frame, by the polar angles of its ends.
Calelm computationArc(double sign, double startPolar, double endPolar) {
  Calelm arc;
  initCalelm(&arc);
  arc.kind = 2;
  arc.turnSign = sign;
  arc.parameter = 50.0;
  arc.extra1 = 10.0;
  arc.extra2 = -20.0;
  arc.startX = 10.0 + 50.0 * std::cos(startPolar);
  arc.startY = -20.0 + 50.0 * std::sin(startPolar);
  arc.endX = 10.0 + 50.0 * std::cos(endPolar);
  arc.endY = -20.0 + 50.0 * std::sin(endPolar);
  return arc;
}

// Adapters for functions of the form f(a, b, &x, &y).
template <typename F>
Numbers pair(F f, const Numbers& a) {
  double x = 1, y = 1;
  f(a[0], a[1], &x, &y);
  return {x, y};
}

TEST(Elements, CaseTable) {
  kestrel::testing::runCallTable("geometry/cases/elements.txt", {
    {"CDchkAR", [](const Numbers& a) -> Numbers { return {double(CDchkAR(a[0], a[1]))}; }},
    {"CDvalidArc", [](const Numbers& a) -> Numbers {
       const Calelm arc = computationArc(a[0], a[1], a[2]);
       return {double(CDvalidArc(&arc))}; }},
    {"ali_CSamePoint", [](const Numbers& a) -> Numbers {
       return {double(ali_CSamePoint(a[0], a[1], a[2], a[3]))}; }},
    {"gc_samePoint", [](const Numbers& a) -> Numbers {
       return {double(gc_samePoint(a[0], a[1], a[2], a[3], a[4]))}; }},
    {"chk_CSameAng", [](const Numbers& a) -> Numbers { return {double(chk_CSameAng(a[0], a[1]))}; }},
    {"ali_CExAng", [](const Numbers& a) -> Numbers { return {ali_CExAng(a[0])}; }},
    {"ali_CExCoord", [](const Numbers& a) { return pair(ali_CExCoord, a); }},
    {"ali_CAroundNum", [](const Numbers& a) -> Numbers { return {ali_CAroundNum(a[0])}; }},
    {"ali_KEnCen", [](const Numbers& a) -> Numbers {
       double cx = 0, cy = 0;
       return {double(ali_KEnCen(a[0], a[1], a[2], a[3], a[4], 10.0, &cx, &cy)), cx, cy}; }},
    {"ali_KEnPncl", [](const Numbers& a) -> Numbers {
       double length = 0;
       ali_KEnPncl(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &length);
       return {length}; }},
    {"ali_KGetAng", [](const Numbers& a) -> Numbers { return {ali_KGetAng(a[0], a[1], a[2], a[3])}; }},
    {"ali_KMovPnt", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0;
       ali_KMovPnt(a[0], a[1], a[2], a[3], &x, &y);
       return {x, y}; }},
    {"ali_KRotPnt", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0;
       ali_KRotPnt(a[0], a[1], a[2], a[3], a[4], &x, &y);
       return {x, y}; }},
    {"ali_KGetPnt", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0, direction = 0;
       const int16_t status =
           ali_KGetPnt(a[0], a[1], a[2], a[3], a[4], static_cast<int16_t>(a[5]), &x, &y, &direction);
       return {double(status), x, y}; }},
    {"ali_KAdjAng", [](const Numbers& a) -> Numbers {
       double adjusted = -1;
       return {double(ali_KAdjAng(a[0], &adjusted)), adjusted}; }},
    {"CDRlen", [](const Numbers& a) -> Numbers { return {CDRlen(a[0], a[1])}; }},
    {"CDRang", [](const Numbers& a) -> Numbers { return {CDRang(a[0], a[1])}; }},
    {"CDLang", [](const Numbers& a) -> Numbers { return {CDLang(a[0], a[1])}; }},
    {"CDAngR", [](const Numbers& a) -> Numbers { return {CDAngR(a[0], a[1])}; }},
    {"CDRcalxy", [](const Numbers& a) { return pair(CDRcalxy, a); }},
    {"CDLcalxy", [](const Numbers& a) { return pair(CDLcalxy, a); }},
    {"CDAcalxy", [](const Numbers& a) -> Numbers {
       double x = 1, y = 1;
       return {double(CDAcalxy(a[0], a[1], &x, &y)), x, y}; }},
    {"AelmAtri", [](const Numbers& a) -> Numbers {
       double tau = 1, shift = 1, centerAbscissa = 1;
       AelmAtri(a[0], a[1], &tau, &shift, &centerAbscissa);
       return {tau, shift, centerAbscissa}; }},
    {"CDcharLmA", [](const Numbers& a) -> Numbers {
       double v[7] = {1, 1, 1, 1, 1, 1, 1};
       const int16_t status = CDcharLmA(a[0], a[1], v);
       return {double(status), v[0], v[1], v[2], v[3], v[4], v[5], v[6]}; }},
    {"ali_getlPP", [](const Numbers& a) -> Numbers { return {ali_getlPP(a[0], a[1], a[2], a[3])}; }},
    {"getl", [](const Numbers& a) -> Numbers {
       Calelm e;
       initCalelm(&e);
       e.kind = static_cast<int16_t>(a[1]);
       double* fields[8] = {&e.startX, &e.startY, &e.endX, &e.endY, &e.turnSign, &e.parameter,
                            &e.startRadius, &e.endRadius};
       for (int k = 0; k < 8; ++k) *fields[k] = a[2 + k];
       decltype(&ali_getl) functions[4] = {ali_getl, ali_getlS, ali_getlR, ali_getlA};
       double length = -1;
       const int16_t status = functions[static_cast<int>(a[0])](&e, &length);
       return {double(status), length, double(length == ali_CAroundNum(length))}; }},
  });
}

TEST(Elements, FramesRoundingAndWholeTurnsOverRandomValues) {
  std::mt19937_64 random(31);
  std::uniform_real_distribution<double> angle(1e-4, kTwoPi - 1e-4);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  for (int i = 0; i < 500; ++i) {
    const double a = angle(random);
    EXPECT_NEAR(ali_CExAng(ali_CExAng(a)), a, 1e-14);
    // A direction in one frame is the mirrored direction in the other.
    const double converted = ali_CExAng(a);
    EXPECT_NEAR(std::cos(converted), std::cos(a), 1e-12);
    EXPECT_NEAR(std::sin(converted), -std::sin(a), 1e-12);
    const double v = value(random);
    const double rounded = ali_CAroundNum(v);
    EXPECT_LE(std::fabs(rounded - v), 0.5e-5 + 1e-12);
    EXPECT_NEAR(rounded / 1e-5, std::round(rounded / 1e-5), 1e-6);
    const double small = std::fabs(v) / 100.0;
    const double roundedAngle = ali_CAroundAng(small);
    EXPECT_LE(std::fabs(roundedAngle - small), 0.5 * 1.389e-6 + 1e-15);
    EXPECT_NEAR(roundedAngle / 1.389e-6, std::round(roundedAngle / 1.389e-6), 1e-6);
  }
  double adjusted = 0;
  EXPECT_EQ(ali_KAdjAng(1e300, &adjusted), 0);
  EXPECT_GE(adjusted, 0.0);
  EXPECT_LE(adjusted, kTwoPi);
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
