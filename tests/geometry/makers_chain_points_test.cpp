// Chain makers ending at a point, their array forms and the six-element maker, against known
// chains as in makers_chains_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "known_chains.h"

namespace {

using namespace kestrel::geometry::testing;

// Tries every selector of a maker ending at p on copies of `given` until it refuses; every chain
// must be sound and one of them must have its first join at `join` (the known chain).
template <typename... Records>
void expectKnownAmongSelections(int16_t (*maker)(double, double, int16_t, Records*...),
                                const char* name, const WalkEnd& p, const WalkEnd& join, int i,
                                const std::vector<Calelm>& given) {
  bool known = false;
  int16_t selector = 0;
  for (; selector < 8; ++selector) {
    std::vector<Calelm> chain = given;
    const int16_t status = [&]<std::size_t... k>(std::index_sequence<k...>) {
      return maker(p.x, p.y, selector, &chain[k]...);
    }(std::index_sequence_for<Records...>{});
    if (status != 0) break;
    EXPECT_EQ(checkChain(chain), "") << name << " case " << i << " selector " << selector;
    if (std::hypot(chain[0].endX - join.x, chain[0].endY - join.y) < 1e-4) known = true;
  }
  EXPECT_GT(selector, 0) << name << " case " << i;
  EXPECT_TRUE(known) << name << " case " << i;
}

TEST_F(ChainMakers, PointMakersFindTheKnownChainAmongTheirSelections) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), s2 = anySign(), r = uniform(80, 1200), r0 = uniform(150, 1500);
    const double a = r * uniform(0.3, 1.0), a0 = r0 * uniform(0.3, 1.0);
    const double arcLength = uniform(10, 0.8 * r), straightLength = uniform(10, 300);
    const WalkEnd start = anyStart();
    {  // straight, arc to P
      const auto j = walkChain(start, {S(80), R(s / r, arcLength)});
      expectKnownAmongSelections(ali_maksR_P, "maksR_P", j[2], j[1], i,
                                 {firstGiven(j[1], 0, 80, 20), sized(r)});
    }
    {  // arc, arc to P
      double k0 = s2 / r0;
      if (std::fabs(k0 - s / r) < 1e-4) k0 = -k0;
      const auto j = walkChain(start, {R(k0, 40), R(s / r, arcLength)});
      expectKnownAmongSelections(ali_makrR_P, "makrR_P", j[2], j[1], i,
                                 {firstGiven(j[1], k0, 40, 10), sized(r)});
    }
    {  // arc, straight to P
      const auto j = walkChain(start, {R(s / r0, 40), S(straightLength)});
      expectKnownAmongSelections(ali_makrS_P, "makrS_P", j[2], j[1], i,
                                 {firstGiven(j[1], s / r0, 40, 10), Calelm{}});
    }
    {  // straight, clothoid, arc to P
      const auto j = walkChain(start, {S(80), A(s, 0, r, a), R(s / r, arcLength)});
      expectKnownAmongSelections(ali_maksAR_P, "maksAR_P", j[3], j[1], i,
                                 {firstGiven(j[1], 0, 80, 20), sized(a), sized(r)});
      // The clothoid from the straight's end: A is solved.
      const Calelm toOrigin = straightThrough(walkBack(j[1], 0, 80), j[1]);
      double solved = 0;
      ASSERT_EQ(setAOR_P(j[3].x, j[3].y, &toOrigin, r, &solved), 0) << i;
      EXPECT_NEAR(solved, a, 1e-6 * a) << i;
      expectKnownAmongSelections(ali_makAOR_P, "makAOR_P", j[3], j[1], i,
                                 {toOrigin, Calelm{}, sized(r)});
    }
    {  // arc, clothoid, arc to P (one sense, the new arc tighter)
      const double tight = r0 * uniform(0.3, 0.8), at = std::sqrt(uniform(0.1, 1.0)) * tight;
      const auto j = walkChain(
          start, {R(s / r0, 40), A(s, r0, tight, at), R(s / tight, uniform(5, 0.8 * tight))});
      expectKnownAmongSelections(ali_makrAR_P, "makrAR_P", j[3], j[1], i,
                                 {firstGiven(j[1], s / r0, 40, 10), sized(at), sized(tight)});
    }
    {  // arc, clothoid, straight to P
      const auto j = walkChain(start, {R(s / r0, 40), A(s, r0, 0, a0), S(straightLength)});
      expectKnownAmongSelections(ali_makrAS_P, "makrAS_P", j[3], j[1], i,
                                 {firstGiven(j[1], s / r0, 40, 10), sized(a0), Calelm{}});
    }
    {  // arc, clothoid, clothoid, arc to P
      const auto j =
          walkChain(start, {R(s / r0, 40), A(s, r0, 0, a0), A(s2, 0, r, a), R(s2 / r, arcLength)});
      expectKnownAmongSelections(ali_makrAAR_P, "makrAAR_P", j[4], j[1], i,
                                 {firstGiven(j[1], s / r0, 40, 10), sized(a0), sized(a), sized(r)});
    }
  }
}

TEST_F(ChainMakers, ArrayFormsAgreeWithTheirMakers) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r1 = uniform(200, 2000), r2 = r1 * uniform(0.3, 0.8);
    const double a = std::sqrt(uniform(0.1, 1.0)) * r2;
    const auto egg = walkChain(anyStart(), {R(s / r1, 30), A(s, r1, r2, a), R(s / r2, 30)});
    Calelm three[3] = {firstGiven(egg[1], s / r1, 30, 10), {}, lastGiven(egg[2], s / r2, 10, 30)};
    ASSERT_EQ(alimake_rfArf(three), 0) << i;
    EXPECT_NEAR(three[1].parameter, a, 1e-6 * a) << i;
    EXPECT_EQ(checkChain(three), "") << i;

    const double a1 = r1 * uniform(0.3, 1.0), a2 = r2 * uniform(0.3, 1.0);
    const auto curve =
        walkChain(anyStart(), {R(s / r1, 30), A(s, r1, 0, a1), A(-s, 0, r2, a2), R(-s / r2, 30)});
    Calelm four[4] = {
        firstGiven(curve[1], s / r1, 30, 10), {}, {}, lastGiven(curve[3], -s / r2, 10, 30)};
    ASSERT_EQ(alimake_rfAArf(four, a1 / a2), 0) << i;
    EXPECT_NEAR(four[1].parameter, a1, 1e-6 * a1) << i;
    EXPECT_EQ(checkChain(four), "") << i;

    const auto out = walkChain(anyStart(), {R(s / r1, 30), A(s, r1, 0, a1), S(100)});
    Calelm exit[3] = {firstGiven(out[1], s / r1, 30, 10), {}, lastGiven(out[2], 0, 30, 100)};
    ASSERT_EQ(alimake_rfAsf(exit), 0) << i;
    EXPECT_NEAR(exit[1].parameter, a1, 1e-6 * a1) << i;
    expectAt("clothoid start", exit[1].startX, exit[1].startY, out[1], i);
    EXPECT_EQ(checkChain(exit), "") << i;
  }
}

TEST_F(ChainMakers, SixElementsFromAStraightIntoAnArc) {
  int solved = 0;
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), s2 = anySign(), r = uniform(150, 1200), r2 = uniform(150, 1200);
    const double a1 = r * uniform(0.3, 1.0), a2 = r * uniform(0.3, 1.0),
                 a3 = r2 * uniform(0.3, 1.0);
    const double theta = uniform(0.05, 1.0);
    const auto j = walkChain(anyStart(), {S(60), A(s, 0, r, a1), R(s / r, r * theta),
                                          A(s, r, 0, a2), A(s2, 0, r2, a3), R(s2 / r2, 30)});
    Calelm line = firstGiven(j[1], 0, 60, 20), arc = lastGiven(j[5], s2 / r2, 10, 30);
    Calelm c1 = sized(a1), made = sized(r, s), c2 = sized(a2), c3 = sized(a3);
    ASSERT_EQ(ali_ARAAmakSR(&line, &arc, &c1, &made, &c2, &c3), 0) << i;
    expectSound({line, c1, made, c2, c3, arc}, i);
    // The shortest chain is taken; when it is the known one, the joins are the known joins.
    if (std::fabs(made.length - r * theta) < 1e-3) {
      expectAt("first clothoid", c1.startX, c1.startY, j[1], i);
      ++solved;
    }
  }
  EXPECT_GT(solved, kCases / 2);
}

TEST(ChainMakerEdges, ARmakRRCountsItsCandidateCentres) {
  // Arc R1 = 500 left from the origin; a tangent circle R2 = 200 placed where a clothoid A = 150
  // into R = 250 (left) and then a reverse arc would meet it: expect at least one candidate, and
  // -1 for an impossible clothoid.
  const auto j = walkChain(
      {0, 0, 0}, {R(1.0 / 500, 40), A(1, 500, 250, 150), R(1.0 / 250, 60), R(-1.0 / 200, 40)});
  const Calelm first = firstGiven(j[1], 1.0 / 500, 40, 10),
               second = lastGiven(j[3], -1.0 / 200, 10, 40);
  double centres[4];
  const int16_t count = ARmakRR(&first, &second, 150, 250, centres);
  ASSERT_GE(count, 1);
  bool known = false;
  // The known arc's centre: R to the left of the known join's heading.
  const double cx = j[3].x + 250 * std::cos(j[3].azimuth - kPi / 2);
  const double cy = j[3].y + 250 * std::sin(j[3].azimuth - kPi / 2);
  for (int i = 0; i < count; ++i) {
    if (std::hypot(centres[2 * i] - cx, centres[2 * i + 1] - cy) < 1e-4) known = true;
  }
  EXPECT_TRUE(known);
  EXPECT_EQ(ARmakRR(&first, &second, 150, 80, centres), -1);  // R/A below 0.56
}

TEST_F(ChainMakers, ArcThroughAPointBetweenAnArcAndAStraightFindsItsRadius) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r = uniform(80, 1200);
    double k0 = anySign() / uniform(150, 1500);
    if (std::fabs(k0 - s / r) < 1e-4) k0 = -k0;
    const double arcLength = uniform(20, 1.5 * r);
    const auto j = walkChain(anyStart(), {R(k0, 40), R(s / r, arcLength), S(100)});
    // P somewhere inside the new arc.
    const WalkEnd p =
        walk(j[1].x, j[1].y, j[1].azimuth, s / r, s / r, arcLength * uniform(0.2, 0.8));
    const Calelm given = firstGiven(j[1], k0, 40, 10), line = lastGiven(j[2], 0, 30, 100);
    bool known = false;
    int16_t selector = 0;
    for (; selector < 8; ++selector) {
      Calelm x = given, made{}, y = line;
      if (ali_makrR_P_S(p.x, p.y, selector, &x, &made, &y) != 0) break;
      const Calelm chain[] = {x, made, y};
      EXPECT_EQ(checkChain(chain), "") << i << " selector " << selector;
      if (std::fabs(made.parameter - r) < 1e-6 * r) {
        known = true;
        expectAt("join", x.endX, x.endY, j[1], i);
        expectAt("tangent point", y.startX, y.startY, j[2], i);
      }
    }
    EXPECT_TRUE(known) << i;
  }
  // A point on the straight's line has no such arc.
  const auto j = walkChain({0, 0, 0}, {R(0.01, 40), R(-0.005, 60), S(100)});
  Calelm x = firstGiven(j[1], 0.01, 40, 10), made{}, y = lastGiven(j[2], 0, 30, 100);
  const WalkEnd onLine = walk(j[2].x, j[2].y, j[2].azimuth, 0, 0, 50);
  EXPECT_EQ(ali_makrR_P_S(onLine.x, onLine.y, 0, &x, &made, &y), -1);
}

// Random pairs placed so that a solution is plausible but not guaranteed: nested circles for the
// egg clothoid, an arc beside a straight for the entry clothoid. Each outcome must be -1 or sound,
// and both outcomes must occur.
TEST_F(ChainMakers, RandomNearbyPairsGiveMinusOneOrASoundChain) {
  // An arc of the circle (centre, R, sense) starting where the heading is `azimuth`.
  auto arcOn = [&](double cx, double cy, double radius, double sign, double azimuth,
                   double length) {
    const double toCentre = azimuth - sign * kPi / 2;
    const WalkEnd start{cx - radius * std::cos(toCentre), cy - radius * std::sin(toCentre),
                        azimuth};
    const double k = sign / radius;
    return arcThrough(start, walk(start.x, start.y, azimuth, k, k, length), k);
  };
  int eggs = 0, entries = 0, refused = 0;
  for (int i = 0; i < 400; ++i) {
    const double sign = anySign(), r1 = uniform(200, 2000), r2 = r1 * uniform(0.3, 0.9);
    // The egg clothoid pulls the inner circle in from touching by little: gaps just short of
    // R1 - R2, some too short.
    const double gap = (1 - std::pow(10, uniform(-4, -0.5))) * (r1 - r2);
    const double direction = uniform(0, 2 * kPi);
    const double cx = uniform(-1e4, 1e4), cy = uniform(-1e4, 1e4);
    Calelm first = arcOn(cx, cy, r1, sign, uniform(0, 2 * kPi), uniform(20, r1));
    Calelm second = arcOn(cx + gap * std::cos(direction), cy + gap * std::sin(direction), r2, sign,
                          uniform(0, 2 * kPi), uniform(20, r2));
    ++(refusedOrSound("makRAR", ali_makRAR, {first, second, {}}, i) ? eggs : refused);

    const WalkEnd start{cx, cy, uniform(0, 2 * kPi)};
    const Calelm line =
        straightThrough(start, walk(cx, cy, start.azimuth, 0, 0, uniform(100, 2000)));
    const double radius = uniform(60, 1500), offset = radius + uniform(0.01, 30);
    const double along = uniform(50, 1500);
    // The centre beside the straight on the side the arc turns to (left lowers the azimuth).
    const double side = start.azimuth - sign * kPi / 2;
    const double ax = cx + along * std::cos(start.azimuth) + offset * std::cos(side);
    const double ay = cy + along * std::sin(start.azimuth) + offset * std::sin(side);
    const Calelm arc =
        arcOn(ax, ay, radius, sign, start.azimuth + uniform(0, 1.5) * -sign, uniform(20, radius));
    ++(refusedOrSound("makSAR", ali_makSAR, {line, arc, {}}, i) ? entries : refused);
  }
  EXPECT_GT(eggs, 20);
  EXPECT_GT(entries, 20);
  EXPECT_GT(refused, 20);
}

}  // namespace
