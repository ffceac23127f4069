// Element makers: ali_mak, ali_makR, ali_makA, ali_makangS, ali_makangR, ali_makangA.
// Expected values come from the independent walk of chain_checker (quadrature), not the library.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "chain_checker.h"
#include "kestrel/geometry.h"

namespace {

using kestrel::geometry::testing::angleDifference;
using kestrel::geometry::testing::checkChain;
using kestrel::geometry::testing::referenceClothoidPoint;
using kestrel::geometry::testing::walk;

constexpr double kPi = std::numbers::pi;

Calelm clothoid(double x1, double y1, double x2, double y2, double sign, double a, double r1,
                double r2) {
  Calelm e{};
  e.kind = CALELM_CLOTHOID;
  e.startX = x1;
  e.startY = y1;
  e.endX = x2;
  e.endY = y2;
  e.turnSign = sign;
  e.parameter = a;
  e.startRadius = r1;
  e.endRadius = r2;
  return e;
}

double curvature(double sign, double radius) {
  return radius == 0.0 ? 0.0 : sign / radius;
}

double round5(double v) {
  return std::floor(v / 1e-5 + 0.5) * 1e-5;
}

// ---- ali_makA ----

// A clothoid defined by its start pose, walked independently to find where its end must be.
struct ClothoidCase {
  const char* name;
  double startAzimuth;
  double sign;
  double parameter;
  double startRadius;
  double endRadius;
};

class MakAOnCurve : public ::testing::TestWithParam<ClothoidCase> {};

TEST_P(MakAOnCurve, EndOnTheCurveGivesStatusZeroAndTheWalkedAngles) {
  const ClothoidCase& c = GetParam();
  const double a2 = c.parameter * c.parameter;
  const double length = std::fabs((c.endRadius == 0 ? 0 : a2 / c.endRadius) -
                                  (c.startRadius == 0 ? 0 : a2 / c.startRadius));
  const auto end = walk(1000.0, 2000.0, c.startAzimuth, curvature(c.sign, c.startRadius),
                        curvature(c.sign, c.endRadius), length);
  Calelm e = clothoid(1000.0, 2000.0, round5(end.x), round5(end.y), c.sign, c.parameter,
                      c.startRadius, c.endRadius);
  ASSERT_EQ(ali_makA(&e), 0) << c.name;
  EXPECT_NEAR(e.length, length, 1e-5) << c.name;
  EXPECT_LT(angleDifference(e.startAngle, c.startAzimuth), 1e-6) << c.name;
  EXPECT_LT(angleDifference(e.endAngle, end.azimuth), 1e-6) << c.name;
  // The caller's definition is kept.
  EXPECT_EQ(e.startX, 1000.0);
  EXPECT_EQ(e.startRadius, c.startRadius);
  EXPECT_EQ(e.endRadius, c.endRadius);
  EXPECT_EQ(e.turnSign, c.sign);
  // tau, dR and X_M at the smaller-radius end, from the quadrature.
  const double small = (c.startRadius == 0 || (c.endRadius != 0 && c.endRadius < c.startRadius))
                           ? c.endRadius
                           : c.startRadius;
  const double tau = a2 / (2 * small * small);
  double x = 0, y = 0;
  referenceClothoidPoint(c.parameter, a2 / small, &x, &y);
  EXPECT_NEAR(e.extra1, tau, 1e-9) << c.name;
  EXPECT_NEAR(e.extra2, y + small * std::cos(tau) - small, 1e-4) << c.name;
  EXPECT_NEAR(e.extra3, x - small * std::sin(tau), 1e-4) << c.name;
  EXPECT_EQ(checkChain({&e, 1}), "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakAOnCurve,
    ::testing::Values(ClothoidCase{"entry left", 0.3, 1.0, 100.0, 0.0, 200.0},
                      ClothoidCase{"entry right", 5.9, -1.0, 100.0, 0.0, 200.0},
                      ClothoidCase{"exit left (reversed inside)", 2.0, 1.0, 150.0, 300.0, 0.0},
                      ClothoidCase{"exit right (reversed inside)", 4.0, -1.0, 150.0, 300.0, 0.0},
                      ClothoidCase{"egg tightening", 1.0, 1.0, 200.0, 500.0, 250.0},
                      ClothoidCase{"egg widening (reversed inside)", 3.5, -1.0, 200.0, 250.0,
                                   500.0},
                      ClothoidCase{"sharp", 0.0, 1.0, 60.0, 0.0, 34.0},
                      ClothoidCase{"large A", 6.0, -1.0, 2000.0, 0.0, 3000.0}));

TEST(MakA, WorkedEntryClothoidOfLengthFifty) {
  // A = 100, R2 = 200: L = A^2/R = 50; walked due north (azimuth 0) from the origin.
  const auto end = walk(0, 0, 0, 0, 1.0 / 200.0, 50.0);
  Calelm e = clothoid(0, 0, round5(end.x), round5(end.y), 1.0, 100.0, 0.0, 200.0);
  ASSERT_EQ(ali_makA(&e), 0);
  EXPECT_NEAR(e.length, 50.0, 1e-9);
  EXPECT_NEAR(e.extra1, 0.125, 1e-12);
}

TEST(MakA, EndOneMetreOffIsMovedOntoTheCurveWithStatusTwo) {
  const auto end = walk(0, 0, 0, 0, 1.0 / 200.0, 50.0);
  Calelm e = clothoid(0, 0, end.x + 0.6, end.y - 0.8, 1.0, 100.0, 0.0, 200.0);
  ASSERT_EQ(ali_makA(&e), 2);
  // The fit keeps the chord direction toward the given (wrong) end: the corrected end lies on the
  // ray from the start through the given end, at the true chord length.
  const double chord = std::hypot(end.x, end.y);
  const double givenDirection = std::atan2(end.y - 0.8, end.x + 0.6);
  EXPECT_NEAR(e.endX, chord * std::cos(givenDirection), 2e-5);
  EXPECT_NEAR(e.endY, chord * std::sin(givenDirection), 2e-5);
  EXPECT_EQ(e.startX, 0.0);
  EXPECT_EQ(e.startY, 0.0);
  EXPECT_NEAR(e.length, 50.0, 1e-9);
  EXPECT_EQ(checkChain({&e, 1}), "");
}

TEST(MakA, ReversedRecordOffTheCurveKeepsItsEndAndMovesItsStart) {
  // The fit is anchored at the normalised record's start, which for an exit clothoid (R1 = 200,
  // R2 infinite) is the caller's end point; status 2 then corrects the caller's start.
  const auto end = walk(0, 0, 0.4, 1.0 / 200.0, 0.0, 50.0);
  Calelm e = clothoid(0.5, -0.5, round5(end.x), round5(end.y), 1.0, 100.0, 200.0, 0.0);
  ASSERT_EQ(ali_makA(&e), 2);
  EXPECT_EQ(e.endX, round5(end.x));
  EXPECT_EQ(e.endY, round5(end.y));
  EXPECT_NEAR(std::hypot(e.startX - e.endX, e.startY - e.endY), std::hypot(end.x, end.y), 2e-5);
  EXPECT_EQ(checkChain({&e, 1}), "");
}

struct MakAFailure {
  const char* name;
  double sign, parameter, startRadius, endRadius;
};

class MakAFails : public ::testing::TestWithParam<MakAFailure> {};

TEST_P(MakAFails, StatusMinusOneLeavesTheSentinels) {
  const MakAFailure& c = GetParam();
  Calelm e = clothoid(10, 20, 40, 60, c.sign, c.parameter, c.startRadius, c.endRadius);
  ASSERT_EQ(ali_makA(&e), -1) << c.name;
  EXPECT_EQ(e.length, 1.0);
  EXPECT_DOUBLE_EQ(e.startAngle, kPi);
  EXPECT_DOUBLE_EQ(e.endAngle, kPi);
  EXPECT_EQ(e.extra1, 1.0);
  EXPECT_EQ(e.extra2, 1.0);
  EXPECT_EQ(e.extra3, 1.0);
  EXPECT_EQ(e.startX, 10.0);
  EXPECT_EQ(e.endY, 60.0);
  EXPECT_EQ(e.startRadius, c.startRadius);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakAFails,
    ::testing::Values(MakAFailure{"A = 0", 1.0, 0.0, 0.0, 200.0},
                      MakAFailure{"both radii infinite", 1.0, 100.0, 0.0, 0.0},
                      MakAFailure{"equal radii", 1.0, 100.0, 300.0, 300.0},
                      MakAFailure{"R/A = 0.56 at the end", 1.0, 100.0, 0.0, 56.0},
                      MakAFailure{"R/A = 0.56 at the start", -1.0, 100.0, 56.0, 0.0},
                      MakAFailure{"radius against parameter sign", 1.0, 100.0, 0.0, -200.0},
                      MakAFailure{"sign not a unit", 0.5, 100.0, 0.0, 200.0},
                      MakAFailure{"A not a number", 1.0, std::nan(""), 0.0, 200.0},
                      MakAFailure{"infinite end radius", 1.0, 100.0, 0.0, HUGE_VAL}));

TEST(MakA, RatioJustAboveTheBoundIsAccepted) {
  const auto end = walk(0, 0, 1.0, 0, 1.0 / 56.1, 100.0 * 100.0 / 56.1);
  Calelm e = clothoid(0, 0, round5(end.x), round5(end.y), 1.0, 100.0, 0.0, 56.1);
  EXPECT_EQ(ali_makA(&e), 0);
}

TEST(MakA, ReversedRecordComesBackInTheCallersDirection) {
  // R1 = 200 at the start, infinite at the end: the start keeps the radius-200 end.
  const double a0 = 0.7;
  const auto end = walk(500, 500, a0, -1.0 / 200.0, 0.0, 50.0);
  Calelm e = clothoid(500, 500, round5(end.x), round5(end.y), -1.0, 100.0, 200.0, 0.0);
  ASSERT_EQ(ali_makA(&e), 0);
  EXPECT_EQ(e.startRadius, 200.0);
  EXPECT_EQ(e.endRadius, 0.0);
  EXPECT_EQ(e.turnSign, -1.0);
  EXPECT_LT(angleDifference(e.startAngle, a0), 1e-6);
  EXPECT_LT(angleDifference(e.endAngle, end.azimuth), 1e-6);
  EXPECT_NEAR(e.extra1, 0.125, 1e-12);
}

// ---- ali_makangA ----

struct MakangCase {
  const char* name;
  int16_t mode;
  double azimuth;
  double sign, parameter, startRadius, endRadius;
};

class MakangA : public ::testing::TestWithParam<MakangCase> {};

TEST_P(MakangA, PlacesTheClothoidAtThePointAlongTheTangent) {
  const MakangCase& c = GetParam();
  const double a2 = c.parameter * c.parameter;
  const double length = std::fabs((c.endRadius == 0 ? 0 : a2 / c.endRadius) -
                                  (c.startRadius == 0 ? 0 : a2 / c.startRadius));
  // The true clothoid: from (100, -50) with the azimuth, walked independently.
  const auto end = walk(100, -50, c.azimuth, curvature(c.sign, c.startRadius),
                        curvature(c.sign, c.endRadius), length);
  Calelm e = clothoid(0, 0, 0, 0, c.sign, c.parameter, c.startRadius, c.endRadius);
  if (c.mode == 1) {
    e.startX = 100;
    e.startY = -50;
    e.startAngle = c.azimuth;
  } else {
    e.endX = round5(end.x);
    e.endY = round5(end.y);
    e.endAngle = std::fmod(end.azimuth + 4 * kPi, 2 * kPi);
  }
  ASSERT_EQ(ali_makangA(&e, c.mode), 0) << c.name;
  EXPECT_NEAR(e.startX, 100, 3e-5) << c.name;
  EXPECT_NEAR(e.startY, -50, 3e-5) << c.name;
  EXPECT_NEAR(e.endX, end.x, 3e-5) << c.name;
  EXPECT_NEAR(e.endY, end.y, 3e-5) << c.name;
  EXPECT_LT(angleDifference(e.startAngle, c.azimuth), 1e-6) << c.name;
  EXPECT_LT(angleDifference(e.endAngle, end.azimuth), 1e-6) << c.name;
  EXPECT_NEAR(e.length, length, 1e-5) << c.name;
  EXPECT_EQ(checkChain({&e, 1}), "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakangA,
    ::testing::Values(MakangCase{"start, entry left", 1, 0.4, 1.0, 120.0, 0.0, 250.0},
                      MakangCase{"start, entry right", 1, 3.0, -1.0, 120.0, 0.0, 250.0},
                      MakangCase{"start, exit left", 1, 5.0, 1.0, 120.0, 250.0, 0.0},
                      MakangCase{"start, egg widening right", 1, 2.2, -1.0, 300.0, 400.0, 900.0},
                      MakangCase{"end, entry left", 2, 0.4, 1.0, 120.0, 0.0, 250.0},
                      MakangCase{"end, exit right", 2, 6.1, -1.0, 120.0, 250.0, 0.0},
                      MakangCase{"end, egg tightening left", 2, 1.3, 1.0, 300.0, 900.0, 400.0}));

TEST(MakangA, InvalidModeOrParameterLeavesItsSentinels) {
  Calelm e = clothoid(0, 0, 0, 0, 1.0, 100.0, 0.0, 200.0);
  EXPECT_EQ(ali_makangA(&e, 3), -1);
  EXPECT_EQ(e.length, 1.0);
  EXPECT_DOUBLE_EQ(e.extra1, kPi);
  EXPECT_EQ(e.extra2, 1.0);
  EXPECT_EQ(e.extra3, 1.0);
  Calelm zero = clothoid(0, 0, 0, 0, 1.0, 0.0, 0.0, 200.0);
  EXPECT_EQ(ali_makangA(&zero, 1), -1);
  EXPECT_EQ(zero.length, 1.0);
}

// ---- ali_makR, ali_makangS, ali_makangR, ali_mak ----

TEST(MakR, QuarterCircleRightTurn) {
  // North then east around centre (0, 50): a right turn of radius 50 through 90 degrees.
  Calelm e{};
  e.kind = CALELM_ARC;
  e.endX = 50;
  e.endY = 50;
  e.turnSign = -1;
  e.parameter = 50;
  ASSERT_EQ(ali_makR(&e), 0);
  EXPECT_NEAR(e.length, 25 * kPi, 1e-5);
  EXPECT_NEAR(e.extra1, 0, 1e-9);
  EXPECT_NEAR(e.extra2, 50, 1e-9);
  EXPECT_NEAR(e.extra3, kPi / 2, 1e-12);
  EXPECT_LT(angleDifference(e.startAngle, 0), 1e-9);
  EXPECT_LT(angleDifference(e.endAngle, kPi / 2), 1e-9);
  EXPECT_EQ(checkChain({&e, 1}), "");
}

struct ArcFailure {
  const char* name;
  double endX, endY, sign, radius;
};

class MakRFails : public ::testing::TestWithParam<ArcFailure> {};

TEST_P(MakRFails, ReturnsMinusOne) {
  const ArcFailure& c = GetParam();
  Calelm e{};
  e.kind = CALELM_ARC;
  e.endX = c.endX;
  e.endY = c.endY;
  e.turnSign = c.sign;
  e.parameter = c.radius;
  EXPECT_EQ(ali_makR(&e), -1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakRFails,
    ::testing::Values(ArcFailure{"coincident ends", 5e-6, 5e-6, 1, 50},
                      ArcFailure{"zero radius", 10, 0, 1, 0},
                      ArcFailure{"chord longer than diameter", 100.001, 0, 1, 50},
                      ArcFailure{"sign 0.5", 10, 0, 0.5, 50}, ArcFailure{"sign 0", 10, 0, 0, 50},
                      ArcFailure{"end not a number", std::nan(""), 0, 1, 50},
                      ArcFailure{"infinite radius", 10, 0, 1, HUGE_VAL}));

TEST(Mak, DispatchTable) {
  struct Row {
    const char* name;
    int16_t kind, mode;
    double sign;
    int16_t expected;
  };
  const Row rows[] = {
      {"arc from start, sign 0.5", CALELM_ARC, 1, 0.5, -1},
      {"arc from start", CALELM_ARC, 1, 1.0, 0},
      {"arc from end", CALELM_ARC, 2, -1.0, 0},
      {"kind 0", 0, 0, 1.0, -1},
      {"kind 4", 4, 1, 1.0, -1},
      {"mode 3", CALELM_ARC, 3, 1.0, -1},
      {"straight mode 1", CALELM_STRAIGHT, 1, 1.0, 0},
  };
  for (const Row& row : rows) {
    Calelm e{};
    e.kind = row.kind;
    e.turnSign = row.sign;
    e.parameter = 80;
    e.length = 30;
    e.startAngle = 1.0;
    e.endAngle = 1.0;
    EXPECT_EQ(ali_mak(&e, row.mode), row.expected) << row.name;
  }
}

TEST(MakangR, BothModesAgreeWithTheCircle) {
  // Left turn, radius 80, 60 m from (10, 20) heading azimuth 1.0.
  const auto end = walk(10, 20, 1.0, 1.0 / 80, 1.0 / 80, 60);
  Calelm fromStart{};
  fromStart.kind = CALELM_ARC;
  fromStart.startX = 10;
  fromStart.startY = 20;
  fromStart.startAngle = 1.0;
  fromStart.turnSign = 1;
  fromStart.parameter = 80;
  fromStart.length = 60;
  ASSERT_EQ(ali_mak(&fromStart, 1), 0);
  EXPECT_NEAR(fromStart.endX, end.x, 2e-5);
  EXPECT_NEAR(fromStart.endY, end.y, 2e-5);
  EXPECT_LT(angleDifference(fromStart.endAngle, end.azimuth), 1e-6);
  EXPECT_NEAR(fromStart.extra3, 60.0 / 80, 1e-12);
  EXPECT_EQ(checkChain({&fromStart, 1}), "");

  Calelm fromEnd{};
  fromEnd.kind = CALELM_ARC;
  fromEnd.endX = round5(end.x);
  fromEnd.endY = round5(end.y);
  fromEnd.endAngle = std::fmod(end.azimuth + 2 * kPi, 2 * kPi);
  fromEnd.turnSign = 1;
  fromEnd.parameter = 80;
  fromEnd.length = 60;
  ASSERT_EQ(ali_makangR(&fromEnd, 2), 0);
  EXPECT_NEAR(fromEnd.startX, 10, 2e-5);
  EXPECT_NEAR(fromEnd.startY, 20, 2e-5);
  EXPECT_LT(angleDifference(fromEnd.startAngle, 1.0), 1e-6);
  EXPECT_EQ(fromEnd.turnSign, 1.0);
  EXPECT_EQ(checkChain({&fromEnd, 1}), "");
}

TEST(MakangS, BothModesPlaceTheOtherEnd) {
  Calelm s{};
  s.kind = CALELM_STRAIGHT;
  s.startX = 1;
  s.startY = 2;
  s.startAngle = 2.0;
  s.length = 10;
  ASSERT_EQ(ali_makangS(&s, 1), 0);
  EXPECT_NEAR(s.endX, 1 + 10 * std::cos(2.0), 1e-5);
  EXPECT_NEAR(s.endY, 2 + 10 * std::sin(2.0), 1e-5);
  EXPECT_EQ(s.endAngle, 2.0);
  EXPECT_NEAR(s.extra1 * s.endX + s.extra2 * s.endY, s.extra3, 1e-4);

  Calelm t{};
  t.kind = CALELM_STRAIGHT;
  t.endX = 1;
  t.endY = 2;
  t.endAngle = 4.0;
  t.length = 10;
  ASSERT_EQ(ali_makangS(&t, 2), 0);
  EXPECT_NEAR(t.startX, 1 - 10 * std::cos(4.0), 1e-5);
  EXPECT_NEAR(t.startY, 2 - 10 * std::sin(4.0), 1e-5);
  EXPECT_EQ(t.startAngle, 4.0);

  Calelm zero = t;
  zero.length = 0;
  EXPECT_EQ(ali_makangS(&zero, 1), -1);
  EXPECT_EQ(ali_makangS(&t, 0), -1);
}

// ---- Fixed-seed properties: three ways to make one clothoid or arc agree ----

TEST(MakersProperties, ClothoidFromPointsFromStartAndFromEndAgreeWithTheWalk) {
  std::mt19937_64 generator(4242);
  auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  };
  for (int i = 0; i < 500; ++i) {
    const double sign = uniform(0, 1) < 0.5 ? 1.0 : -1.0;
    const double parameter = uniform(30, 3000);
    // Radii with R/A in (0.6, 8), either end possibly infinite, never equal.
    double r1 = parameter * uniform(0.6, 8), r2 = parameter * uniform(0.6, 8);
    const int shape = i % 4;
    if (shape == 0) r1 = 0;
    if (shape == 1) r2 = 0;
    if (std::fabs(parameter * parameter / r1 - parameter * parameter / r2) < 1e-3) continue;
    const double x0 = uniform(-1e5, 1e5), y0 = uniform(-1e5, 1e5), a0 = uniform(0, 2 * kPi);
    const double length = std::fabs((r2 == 0 ? 0 : parameter * parameter / r2) -
                                    (r1 == 0 ? 0 : parameter * parameter / r1));
    const auto end = walk(x0, y0, a0, curvature(sign, r1), curvature(sign, r2), length);

    Calelm fromStart = clothoid(x0, y0, 0, 0, sign, parameter, r1, r2);
    fromStart.startAngle = a0;
    ASSERT_EQ(ali_makangA(&fromStart, 1), 0) << i;
    EXPECT_NEAR(fromStart.endX, end.x, 3e-5) << i;
    EXPECT_NEAR(fromStart.endY, end.y, 3e-5) << i;
    EXPECT_LT(angleDifference(fromStart.endAngle, end.azimuth), 1e-6) << i;

    Calelm fromEnd = clothoid(0, 0, fromStart.endX, fromStart.endY, sign, parameter, r1, r2);
    fromEnd.endAngle = fromStart.endAngle;
    ASSERT_EQ(ali_makangA(&fromEnd, 2), 0) << i;
    EXPECT_NEAR(fromEnd.startX, x0, 3e-5) << i;
    EXPECT_NEAR(fromEnd.startY, y0, 3e-5) << i;

    Calelm fromPoints = clothoid(fromStart.startX, fromStart.startY, fromStart.endX, fromStart.endY,
                                 sign, parameter, r1, r2);
    const int16_t status = ali_makA(&fromPoints);
    ASSERT_GE(status, 0) << i;
    // Fitted to the chord between two points rounded to 1e-5: the chord turns by up to
    // 1.5e-5 / length.
    const double chordTurn = 1e-7 + 1.5e-5 / length;
    EXPECT_LT(angleDifference(fromPoints.startAngle, a0), chordTurn) << i;
    EXPECT_LT(angleDifference(fromPoints.endAngle, end.azimuth), chordTurn) << i;
    EXPECT_EQ(fromPoints.length, fromStart.length) << i;
    EXPECT_EQ(fromPoints.extra1, fromStart.extra1) << i;
    EXPECT_NEAR(fromPoints.extra2, fromStart.extra2, 1e-9 * (1 + std::fabs(fromStart.extra2))) << i;
    EXPECT_NEAR(fromPoints.extra3, fromStart.extra3, 1e-9 * (1 + std::fabs(fromStart.extra3))) << i;
    EXPECT_EQ(checkChain({&fromPoints, 1}), "") << i;
  }
}

TEST(MakersProperties, ArcFromPointsFromStartAndFromEndAgree) {
  std::mt19937_64 generator(99);
  auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  };
  for (int i = 0; i < 500; ++i) {
    const double sign = uniform(0, 1) < 0.5 ? 1.0 : -1.0, radius = uniform(10, 5000);
    const double length = radius * uniform(0.02, 3.0);
    Calelm fromStart{};
    fromStart.kind = CALELM_ARC;
    fromStart.startX = round5(uniform(-1e5, 1e5));
    fromStart.startY = round5(uniform(-1e5, 1e5));
    fromStart.startAngle = uniform(0, 2 * kPi);
    fromStart.turnSign = sign;
    fromStart.parameter = radius;
    fromStart.length = length;
    const double givenAngle = fromStart.startAngle;  // stored rounded to the angle quantum
    ASSERT_EQ(ali_mak(&fromStart, 1), 0) << i;
    const auto end =
        walk(fromStart.startX, fromStart.startY, givenAngle, sign / radius, sign / radius, length);
    EXPECT_NEAR(fromStart.endX, end.x, 2e-5) << i;
    EXPECT_NEAR(fromStart.endY, end.y, 2e-5) << i;

    Calelm fromPoints = fromStart;
    ASSERT_EQ(ali_makR(&fromPoints), 0) << i;
    // The centre found from two rounded points moves by the rounding times R / chord along the
    // bisector, and by chord / (distance of the centre from the chord) across it.
    const double chord = 2 * radius * std::sin(length / radius / 2);
    const double rise = radius * std::fabs(std::cos(length / radius / 2));
    const double centreTolerance = 3e-5 * (1 + radius / chord + chord / rise);
    EXPECT_NEAR(fromPoints.extra1, fromStart.extra1, centreTolerance) << i;
    EXPECT_NEAR(fromPoints.extra2, fromStart.extra2, centreTolerance) << i;
    EXPECT_LT(angleDifference(fromPoints.endAngle, end.azimuth), 1e-6 + 3e-5 / length) << i;

    Calelm fromEnd{};
    fromEnd.kind = CALELM_ARC;
    fromEnd.endX = fromStart.endX;
    fromEnd.endY = fromStart.endY;
    fromEnd.endAngle = fromStart.endAngle;
    fromEnd.turnSign = sign;
    fromEnd.parameter = radius;
    fromEnd.length = length;
    ASSERT_EQ(ali_makangR(&fromEnd, 2), 0) << i;
    EXPECT_NEAR(fromEnd.startX, fromStart.startX, 3e-5) << i;
    EXPECT_NEAR(fromEnd.startY, fromStart.startY, 3e-5) << i;
    EXPECT_LT(angleDifference(fromEnd.startAngle, fromStart.startAngle), 1e-5) << i;
  }
}

}  // namespace
