// IP setters and ali_RmakSS: worked examples from the textbook tangent-length formulas (clothoid
// coordinates by quadrature), fixed-seed random polygons through the chain checker, edge cases
// as rows of cases/ip_setters.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "chain_checker.h"
#include "kestrel/geometry.h"
#include "tests/support/call_table.h"

namespace {

using kestrel::geometry::testing::angleDifference;
using kestrel::geometry::testing::checkChain;
using kestrel::geometry::testing::referenceClothoidPoint;
using kestrel::testing::Numbers;

constexpr double kPi = std::numbers::pi;

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
  p.ip.x = x;
  p.ip.y = y;
  p.x0 = x - backLength * std::cos(azimuth);
  p.y0 = y - backLength * std::sin(azimuth);
  p.x2 = x + forwardLength * std::cos(azimuth + deflection);
  p.y2 = y + forwardLength * std::sin(azimuth + deflection);
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

// Tangent lengths of a clothoid-arc-clothoid (symmetric or not): T1 = X_M1 + (Y_M2 - Y_M1 cos IA) /
// sin IA and T2 = X_M2 + (Y_M1 - Y_M2 cos IA) / sin IA (centre from both shifted legs).
void tangentLengths(const Shift& s1, const Shift& s2, double ia, double* t1, double* t2) {
  *t1 = s1.xm + (s2.ym - s1.ym * std::cos(ia)) / std::sin(ia);
  *t2 = s2.xm + (s1.ym - s2.ym * std::cos(ia)) / std::sin(ia);
}

double distanceToLine(double px, double py, double x0, double y0, double x1, double y1) {
  return std::fabs((x1 - x0) * (py - y0) - (y1 - y0) * (px - x0)) / std::hypot(x1 - x0, y1 - y0);
}

// Worked examples against the tangent lengths of tangentLengths(); R 0 asks ali_IPsetAA, whose
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
    double t1 = 0, t2 = 0;
    tangentLengths(s1, s2, ia, &t1, &t2);
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

// ---- Edge cases ----

TEST(IPsetARA, ClothoidsFillingTheDeflectionLeaveAZeroLengthArc) {
  // tau = A^2/(2R^2) = 0.125 each, IA = 0.25 exactly.
  Polygon p = polygon(0, 0, 0.0, 0.25, 500, 500);
  p.ip.parameters[0] = 100;
  p.ip.parameters[1] = 200;
  p.ip.parameters[2] = 100;
  Calelm e[3];
  ASSERT_EQ(ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &e[0], &e[1], &e[2]), 0);
  EXPECT_EQ(e[1].length, 0.0);
  EXPECT_EQ(e[1].startX, e[0].endX);
  EXPECT_EQ(e[1].endX, e[1].startX);
  EXPECT_EQ(e[1].startAngle, e[0].endAngle);
  EXPECT_EQ(e[1].endAngle, e[0].endAngle);
  const Calelm clothoids[2] = {e[0], e[2]};
  EXPECT_EQ(checkChain(clothoids), "");
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
  Calelm moved[3] = {chain[0], chain[1], chain[2]};
  moved[1].startX += 5e-5;
  EXPECT_NE(checkChain(moved), "");
  Calelm kinked[3] = {chain[0], chain[1], chain[2]};
  kinked[2].startAngle += 3e-5;
  EXPECT_NE(checkChain(kinked), "");
  Calelm curvatureJump[3] = {chain[0], chain[1], chain[2]};
  curvatureJump[0].endRadius *= 1.01;
  EXPECT_NE(checkChain(curvatureJump), "");
}

// ---- Rows of cases/ip_setters.txt ----

Calelm straight(const double* p) {
  Calelm s{};
  s.kind = CALELM_STRAIGHT;
  s.startX = p[0];
  s.startY = p[1];
  s.endX = p[2];
  s.endY = p[3];
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
       return {double(ali_IPsetARA(p.x0, p.y0, &p.ip, p.x2, p.y2, &e[0], &e[1], &e[2]))}; }},
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
