// Element makers: ali_mak, ali_makR, ali_makA, ali_makangS, ali_makangR, ali_makangA. Expected
// values come from the independent walk of chain_checker (quadrature), not the library; edge
// cases are rows of cases/makers.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>

#include "chain_scenarios.h"
#include "kestrel/geometry.h"
#include "tests/support/call_table.h"

namespace {

using kestrel::geometry::testing::angleDifference;
using kestrel::geometry::testing::checkChain;
using kestrel::geometry::testing::referenceClothoidPoint;
using kestrel::geometry::testing::walk;
using kestrel::testing::corpusRows;
using kestrel::testing::Numbers;

constexpr double kPi = std::numbers::pi;

Calelm clothoid(double x1, double y1, double x2, double y2, double sign, double a, double r1,
                double r2) {
  Calelm e{};
  e.kind = CALELM_CLOTHOID;
  std::tie(e.startX, e.startY, e.endX, e.endY, e.turnSign, e.parameter, e.startRadius,
           e.endRadius) = std::tuple(x1, y1, x2, y2, sign, a, r1, r2);
  return e;
}

double curvature(double sign, double radius) { return radius == 0.0 ? 0.0 : sign / radius; }
double round5(double v) { return std::floor(v / 1e-5 + 0.5) * 1e-5; }

// One clothoid, defined by its start pose, made three ways: placed from its start (ali_makangA
// mode 1), from its end (mode 2), and fitted to its end points rounded to 1e-5 (ali_makA). Each
// is checked against the independent walk of the definition, with tau, dR and X_M at the
// smaller-radius end from the quadrature; the fit must agree with the placement.
void expectClothoidMadeThreeWays(double x0, double y0, double azimuth, double sign,
                                 double parameter, double r1, double r2, bool onTheCurve) {
  const double a2 = parameter * parameter;
  const double length = std::fabs((r2 == 0 ? 0 : a2 / r2) - (r1 == 0 ? 0 : a2 / r1));
  const auto end = walk(x0, y0, azimuth, curvature(sign, r1), curvature(sign, r2), length);
  const double small = (r1 == 0 || (r2 != 0 && r2 < r1)) ? r2 : r1;
  const double tau = a2 / (2 * small * small);
  double x = 0, y = 0;
  referenceClothoidPoint(parameter, a2 / small, &x, &y);
  auto expectOnTheWalk = [&](const Calelm& e, double angleTolerance, const char* how) {
    SCOPED_TRACE(how);
    EXPECT_NEAR(e.startX, x0, 3e-5);
    EXPECT_NEAR(e.startY, y0, 3e-5);
    EXPECT_NEAR(e.endX, end.x, 3e-5);
    EXPECT_NEAR(e.endY, end.y, 3e-5);
    EXPECT_LT(angleDifference(e.startAngle, azimuth), angleTolerance);
    EXPECT_LT(angleDifference(e.endAngle, end.azimuth), angleTolerance);
    EXPECT_NEAR(e.length, length, 1e-5);
    // The caller's definition is kept.
    EXPECT_EQ(e.startRadius, r1);
    EXPECT_EQ(e.endRadius, r2);
    EXPECT_EQ(e.turnSign, sign);
    EXPECT_NEAR(e.extra1, tau, 1e-9);
    EXPECT_NEAR(e.extra2, y + small * std::cos(tau) - small, 1e-4);
    EXPECT_NEAR(e.extra3, x - small * std::sin(tau), 1e-4);
    EXPECT_EQ(checkChain({&e, 1}), "");
  };
  Calelm fromStart = clothoid(x0, y0, 0, 0, sign, parameter, r1, r2);
  fromStart.startAngle = azimuth;
  ASSERT_EQ(ali_makangA(&fromStart, 1), 0);
  expectOnTheWalk(fromStart, 1e-6, "from its start");

  Calelm fromEnd = clothoid(0, 0, round5(end.x), round5(end.y), sign, parameter, r1, r2);
  fromEnd.endAngle = std::fmod(end.azimuth + 4 * kPi, 2 * kPi);
  ASSERT_EQ(ali_makangA(&fromEnd, 2), 0);
  expectOnTheWalk(fromEnd, 1e-6, "from its end");

  Calelm fromPoints = clothoid(round5(x0), round5(y0), fromStart.endX, fromStart.endY, sign,
                               parameter, r1, r2);
  // A positive status (an end moved onto the curve) is allowed for random ends, not for rows.
  const int16_t status = ali_makA(&fromPoints);
  ASSERT_TRUE(status == 0 || (status > 0 && !onTheCurve)) << status;
  // Fitted to the chord between two points rounded to 1e-5: the chord turns by up to
  // 1.5e-5 / length.
  expectOnTheWalk(fromPoints, 1e-7 + 1.5e-5 / length, "from its end points");
  EXPECT_EQ(fromPoints.length, fromStart.length);
  EXPECT_EQ(fromPoints.extra1, fromStart.extra1);
  EXPECT_NEAR(fromPoints.extra2, fromStart.extra2, 1e-9 * (1 + std::fabs(fromStart.extra2)));
  EXPECT_NEAR(fromPoints.extra3, fromStart.extra3, 1e-9 * (1 + std::fabs(fromStart.extra3)));
}

// Rows "clothoid" (azimuth sign A R1 R2, from (100, -50)), then random clothoids.
TEST(MakA, ClothoidsFromStartEndAndPointsAgreeWithTheWalk) {
  for (const auto& row : corpusRows("geometry/cases/makers.txt")) {
    if (row.fields[0] != "clothoid") continue;
    SCOPED_TRACE(row.where);
    expectClothoidMadeThreeWays(100, -50, row.number(1), row.number(2), row.number(3),
                                row.number(4), row.number(5), true);
  }
  std::mt19937_64 generator(4242);
  auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  };
  for (int i = 0; i < 500; ++i) {
    const double sign = uniform(0, 1) < 0.5 ? 1.0 : -1.0;
    const double parameter = uniform(30, 3000);
    // Radii with R/A in (0.6, 8), either end possibly infinite, never equal.
    double r1 = parameter * uniform(0.6, 8), r2 = parameter * uniform(0.6, 8);
    if (i % 4 == 0) r1 = 0;
    if (i % 4 == 1) r2 = 0;
    if (std::fabs(parameter * parameter / r1 - parameter * parameter / r2) < 1e-3) continue;
    SCOPED_TRACE(i);
    expectClothoidMadeThreeWays(uniform(-1e5, 1e5), uniform(-1e5, 1e5), uniform(0, 2 * kPi), sign,
                                parameter, r1, r2, false);
  }
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

// ---- ali_makR, ali_makangS, ali_makangR, ali_mak ----

double sound(const Calelm& e) { return checkChain({&e, 1}).empty() ? 1.0 : 0.0; }

TEST(Makers, CaseTable) {
  kestrel::testing::runCallTable("geometry/cases/makers.txt", {
    {"clothoid", [](const Numbers&) -> Numbers { return {}; }},  // MakA.ClothoidsFromStart...
    {"ali_makA", [](const Numbers& a) -> Numbers {
       Calelm e = clothoid(10, 20, 40, 60, a[0], a[1], a[2], a[3]);
       const int16_t status = ali_makA(&e);
       return {double(status), e.length, e.startAngle, e.endAngle, e.extra1, e.extra2, e.extra3,
               e.startX, e.endY, e.startRadius}; }},
    {"ali_makangA", [](const Numbers& a) -> Numbers {
       Calelm e = clothoid(0, 0, 0, 0, 1.0, a[1], 0.0, 200.0);
       const int16_t status = ali_makangA(&e, static_cast<int16_t>(a[0]));
       return {double(status), e.length, e.extra1, e.extra2, e.extra3}; }},
    {"ali_makR", [](const Numbers& a) -> Numbers {
       Calelm e{};
       e.kind = CALELM_ARC;
       e.endX = a[0];
       e.endY = a[1];
       e.turnSign = a[2];
       e.parameter = a[3];
       const int16_t status = ali_makR(&e);
       return {double(status), e.length, e.extra1, e.extra2, e.extra3,
               std::remainder(e.startAngle, 2 * kPi), std::remainder(e.endAngle, 2 * kPi), sound(e)}; }},
    {"ali_makangS", [](const Numbers& a) -> Numbers {
       Calelm s{};
       s.kind = CALELM_STRAIGHT;
       const bool fromStart = a[0] != 2;
       (fromStart ? s.startX : s.endX) = a[1];
       (fromStart ? s.startY : s.endY) = a[2];
       (fromStart ? s.startAngle : s.endAngle) = a[3];
       s.length = a[4];
       const int16_t status = ali_makangS(&s, static_cast<int16_t>(a[0]));
       const double x = fromStart ? s.endX : s.startX, y = fromStart ? s.endY : s.startY;
       return {double(status), x, y, fromStart ? s.endAngle : s.startAngle,
               s.extra1 * x + s.extra2 * y - s.extra3}; }},
    {"ali_mak", [](const Numbers& a) -> Numbers {
       Calelm e{};
       e.kind = static_cast<int16_t>(a[0]);
       e.turnSign = a[2];
       e.parameter = 80;
       e.length = 30;
       e.startAngle = e.endAngle = 1.0;
       return {double(ali_mak(&e, static_cast<int16_t>(a[1])))}; }},
    {"CDOODistForRAR", [](const Numbers& a) -> Numbers {
       double value = 0;
       return {double(CDOODistForRAR(a[0], a[1], a[2], &value))}; }},
    {"CDsetAToRAR", [](const Numbers& a) -> Numbers {
       double value = 0;
       return {double(CDsetAToRAR(a[0], a[1], a[2], &value))}; }},
  });
}

// An arc made from its start pose, its end pose and its end points, as scenarios of
// cases/element_scenarios.txt.
TEST(MakersProperties, ArcsAgreeWithTheWalk) {
  using kestrel::geometry::testing::Call;
  using kestrel::geometry::testing::Records;
  kestrel::geometry::testing::runScenarios("geometry/cases/element_scenarios.txt", {
      {"mak1", [](Records& r, const Call&) { return ali_mak(&r.at(0), 1); }},
      {"makangR2", [](Records& r, const Call&) { return ali_makangR(&r.at(0), 2); }},
      {"makR", [](Records& r, const Call&) { return ali_makR(&r.at(0)); }},
  });
}

}  // namespace
