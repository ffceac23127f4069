// Intersections: the closed forms' edge cases (rows of cases/queries_intersect.txt) and
// crossings constructed by the test.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "queries_test_support.h"
#include "tests/support/call_table.h"

using namespace queries_test;

namespace {

Calelm straight(double x1, double y1, double x2, double y2) {
  return StraightReference({x1, y1}, std::atan2(y2 - y1, x2 - x1), std::hypot(x2 - x1, y2 - y1))
      .record;
}

using kestrel::testing::Numbers;

TEST(Queries, IntersectCaseTable) {
  kestrel::testing::runCallTable("geometry/cases/queries_intersect.txt", {
    {"intpSS", [](const Numbers& a) -> Numbers {
       const Calelm first = straight(a[0], a[1], a[2], a[3]), second = straight(a[4], a[5], a[6], a[7]);
       double x = 0, y = 0, s1 = 0, s2 = 0, p[8];
       const int16_t status = ali_intpSS(&first, &second, &x, &y, &s1, &s2);
       const int16_t dispatched =
           ali_intp(&first, &second, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7]);
       return {double(status), x, y, s1, s2, double(dispatched)}; }},
    {"intpRR", [](const Numbers& a) -> Numbers {
       const ArcReference first({0.0, 0.0}, 50.0, 1.0, 0.0, 2.0);
       const ArcReference second({a[0], a[1]}, a[2], a[3], a[4], a[5]);
       double p[8];
       return {double(ali_intpRR(&first.record, &second.record, &p[0], &p[1], &p[2], &p[3], &p[4],
                                 &p[5], &p[6], &p[7]))}; }},
    {"CDAcrosS", [](const Numbers& a) -> Numbers {
       double u[2];
       return {double(CDAcrosS(a[0], a[1], a[2], a[3], a[4], a[5], a[6], &u[0], &u[1]))}; }},
  });
}

TEST(QueriesIntersect, UnknownKindIsRefused) {
  ArcReference arc({0.0, 0.0}, 50.0, 1.0, 0.0, 2.0);
  Calelm unknown = arc.record;
  setKind(unknown, 0);
  double p[8];
  EXPECT_EQ(ali_intp(&unknown, &arc.record, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7]),
            -1);
}

TEST(QueriesIntersect, StraightThroughAnArcTwice) {
  // Radius 50 about the origin, radial azimuths 0.98 pi to 0.98 pi + 3 (the western side);
  // a northward straight at Y = -30 meets it at X = -40 and X = 40.
  ArcReference arc({0.0, 0.0}, 50.0, -1.0, kPi * 0.98, 3.0);
  Calelm line = straight(-100.0, -30.0, 100.0, -30.0);
  double x1, y1, a1, b1, x2, y2, a2, b2;
  ASSERT_EQ(ali_intpSR(&line, &arc.record, &x1, &y1, &a1, &b1, &x2, &y2, &a2, &b2), 2);
  EXPECT_NEAR(x1, -40.0, 1e-5);
  EXPECT_NEAR(y1, -30.0, 1e-5);
  EXPECT_NEAR(x2, 40.0, 1e-5);
  EXPECT_NEAR(y2, -30.0, 1e-5);
  EXPECT_NEAR(b1, 50.0 * (std::atan2(-30.0, -40.0) + kTwoPi - 0.98 * kPi), 1e-5);
  EXPECT_NEAR(a1, 60.0, 1e-5);
  EXPECT_NEAR(a2, 140.0, 1e-5);
  // Swapped through the dispatcher: the arc first, points ordered along the arc.
  ASSERT_EQ(ali_intp(&arc.record, &line, &x1, &y1, &a1, &b1, &x2, &y2, &a2, &b2), 1);
  EXPECT_LT(a1, a2);
  EXPECT_NEAR(b1 + b2, 200.0, 1e-5);  // distances along the straight came back with their point
}

// An element of the given kind passing through p at fraction f of its length, heading a.
std::unique_ptr<Reference> elementThrough(int kind, Point p, double f, double a,
                                          std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  if (kind == 1) {
    double total = 50.0 + 450.0 * unit(random);
    if (f == 1.0) {
      Point start = toward(p, -total, a);
      return std::make_unique<StraightReference>(Point{roundLength(start.x), roundLength(start.y)},
                                                 p);
    }
    return std::make_unique<StraightReference>(toward(p, -f * total, a), a, total);
  }
  if (kind == 2) {
    double radius = 50.0 + 950.0 * unit(random);
    double sign = unit(random) < 0.5 ? 1.0 : -1.0;
    double sweep = 0.3 + 2.2 * unit(random);
    double s = f * radius * sweep;
    double radialAtP = a + sign * kPi / 2.0;
    Point centre = toward(p, -radius, radialAtP);
    return std::make_unique<ArcReference>(centre, radius, sign, radialAtP + sign * s / radius,
                                          sweep);
  }
  ClothoidReference shape = randomClothoid(random, {0.0, 0.0}, 0.0);
  return std::make_unique<ClothoidReference>(clothoidThrough(shape, f * shape.length, p, a));
}

double toleranceOf(const Calelm& a, const Calelm& b) {
  return kindOf(a) == 3 || kindOf(b) == 3 ? 1e-3 : 2e-5;
}

void expectOnBoth(const Calelm& a, const Calelm& b, double x, double y, double sa, double sb,
                  double tolerance, const char* what) {
  double px, py, angle;
  ASSERT_EQ(ali_onl(&a, sa, &px, &py, &angle), 0) << what;
  EXPECT_LT(distance({px, py}, {x, y}), tolerance) << what << " first";
  ASSERT_EQ(ali_onl(&b, sb, &px, &py, &angle), 0) << what;
  EXPECT_LT(distance({px, py}, {x, y}), tolerance) << what << " second";
}

class ConstructedCrossing : public ::testing::TestWithParam<std::pair<int, int>> {};

// Crossings at a clear angle inside both elements, then (the last 100 trials) exactly at an end
// of either or both, as elements of an alignment meet: found, every point on both, and at an end
// the distance 0 or the element's length.
TEST_P(ConstructedCrossing, IsFoundAndEveryPointLiesOnBoth) {
  auto [kindA, kindB] = GetParam();
  std::mt19937 random(1000 + 10 * kindA + kindB);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 400; ++trial) {
    const bool atEnds = trial >= 300;
    // At an end, on the length quantum, so that every record ending there ends exactly there.
    const double spread = atEnds ? 3000.0 : 30000.0;
    Point p{-spread + 2 * spread * unit(random), -spread + 2 * spread * unit(random)};
    if (atEnds) p = {roundLength(p.x), roundLength(p.y)};
    const double headingA = kTwoPi * unit(random);
    const double gap = 0.3 + (kPi - 0.6) * unit(random);
    const double headingB = headingA + (atEnds || unit(random) < 0.5 ? gap : -gap);
    const double fractionA = atEnds ? trial % 2 : 0.1 + 0.8 * unit(random);
    auto a = elementThrough(kindA, p, fractionA, headingA, random);
    const double fractionB = atEnds ? (trial % 4 < 2 ? 0.0 : 1.0) : 0.1 + 0.8 * unit(random);
    auto b = elementThrough(kindB, p, fractionB, headingB, random);
    double x[2], y[2], sa[2], sb[2];
    int16_t status = ali_intp(&a->record, &b->record, &x[0], &y[0], &sa[0], &sb[0], &x[1], &y[1],
                              &sa[1], &sb[1]);
    ASSERT_GE(status, 0) << "trial " << trial << " at " << fractionA << " and " << fractionB;
    const double tolerance = toleranceOf(a->record, b->record);
    // Record end points are rounded to 1e-5, which moves a crossing by up to that / sin(gap).
    const double near = tolerance + 3e-5 / std::sin(gap);
    bool hit = false;
    for (int k = 0; k < (status == 0 ? 1 : 2); ++k) {
      if (!atEnds) expectOnBoth(a->record, b->record, x[k], y[k], sa[k], sb[k], tolerance, "crossing");
      if (distance({x[k], y[k]}, p) >= near) continue;
      hit = true;
      if (!atEnds) continue;
      EXPECT_NEAR(sa[k], fractionA * a->length, near) << "trial " << trial;
      EXPECT_NEAR(sb[k], fractionB * b->length, near) << "trial " << trial;
    }
    if (status != 0 && !atEnds) { EXPECT_LE(sa[0], sa[1]); }
    EXPECT_TRUE(hit) << "trial " << trial;
  }
}

INSTANTIATE_TEST_SUITE_P(AllPairs, ConstructedCrossing,
                         ::testing::Values(std::pair{1, 1}, std::pair{1, 2}, std::pair{2, 1},
                                           std::pair{1, 3}, std::pair{3, 1}, std::pair{2, 2},
                                           std::pair{2, 3}, std::pair{3, 2}, std::pair{3, 3}),
                         [](const auto& info) {
                           const char* kinds = "SRA";
                           return std::string{kinds[info.param.first - 1]} +
                                  kinds[info.param.second - 1];
                         });

TEST(QueriesIntersect, ClothoidAndStraightMissingEachOther) {
  std::mt19937 random(3);
  ClothoidReference clothoid = randomClothoid(random, {0.0, 0.0}, 0.0);
  Point far = toward(clothoid.pointAt(0.0), 5000.0, 1.0);
  Calelm line = StraightReference(far, 0.0, 100.0).record;
  double p[8];
  EXPECT_EQ(
      ali_intp(&line, &clothoid.record, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7]),
      -1);
  EXPECT_EQ(
      ali_intpAA(&clothoid.record, &line, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7]),
      -2);
}

TEST(QueriesIntersect, ClothoidCrossedTwiceByAStraight) {
  // A chord of the clothoid between distances 10 and 60 along it, stretched a little both ways.
  ClothoidReference clothoid(100.0, {0.0, 0.0}, 0.3, -1.0, 0.0, 120.0);
  Point p = clothoid.pointAt(10.0);
  Point q = clothoid.pointAt(60.0);
  double heading = std::atan2(q.y - p.y, q.x - p.x);
  Calelm line = StraightReference(toward(p, -5.0, heading), heading, distance(p, q) + 10.0).record;
  double x1, y1, a1, b1, x2, y2, a2, b2;
  ASSERT_EQ(ali_intpSA(&line, &clothoid.record, &x1, &y1, &a1, &b1, &x2, &y2, &a2, &b2), 2);
  EXPECT_LT(distance({x1, y1}, p), 1e-3);
  EXPECT_LT(distance({x2, y2}, q), 1e-3);
  EXPECT_NEAR(b1, 10.0, 1e-3);
  EXPECT_NEAR(b2, 60.0, 1e-3);
}

// A clothoid record turning further than any clothoid (whose radius ratio is far below the 0.56
// bound) is degenerate for every intersection, also where its turning is beyond an int's range
// in chords or overflows.
TEST(QueriesIntersect, ClothoidsTurningBeyondAnyClothoidAreRefused) {
  const struct {
    const char* name;
    double A, endRadius;
  } cases[] = {
      {"turning 5e17 rad", 1.0, 1e-9},
      {"turning overflows", 1e-160, 5e-324},
  };
  Calelm line = straight(-10.0, 0.5, 10.0, 0.5);
  ArcReference arc({0.0, 0.0}, 50.0, 1.0, 0.0, 2.0);
  for (const auto& c : cases) {
    Calelm clothoid = blankRecord();
    setKind(clothoid, 3);
    field(clothoid, 3) = 1.0;
    field(clothoid, 4) = 1.0;
    field(clothoid, 5) = 1.0;
    field(clothoid, 6) = c.A;
    field(clothoid, 8) = c.endRadius;
    for (const Calelm* other : {&line, &arc.record, &clothoid}) {
      double p[8];
      EXPECT_EQ(ali_intp(other, &clothoid, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7]),
                -2)
          << c.name << ", with kind " << kindOf(*other);
    }
  }
}

}  // namespace
