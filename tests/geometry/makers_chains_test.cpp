// Chain makers. Each case walks a known chain independently (quadrature), hands the maker the
// outer elements extended past the joins, and expects the known joins back and a chain that
// passes the checker; random pairs of elements must give -1 or a sound chain.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "known_chains.h"

namespace {

using namespace kestrel::geometry::testing;

TEST_F(ChainMakers, StraightBetweenTwoArcs) {
  for (int i = 0; i < kCases; ++i) {
    const double k1 = anySign() / uniform(80, 900), k2 = anySign() / uniform(80, 900);
    const auto j = walkChain(anyStart(), {R(k1, 40), S(uniform(20, 400)), R(k2, 40)});
    Calelm a1 = firstGiven(j[1], k1, 40, 15), a2 = lastGiven(j[2], k2, 15, 40), s{};
    ASSERT_EQ(ali_SmakRR(&a1, &a2, &s), 0) << i;
    expectAt("straight start", s.startX, s.startY, j[1], i);
    expectAt("straight end", s.endX, s.endY, j[2], i);
    expectSound({a1, s, a2}, i);
  }
}

TEST_F(ChainMakers, ArcBetweenAStraightAndAnArc) {
  for (int i = 0; i < kCases; ++i) {
    const double k = anySign() / uniform(80, 900);
    double k2 = anySign() / uniform(80, 900);
    if (std::fabs(k2 - k) < 1e-4) k2 = -k;
    const auto j = walkChain(anyStart(), {S(50), R(k, uniform(10, 60)), R(k2, 40)});
    Calelm s = firstGiven(j[1], 0, 50, 20), a2 = lastGiven(j[2], k2, 10, 40),
           made = sized(1 / std::fabs(k), k > 0 ? 1 : -1);
    ASSERT_EQ(ali_RmakSR(&s, &a2, &made), 0) << i;
    expectSound({s, made, a2}, i);
    EXPECT_NEAR(made.parameter, 1 / std::fabs(k), 1e-5);
  }
}

TEST_F(ChainMakers, ArcBetweenTwoArcs) {
  for (int i = 0; i < kCases; ++i) {
    const double k1 = anySign() / uniform(80, 900), k = anySign() / uniform(80, 900);
    double k2 = anySign() / uniform(80, 900);
    if (std::fabs(k2 - k) < 1e-4) k2 = -k;
    const auto j = walkChain(anyStart(), {R(k1, 40), R(k, uniform(10, 60)), R(k2, 40)});
    Calelm a1 = firstGiven(j[1], k1, 40, 10), a2 = lastGiven(j[2], k2, 10, 40),
           made = sized(1 / std::fabs(k), k > 0 ? 1 : -1);
    if (std::fabs(k - k1) < 1e-4) continue;
    ASSERT_EQ(ali_RmakRR(&a1, &a2, &made), 0) << i;
    expectSound({a1, made, a2}, i);
  }
}

TEST_F(ChainMakers, ClothoidsBetweenTwoStraightsRecoverTheKnownCurve) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r = uniform(100, 1500);
    const double a1 = r * uniform(0.3, 1.0), a2 = r * uniform(0.3, 1.0);
    const double arcLength = i % 2 == 0 ? 0.0 : uniform(10, 300);
    std::vector<Segment> segments{S(100), A(s, 0, r, a1)};
    if (arcLength > 0) segments.push_back(R(s / r, arcLength));
    segments.push_back(A(s, r, 0, a2));
    segments.push_back(S(100));
    const auto j = walkChain(anyStart(), segments);
    const std::size_t last = segments.size() - 1;
    Calelm s1 = firstGiven(j[1], 0, 100, 30), s2 = lastGiven(j[last], 0, 30, 100);
    Calelm c1 = sized(a1), arc = sized(r), c2 = sized(a2);
    if (arcLength == 0) {
      // Two clothoids meet at a common radius only when that radius is r.
      ASSERT_EQ(ali_AAmakSS(&s1, &s2, &c1, &c2), 0) << i;
      EXPECT_NEAR(c1.endRadius, r, 1e-6 * r) << i;
      expectSound({s1, c1, c2, s2}, i);
    } else {
      ASSERT_EQ(ali_ARAmakSS(&s1, &s2, &c1, &arc, &c2), 0) << i;
      EXPECT_NEAR(arc.length, arcLength, 1e-4) << i;
      expectSound({s1, c1, arc, c2, s2}, i);
    }
    expectAt("first origin", s1.endX, s1.endY, j[1], i);
    expectAt("last origin", s2.startX, s2.startY, j[last], i);
  }
}

TEST_F(ChainMakers, ClothoidFromAStraightIntoAnArcFindsItsParameter) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r = uniform(60, 2000), a = r * uniform(0.2, 1.2);
    const auto j = walkChain(anyStart(), {S(100), A(s, 0, r, a), R(s / r, 30)});
    Calelm line = firstGiven(j[1], 0, 100, 40), arc = lastGiven(j[2], s / r, 20, 30), made{};
    ASSERT_EQ(ali_makSAR(&line, &arc, &made), 0) << i;
    EXPECT_NEAR(made.parameter, a, 1e-6 * a) << i;
    expectAt("clothoid origin", made.startX, made.startY, j[1], i);
    expectSound({line, made, arc}, i);
  }
}

TEST_F(ChainMakers, EggClothoidBetweenNestedArcsFindsItsParameter) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r1 = uniform(200, 2000), r2 = r1 * uniform(0.3, 0.8);
    const double a = std::sqrt(uniform(0.1, 1.0)) * r2;
    const bool widening = i % 2 == 1;
    const double from = widening ? r2 : r1, to = widening ? r1 : r2;
    const auto j = walkChain(anyStart(), {R(s / from, 30), A(s, from, to, a), R(s / to, 30)});
    Calelm a1 = firstGiven(j[1], s / from, 30, 10), a2 = lastGiven(j[2], s / to, 10, 30), made{};
    double distance = 0;
    ASSERT_EQ(CDOODistForRAR(a, from, to, &distance), 0);
    double solved = 0;
    ASSERT_EQ(CDsetAToRAR(from, to, distance, &solved), 0);
    EXPECT_NEAR(solved, a, 1e-6 * a) << i;
    ASSERT_EQ(ali_makRAR(&a1, &a2, &made), 0) << i;
    EXPECT_NEAR(made.parameter, a, 1e-6 * a) << i;
    expectAt("clothoid start", made.startX, made.startY, j[1], i);
    expectSound({a1, made, a2}, i);
  }
}

TEST_F(ChainMakers, StraightAndClothoidsBetweenArcs) {
  for (int i = 0; i < kCases; ++i) {
    const double s1 = anySign(), s2 = anySign(), r1 = uniform(100, 1500), r2 = uniform(100, 1500);
    const double a1 = r1 * uniform(0.3, 1.0), a2 = r2 * uniform(0.3, 1.0);
    const double straight = uniform(10, 300);
    if (i % 2 == 0) {
      const auto j =
          walkChain(anyStart(), {R(s1 / r1, 30), S(straight), A(s2, 0, r2, a2), R(s2 / r2, 30)});
      Calelm g1 = firstGiven(j[1], s1 / r1, 30, 10), g2 = lastGiven(j[3], s2 / r2, 10, 30);
      Calelm line{}, clothoid = sized(a2);
      ASSERT_EQ(ali_SAmakRR(&g1, &g2, &line, &clothoid), 0) << i;
      EXPECT_NEAR(line.length, straight, 1e-4) << i;
      expectSound({g1, line, clothoid, g2}, i);
    } else {
      const auto j = walkChain(anyStart(), {R(s1 / r1, 30), A(s1, r1, 0, a1), S(straight),
                                            A(s2, 0, r2, a2), R(s2 / r2, 30)});
      Calelm g1 = firstGiven(j[1], s1 / r1, 30, 10), g2 = lastGiven(j[4], s2 / r2, 10, 30);
      Calelm c1 = sized(a1), line{}, c2 = sized(a2);
      ASSERT_EQ(ali_ASAmakRR(&g1, &g2, &c1, &line, &c2), 0) << i;
      EXPECT_NEAR(line.length, straight, 1e-4) << i;
      expectAt("first clothoid start", c1.startX, c1.startY, j[1], i);
      expectSound({g1, c1, line, c2, g2}, i);
    }
  }
}

TEST_F(ChainMakers, ClothoidAndArcChainsBetweenArcsAndStraights) {
  for (int i = 0; i < kCases; ++i) {
    const double s = anySign(), r1 = uniform(400, 2000), r = r1 * uniform(0.3, 0.8);
    const double a = std::sqrt(uniform(0.1, 1.0)) * r;
    const double r2 = r * uniform(0.3, 0.8), a2 = std::sqrt(uniform(0.1, 1.0)) * r2;
    const double arcLength = uniform(10, 0.5 * r);
    const int variant = i % 3;
    if (variant == 0) {  // arc, A, R, arc (tangent arcs of opposite sense at the end)
      const double k2 = -s / uniform(100, 900);
      const auto j =
          walkChain(anyStart(), {R(s / r1, 30), A(s, r1, r, a), R(s / r, arcLength), R(k2, 30)});
      Calelm g1 = firstGiven(j[1], s / r1, 30, 10), g2 = lastGiven(j[3], k2, 10, 30);
      Calelm clothoid = sized(a), arc = sized(r);
      ASSERT_EQ(ali_ARmakRR(&g1, &g2, &clothoid, &arc), 0) << i;
      expectSound({g1, clothoid, arc, g2}, i);
    } else if (variant == 1) {  // arc, A1, R, A2, arc of one sense
      const auto j = walkChain(anyStart(), {R(s / r1, 30), A(s, r1, r, a), R(s / r, arcLength),
                                            A(s, r, r2, a2), R(s / r2, 30)});
      Calelm g1 = firstGiven(j[1], s / r1, 30, 10), g2 = lastGiven(j[4], s / r2, 10, 30);
      Calelm c1 = sized(a), arc = sized(r), c2 = sized(a2);
      ASSERT_EQ(ali_ARAmakRR(&g1, &g2, &c1, &arc, &c2), 0) << i;
      EXPECT_NEAR(arc.length, arcLength, 1e-3) << i;
      expectSound({g1, c1, arc, c2, g2}, i);
    } else {  // straight, R, A, arc
      const auto j =
          walkChain(anyStart(), {S(60), R(s / r, arcLength), A(s, r, r2, a2), R(s / r2, 30)});
      Calelm line = firstGiven(j[1], 0, 60, 10), g2 = lastGiven(j[3], s / r2, 10, 30);
      Calelm arc = sized(r), clothoid = sized(a2);
      ASSERT_EQ(ali_RAmakSR(&line, &g2, &arc, &clothoid), 0) << i;
      expectSound({line, arc, clothoid, g2}, i);
    }
  }
}

TEST_F(ChainMakers, TwoClothoidsThroughAnInflectionAndFourBetweenThreeArcs) {
  for (int i = 0; i < kCases; ++i) {
    const double s1 = anySign(), s2 = -s1, s3 = anySign();
    const double r1 = uniform(100, 1500), r2 = uniform(100, 1500), r3 = uniform(100, 1500);
    const double a1 = r1 * uniform(0.3, 1.0), a2 = r2 * uniform(0.3, 1.0);
    const double a3 = r2 * uniform(0.3, 1.0), a4 = r3 * uniform(0.3, 1.0);
    const auto j =
        walkChain(anyStart(), {R(s1 / r1, 30), A(s1, r1, 0, a1), A(s2, 0, r2, a2), R(s2 / r2, 40),
                               A(s2, r2, 0, a3), A(s3, 0, r3, a4), R(s3 / r3, 30)});
    Calelm g1 = firstGiven(j[1], s1 / r1, 30, 10), g2 = lastGiven(j[3], s2 / r2, 10, 40);
    Calelm c1 = sized(2 * a1), c2 = sized(2 * a2);  // only the ratio counts
    Calelm pair1 = g1, pair2 = g2;
    ASSERT_EQ(ali_makRAAR(&pair1, &pair2, &c1, &c2), 0) << i;
    EXPECT_NEAR(c1.parameter, a1, 1e-6 * a1) << i;
    EXPECT_NEAR(c2.parameter, a2, 1e-6 * a2) << i;
    expectSound({pair1, c1, c2, pair2}, i);

    // The middle arc from before its start to past its end, and all four clothoids.
    Calelm middle = arcThrough(walkBack(j[3], s2 / r2, 10),
                               walk(j[4].x, j[4].y, j[4].azimuth, s2 / r2, s2 / r2, 10), s2 / r2);
    Calelm last = lastGiven(j[6], s3 / r3, 10, 30), first = g1;
    Calelm four[4] = {sized(a1), sized(a2), sized(a3), sized(a4)};
    ASSERT_EQ(ali_mak3R4A(&first, &middle, &last, four), 0) << i;
    // An S-curve's centre distance hardly changes with the clothoid scale, so the clothoid
    // series' own accuracy moves the joins along the arc by more than elsewhere.
    EXPECT_NEAR(middle.length, 40, 2e-3) << i;
    expectSound({first, four[0], four[1], middle, four[2], four[3], last}, i);
  }
}

// Random elements, not built to fit: every chain maker must refuse or return a sound chain.
TEST_F(ChainMakers, RandomPairsGiveMinusOneOrASoundChain) {
  auto randomArc = [&]() {
    const WalkEnd start{uniform(-500, 500), uniform(-500, 500), uniform(0, 2 * kPi)};
    const double k = anySign() / uniform(50, 1500);
    return arcThrough(start, walk(start.x, start.y, start.azimuth, k, k, uniform(10, 120)), k);
  };
  auto randomStraight = [&]() {
    const WalkEnd start{uniform(-500, 500), uniform(-500, 500), uniform(0, 2 * kPi)};
    return straightThrough(start, walk(start.x, start.y, start.azimuth, 0, 0, uniform(20, 600)));
  };
  int made = 0, refused = 0;
  auto tally = [&](const char* name, auto maker, std::vector<Calelm> records, int i) {
    ++(refusedOrSound(name, maker, std::move(records), i) ? made : refused);
  };
  for (int i = 0; i < 1000; ++i) {
    Calelm a1 = randomArc(), a2 = randomArc(), s1 = randomStraight(), s2 = randomStraight();
    const double radius = uniform(50, 800), parameter = radius * uniform(0.3, 1.0);
    tally("SmakRR", ali_SmakRR, {a1, a2, {}}, i);
    tally("makRAR", ali_makRAR, {a1, a2, {}}, i);
    tally("makRAAR", ali_makRAAR, {a1, a2, {}, {}}, i);
    tally("RmakRR", ali_RmakRR, {a1, a2, sized(radius, anySign())}, i);
    tally("makSAR", ali_makSAR, {s1, a2, {}}, i);
    tally("RmakSR", ali_RmakSR, {s1, a2, sized(radius, anySign())}, i);
    tally("RmakSS", ali_RmakSS, {s1, s2, sized(radius)}, i);
    tally("ARAmakSS", ali_ARAmakSS, {s1, s2, sized(parameter), sized(radius), sized(parameter)}, i);
    const double ratio1 = uniform(0.3, 1.0), ratio2 = uniform(0.3, 1.0);
    tally("ASAmakRR", ali_ASAmakRR,
          {a1, a2, sized(a1.parameter * ratio1), {}, sized(a2.parameter * ratio2)}, i);
  }
  // Elements thrown down at random seldom admit minor arcs at every join; both outcomes occur.
  EXPECT_GT(made, 150);
  EXPECT_GT(refused, 4000);
}

TEST(ChainMakerEdges, RefuseWhatCannotBeMade) {
  const WalkEnd origin{0, 0, 0};
  const Calelm arcA = arcThrough(origin, walk(0, 0, 0, 0.01, 0.01, 50), 0.01);
  const Calelm sameCircle =
      arcThrough(walk(0, 0, 0, 0.01, 0.01, 60), walk(0, 0, 0, 0.01, 0.01, 90), 0.01);
  const Calelm straight = straightThrough(origin, {100, 0, 0});
  const Calelm inner = arcThrough({0, 10, 0}, walk(0, 10, 0, 0.02, 0.02, 30), 0.02);
  std::vector<Calelm> chain;
  // A straight cannot leave a circle and enter one that contains it in the same sense.
  EXPECT_EQ(makeBetween(ali_SmakRR, {arcA, inner, {}}, &chain), -1);
  // Two arcs of one circle: no egg clothoid (R1 = R2), no joining arc of the same radius.
  EXPECT_EQ(makeBetween(ali_makRAR, {arcA, sameCircle, {}}, &chain), -1);
  EXPECT_EQ(makeBetween(ali_RmakRR, {arcA, sameCircle, sized(100, 1)}, &chain), -1);
  // An arc crossing the straight has no clothoid from it (the shift would be negative).
  const Calelm crossing = arcThrough({50, -20, 0}, walk(50, -20, 0, 0.01, 0.01, 40), 0.01);
  EXPECT_EQ(makeBetween(ali_makSAR, {straight, crossing, {}}, &chain), -1);
  // Parallel straights have no corner.
  const Calelm parallel = straightThrough({0, 50, 0}, {100, 50, 0});
  EXPECT_EQ(makeBetween(ali_AAmakSS, {straight, parallel, sized(100), sized(100)}, &chain), -1);
  // A new arc radius equal to a given one is refused.
  EXPECT_EQ(makeBetween(ali_ARAmakRR, {arcA, inner, sized(50), sized(100), sized(30)}, &chain), -1);
  // Values that are not numbers are refused, not propagated.
  Calelm notANumber = inner, huge = straight;
  notANumber.endX = std::nan("");
  huge.startY = HUGE_VAL;
  EXPECT_EQ(makeBetween(ali_SmakRR, {arcA, notANumber, {}}, &chain), -1);
  EXPECT_EQ(makeBetween(ali_makSAR, {huge, arcA, {}}, &chain), -1);
  // Unchanged records after a refusal.
  Calelm x = arcA, y = inner, out{};
  ali_SmakRR(&x, &y, &out);
  EXPECT_EQ(x.endX, arcA.endX);
  EXPECT_EQ(y.startY, inner.startY);
}

}  // namespace
