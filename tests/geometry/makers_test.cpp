// Element makers (ali_mak, ali_makR, ali_makA, ali_makangS, ali_makangR, ali_makangA), IP setters
// and ali_RmakSS. Expected values come from the independent walk of chain_checker (quadrature)
// and the textbook tangent-length formulas, not the library; fixed-seed random polygons go
// through the chain checker; edge cases are rows of cases/makers.txt and cases/ip_setters.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "chain_scenarios.h"
#include "kestrel/geometry.h"
#include "tests/support/call_table.h"

namespace {

using namespace kestrel::geometry::testing;
using kestrel::testing::Numbers;

Calelm clothoid(double x1, double y1, double x2, double y2, double sign, double a, double r1,
                double r2) {
  Calelm e{};
  e.kind = CALELM_CLOTHOID;
  std::tie(e.startX, e.startY, e.endX, e.endY, e.turnSign, e.parameter, e.startRadius,
           e.endRadius) = std::tuple(x1, y1, x2, y2, sign, a, r1, r2);
  return e;
}

double curvature(double sign, double radius) { return radius == 0.0 ? 0.0 : sign / radius; }

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
       std::tie(e.endX, e.endY, e.turnSign, e.parameter) = std::tuple(a[0], a[1], a[2], a[3]);
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
       std::tie(e.turnSign, e.parameter, e.length, e.startAngle, e.endAngle) =
           std::tuple(a[2], 80.0, 30.0, 1.0, 1.0);
       return {double(ali_mak(&e, static_cast<int16_t>(a[1])))}; }},
    {"CDOODistForRAR", [](const Numbers& a) -> Numbers {
       double value = 0;
       return {double(CDOODistForRAR(a[0], a[1], a[2], &value))}; }},
    {"CDsetAToRAR", [](const Numbers& a) -> Numbers {
       double value = 0;
       return {double(CDsetAToRAR(a[0], a[1], a[2], &value))}; }},
  });
}

// Elements against the walked element, as scenarios of cases/element_scenarios.txt: an arc made
// from its start pose, its end pose and its end points; a clothoid made all three ways (a fit
// moving an end onto the curve allowed for random ends only), left as placed from its start.
TEST(MakersProperties, ElementsAgreeWithTheWalk) {
  auto clothoidThreeWays = [](bool onTheCurve) {
    return [onTheCurve](Records& r, const Call&) -> int16_t {
      const Calelm& e = r.at(0);
      expectClothoidMadeThreeWays(e.startX, e.startY, e.startAngle, e.turnSign, e.parameter,
                                  e.startRadius, e.endRadius, onTheCurve);
      return ali_makangA(&r[0], 1);
    };
  };
  runScenarios("geometry/cases/element_scenarios.txt", {
      {"mak1", [](Records& r, const Call&) { return ali_mak(&r.at(0), 1); }},
      {"makangR2", [](Records& r, const Call&) { return ali_makangR(&r.at(0), 2); }},
      {"makR", [](Records& r, const Call&) { return ali_makR(&r.at(0)); }},
      {"clothoid", clothoidThreeWays(true)},
      {"clothoidFit", clothoidThreeWays(false)},
  });
}

// ---- IP setters and ali_RmakSS ----

struct Polygon {
  double x0, y0;
  IpRecord ip;
  double x2, y2;
};

// IP at (x, y); back leg arriving with azimuth `azimuth`, forward leg leaving after deflecting by
// `deflection` (positive to the right, i.e. clockwise on the map).
Polygon polygon(double x, double y, double azimuth, double deflection, double backLength,
                double forwardLength) {
  Polygon p{};
  std::tie(p.ip.x, p.ip.y) = std::tuple(x, y);
  std::tie(p.x0, p.y0) =
      std::tuple(x - backLength * std::cos(azimuth), y - backLength * std::sin(azimuth));
  std::tie(p.x2, p.y2) = std::tuple(x + forwardLength * std::cos(azimuth + deflection),
                                    y + forwardLength * std::sin(azimuth + deflection));
  return p;
}

// Shift values of a clothoid ending at radius R, by quadrature: Y_M = y + R cos(tau), X_M.
struct Shift {
  double tau, dR, xm, ym;
};
Shift shiftOf(double a, double r) {
  double x = 0, y = 0;
  referenceClothoidPoint(a, a * a / r, &x, &y);
  const double tau = a * a / (2 * r * r);
  return {tau, y + r * std::cos(tau) - r, x - r * std::sin(tau), y + r * std::cos(tau)};
}

double distanceToLine(double px, double py, double x0, double y0, double x1, double y1) {
  return std::fabs((x1 - x0) * (py - y0) - (y1 - y0) * (px - x0)) / std::hypot(x1 - x0, y1 - y0);
}

// Worked examples against the textbook tangent lengths; R 0 asks ali_IPsetAA, whose
// common radius is sqrt((A1^2 + A2^2) / (2 IA)). Deflection positive to the right.
TEST(IPsetters, WorkedExamples) {
  const struct {
    double a1, r, a2, deflection, x, y, azimuth;
  } rows[] = {
      {150, 300, 150, -kPi / 3, 5000, 3000, 0.4},         // symmetric A-R-A, 60 degrees left
      {120, 0, 160, 50 * kPi / 180, -2000, 7000, 2.5},  // unsymmetric A-A, 50 degrees right
  };
  for (const auto& row : rows) {
    const double ia = std::fabs(row.deflection);
    const double rc = row.r != 0 ? row.r : std::sqrt((row.a1 * row.a1 + row.a2 * row.a2) / (2 * ia));
    Polygon p = polygon(row.x, row.y, row.azimuth, row.deflection, 1000, 1000);
    std::vector<Calelm> chain(row.r != 0 ? 3 : 2);
    const double parameters[3] = {row.a1, row.r != 0 ? row.r : row.a2, row.a2};
    std::copy(parameters, parameters + 3, p.ip.parameters);
    ASSERT_EQ(row.r != 0 ? ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1], &chain[2])
                         : ali_IPsetAA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1]), 0);
    const Shift s1 = shiftOf(row.a1, rc), s2 = shiftOf(row.a2, rc);
    // Tangent lengths of a clothoid-arc-clothoid (symmetric or not), the centre from both shifted
    // legs: T1 = X_M1 + (Y_M2 - Y_M1 cos IA) / sin IA, T2 = X_M2 + (Y_M1 - Y_M2 cos IA) / sin IA.
    const double t1 = s1.xm + (s2.ym - s1.ym * std::cos(ia)) / std::sin(ia);
    const double t2 = s2.xm + (s1.ym - s2.ym * std::cos(ia)) / std::sin(ia);
    EXPECT_NEAR(p.ip.intersectionAngle, ia, 1e-9);
    EXPECT_NEAR(p.ip.startTangent, t1, 1e-3);
    EXPECT_NEAR(p.ip.endTangent, t2, 1e-3);
    const Calelm &first = chain.front(), &last = chain.back();
    EXPECT_NEAR(first.length, row.a1 * row.a1 / rc, 1e-3);
    EXPECT_NEAR(last.length, row.a2 * row.a2 / rc, 1e-3);
    if (row.r != 0) { EXPECT_NEAR(chain[1].length, rc * (ia - s1.tau - s2.tau), 1e-3); }
    EXPECT_NEAR(first.extra2, s1.dR, 1e-3);
    EXPECT_NEAR(first.extra3, s1.xm, 1e-3);
    EXPECT_NEAR(last.extra2, s2.dR, 1e-3);
    EXPECT_NEAR(last.extra3, s2.xm, 1e-3);
    EXPECT_EQ(first.endRadius, rc);
    EXPECT_EQ(last.startRadius, rc);
    for (const Calelm& e : chain) EXPECT_EQ(e.turnSign, row.deflection < 0 ? 1.0 : -1.0);
    EXPECT_EQ(checkChain(chain), "");
  }
}

// ---- Fixed-seed properties ----

struct RandomIp {
  Polygon polygon;
  double deflection;  // signed, positive to the right
};

class RandomPolygons : public ::testing::Test {
 protected:
  std::mt19937_64 generator{20261206};
  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  }
  RandomIp make(double minimumDeflection) {
    const double magnitude = uniform(minimumDeflection, kPi - 0.15);
    const double deflection = uniform(0, 1) < 0.5 ? magnitude : -magnitude;
    return {polygon(uniform(-50000, 50000), uniform(-50000, 50000), uniform(0, 2 * kPi), deflection,
                    uniform(2000, 4000), uniform(2000, 4000)),
            deflection};
  }
  // The chain must leave the back leg along it and end on the forward leg along it, and the IP
  // record must agree with the polygon.
  void expectOnLegs(const RandomIp& r, const Calelm& first, const Calelm& last) {
    const Polygon& p = r.polygon;
    const IpRecord& ip = p.ip;
    EXPECT_NEAR(ip.intersectionAngle, std::fabs(r.deflection), 1e-9);
    EXPECT_LT(angleDifference(ip.backAzimuth, std::atan2(ip.y - p.y0, ip.x - p.x0)), 1e-9);
    EXPECT_LT(angleDifference(ip.forwardAzimuth, std::atan2(p.y2 - ip.y, p.x2 - ip.x)), 1e-9);
    EXPECT_LT(distanceToLine(first.startX, first.startY, p.x0, p.y0, ip.x, ip.y), 2e-5);
    EXPECT_LT(distanceToLine(last.endX, last.endY, ip.x, ip.y, p.x2, p.y2), 2e-5);
    EXPECT_NEAR(std::hypot(first.startX - ip.x, first.startY - ip.y), ip.startTangent, 2e-5);
    EXPECT_NEAR(std::hypot(last.endX - ip.x, last.endY - ip.y), ip.endTangent, 2e-5);
    EXPECT_LT(angleDifference(first.startAngle, ip.backAzimuth), 1e-5);
    EXPECT_LT(angleDifference(last.endAngle, ip.forwardAzimuth), 1e-5);
    const double expectedSign = r.deflection > 0 ? -1.0 : 1.0;
    EXPECT_EQ(first.turnSign, expectedSign);
    EXPECT_EQ(last.turnSign, expectedSign);
  }
};

// ali_IPsetR (tangent length R tan(IA/2)), ali_IPsetAA (solvable while the common radius keeps
// R/A above 0.56 for both clothoids) and ali_IPsetARA (solvable exactly when IA exceeds both taus,
// leaving the arc IA minus them) in turn on random polygons.
TEST_F(RandomPolygons, SettersSolveWhatTheirFormulasAllowAndMeetTheLegs) {
  int solved[3] = {}, refused[3] = {};
  for (int i = 0; i < 1000; ++i) {
    const int setter = i % 3;
    RandomIp r = make(setter == 0 ? 0.01 : 0.05);
    Polygon& p = r.polygon;
    const double ia = std::fabs(r.deflection);
    std::vector<Calelm> chain(static_cast<std::size_t>(setter) + 1);
    int16_t status = 0;
    bool solvable = true;
    if (setter == 0) {
      const double radius = p.ip.parameters[0] = uniform(30, 3000);
      status = ali_IPsetR(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0]);
      const double t = radius * std::tan(ia / 2);
      EXPECT_NEAR(p.ip.startTangent, t, 1e-6 * (1 + t)) << i;
      EXPECT_NEAR(p.ip.endTangent, t, 1e-6 * (1 + t)) << i;
    } else if (setter == 1) {
      const double a1 = p.ip.parameters[0] = uniform(40, 800), a2 = p.ip.parameters[1] = uniform(40, 800);
      status = ali_IPsetAA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1]);
      const double rc = std::sqrt((a1 * a1 + a2 * a2) / (2 * ia));
      solvable = rc / a1 > 0.56 && rc / a2 > 0.56;
    } else {
      const double radius = uniform(60, 2500);
      const double a1 = radius * uniform(0.3, 1.2), a2 = radius * uniform(0.3, 1.2);
      const double parameters[3] = {a1, radius, a2};
      std::copy(parameters, parameters + 3, p.ip.parameters);
      status = ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1], &chain[2]);
      const double taus = (a1 * a1 + a2 * a2) / (2 * radius * radius);
      solvable = ia >= taus;
      if (status == 0) {
        EXPECT_NEAR(chain[1].extra3, ia - taus, 1e-9) << i;
      }
    }
    ASSERT_EQ(status, solvable ? 0 : -1) << "setter " << setter << " case " << i;
    ++(solvable ? solved : refused)[setter];
    if (!solvable) continue;
    expectOnLegs(r, chain.front(), chain.back());
    if (setter != 2 || chain[1].length > 0) {
      EXPECT_EQ(checkChain(chain), "") << i;
    }
  }
  // Both outcomes are exercised where the setter can refuse.
  EXPECT_GT(solved[2], 80);
  EXPECT_GT(refused[2], 15);
}

// ---- The checker itself must see faults ----

TEST(ChainChecker, ReportsBrokenJoinsAndDefinitions) {
  Polygon p = polygon(0, 0, 0.3, 0.9, 800, 800);
  p.ip.parameters[0] = 100;
  p.ip.parameters[1] = 300;
  p.ip.parameters[2] = 120;
  Calelm chain[3];
  ASSERT_EQ(ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &chain[0], &chain[1], &chain[2]), 0);
  ASSERT_EQ(checkChain(chain), "");
  // A moved start, a kink, a jump in curvature: element, field (1 to 14), change.
  const struct { int element, field; double change; } faults[] = {
      {1, 1, 5e-5}, {2, 10, 3e-5}, {0, 8, 0.01 * chain[0].endRadius}};
  for (const auto& fault : faults) {
    Calelm spoiled[3] = {chain[0], chain[1], chain[2]};
    (&spoiled[fault.element].startX)[fault.field - 1] += fault.change;
    EXPECT_NE(checkChain(spoiled), "") << "field " << fault.field;
  }
}

// ---- Rows of cases/ip_setters.txt ----

Calelm straight(const double* p) {
  Calelm s{};
  s.kind = CALELM_STRAIGHT;
  std::tie(s.startX, s.startY, s.endX, s.endY) = std::tuple(p[0], p[1], p[2], p[3]);
  ali_makS(&s);
  return s;
}

double sound(std::span<const Calelm> chain) { return checkChain(chain).empty() ? 1.0 : 0.0; }

// An IP at the origin, legs of 500 m arriving at azimuth 1; `collapse` puts the previous IP on it.
Polygon refused(const Numbers& a, std::size_t collapse) {
  Polygon p = polygon(0, 0, 1.0, a[0], 500, 500);
  if (a[collapse] != 0) {
    p.x0 = p.ip.x;
    p.y0 = p.ip.y;
  }
  for (std::size_t k = 1; k < collapse; ++k) p.ip.parameters[k - 1] = a[k];
  return p;
}

TEST(IPsetters, CaseTable) {
  kestrel::testing::runCallTable("geometry/cases/ip_setters.txt", {
    {"ali_IPsetR", [](const Numbers& a) -> Numbers {
       IpRecord ip{};
       ip.x = a[2];
       ip.y = a[3];
       ip.parameters[0] = a[6];
       Calelm arc{};
       const int16_t status = ali_IPsetR(a[0], a[1], &ip, a[4], a[5], &arc);
       return {double(status), ip.intersectionAngle, ip.startTangent, ip.endTangent,
               ip.backAzimuth, ip.forwardAzimuth, arc.startX, arc.startY, arc.endX, arc.endY,
               arc.turnSign, double(arc.kind), arc.length, sound({&arc, 1})}; }},
    {"IPsetR_polygon", [](const Numbers& a) -> Numbers {
       Polygon p = refused(a, 2);
       Calelm e{};
       return {double(ali_IPsetR(p.x0, p.y0, &p.ip, p.x2, p.y2, &e))}; }},
    {"IPsetAA_polygon", [](const Numbers& a) -> Numbers {
       Polygon p = refused(a, 3);
       Calelm e[2];
       return {double(ali_IPsetAA(p.x0, p.y0, &p.ip, p.x2, p.y2, &e[0], &e[1]))}; }},
    {"IPsetARA_polygon", [](const Numbers& a) -> Numbers {
       Polygon p = refused(a, 4);
       Calelm e[3];
       const int16_t status = ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &e[0], &e[1], &e[2]);
       const Calelm clothoids[2] = {e[0], e[2]};
       return {double(status), e[1].length, e[1].startX - e[0].endX, e[1].endX - e[1].startX,
               e[1].startAngle - e[0].endAngle, e[1].endAngle - e[0].endAngle, sound(clothoids)}; }},
    {"ali_IPsetARARA", [](const Numbers& a) -> Numbers {
       Polygon p = polygon(0, 0, 0.5, 0.9, 3000, 3000);
       p.ip.curveType = static_cast<int16_t>(a[0]);
       for (int k = 0; k < 5; ++k) p.ip.parameters[k] = a[1 + k];
       p.ip.startTangent = p.ip.endTangent = a[6];
       Calelm chain[5];
       return {double(ali_IPsetARARA(p.x0, p.y0, &p.ip, p.x2, p.y2, chain))}; }},
    {"ali_RmakSS", [](const Numbers& a) -> Numbers {
       Calelm first = straight(&a[0]), second = straight(&a[4]), arc{};
       arc.parameter = a[8];
       const int16_t status = ali_RmakSS(&first, &second, &arc);
       const Calelm chain[3] = {first, arc, second};
       return {double(status), first.endX, first.endY, second.startX, second.startY, arc.startX,
               arc.endY, arc.turnSign, first.length, second.length, sound(chain)}; }},
  });
}

}  // namespace
