// Element queries: points at a distance, projection, offsets, cross lines, intersections, moves,
// parallels and monitoring; edge cases as rows of cases/queries_*.txt, properties over random
// elements built from first principles and crossings constructed by the test (the chain repairs
// are rows of cases/chains.txt).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "queries_test_support.h"
#include "tests/support/call_table.h"

using namespace queries_test;

namespace {

Calelm straightRecord(double x1, double y1, double x2, double y2) {
  return StraightReference({x1, y1}, std::atan2(y2 - y1, x2 - x1), std::hypot(x2 - x1, y2 - y1))
      .record;
}

const Calelm kNorthward = straightRecord(0.0, 0.0, 100.0, 0.0);

using kestrel::testing::Numbers;

// An intersection query with its outputs x1 y1 a1 b1 x2 y2 a2 b2 in p.
template <typename F>
int16_t intersect(F f, const Calelm* a, const Calelm* b, double* p) {
  return f(a, b, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6, p + 7);
}

// The elements of the onl and proj rows: 0 north, 1 the arc of radius 80 about the origin turning
// left from radial azimuth 0 through 1.2 (96 m), 2 to 4 clothoids A 100 from their origin at azimuth
// 0.5: 2 entering (u 0 -> 80, turning right), 3 leaving (u 80 -> 20, turning left), 4 u 10 -> 80;
// 5 A 100 at azimuth 0.3 entering (u 0 -> 120).
const Reference& element(double which) {
  static const StraightReference north({0.0, 0.0}, 0.0, 100.0);
  static const ArcReference arc({0.0, 0.0}, 80.0, 1.0, 0.0, 1.2);
  static const ClothoidReference entering(100.0, {0.0, 0.0}, 0.5, -1.0, 0.0, 80.0),
      leaving(100.0, {0.0, 0.0}, 0.5, 1.0, 80.0, 20.0), inner(100.0, {0.0, 0.0}, 0.5, -1.0, 10.0, 80.0),
      longer(100.0, {0.0, 0.0}, 0.3, -1.0, 0.0, 120.0);
  const Reference* elements[6] = {&north, &arc, &entering, &leaving, &inner, &longer};
  return *elements[static_cast<int>(which)];
}

TEST(Queries, OnlProjCaseTable) {
  kestrel::testing::runCallTable("geometry/cases/queries_onl_proj.txt", {
    {"onlS_north", [](const Numbers& a) -> Numbers {
       double x = -7.0, y = -7.0, angle = -7.0;
       return {double(ali_onlS(&kNorthward, a[0], &x, &y, &angle)), x, y, angle}; }},
    {"onl", [](const Numbers& a) -> Numbers {  // with the fields named by the pairs from a[2] changed
       Calelm record = element(a[0]).record;
       for (std::size_t i = 2; i + 1 < a.size(); i += 2) {
         if (a[i] == 0) record.kind = static_cast<int16_t>(a[i + 1]);
         else field(record, static_cast<int>(a[i])) = a[i + 1];
       }
       double x, y, angle, p[8];
       const int16_t status = ali_onl(&record, a[1], &x, &y, &angle);
       return {double(status), distance({x, y}, element(a[0]).pointAt(a[1])),
               double(intersect(ali_intp, &record, &element(a[0]).record, p) < 0)}; }},
    {"proj", [](const Numbers& a) -> Numbers {
       Calelm record = element(a[0]).record;
       record.kind = a.size() > 3 ? static_cast<int16_t>(a[3]) : record.kind;
       double s, fx, fy;
       return {double(ali_proj(&record, a[1], a[2], &s, &fx, &fy))}; }},
    {"onlS_to", [](const Numbers& a) -> Numbers {
       Calelm line = StraightReference({0.0, 0.0}, {a[0], a[1]}).record;
       double x, y, angle = -7.0;
       return {double(ali_onlS(&line, a[2], &x, &y, &angle)), angle, x, y}; }},
    {"projS_north", [](const Numbers& a) -> Numbers {
       double s = -7.0, fx = -7.0, fy = -7.0;
       return {double(ali_projS(&kNorthward, a[0], a[1], &s, &fx, &fy)), s, fx, fy}; }},
    {"oflS_north", [](const Numbers& a) -> Numbers {
       double x = -7.0, y = -7.0;
       return {double(ali_oflS(&kNorthward, a[0], a[1], a[2], &x, &y)), x, y}; }},
    {"SmakS_north", [](const Numbers& a) -> Numbers {
       Calelm line = blankRecord();
       const int16_t status = ali_SmakS(&kNorthward, a[0], a[1], a[2], &line);
       return {double(status), double(line.kind), field(line, 1), field(line, 2), field(line, 3),
               field(line, 4), field(line, 9)}; }},
    {"projA_leaving", [](const Numbers& a) -> Numbers {
       const ClothoidReference leaving(100.0, {500.0, -300.0}, 2.0, -1.0, 90.0, 10.0);
       const Point p = toward(leaving.pointAt(a[0]), a[1], leaving.azimuthAt(a[0]));
       double s = -7.0, fx, fy;
       return {double(ali_projA(&leaving.record, p.x, p.y, &s, &fx, &fy)), s}; }},
    {"projR_quarter", [](const Numbers& a) -> Numbers {
       const ArcReference arc({0.0, 0.0}, 50.0, -1.0, kPi, kPi / 2.0);
       const Point p = toward({0.0, 0.0}, a[1], a[0]);
       double s = -7.0, fx = -7.0, fy = -7.0;
       return {double(ali_projR(&arc.record, p.x, p.y, &s, &fx, &fy)), s, fx, fy}; }},
    {"chk_ang", [](const Numbers& a) -> Numbers {
       const double tau = a[1] * a[1] / (2.0 * a[0] * a[0]) * a[4];
       const Point on = clothoidOwnPoint(a[0], a[1]);
       double d = -7.0;
       return {double(chk_ang(a[0], a[1], on.x + a[2] * std::cos(tau) - a[3] * std::sin(tau),
                              on.y + a[2] * std::sin(tau) + a[3] * std::cos(tau), &d)), d}; }},
    {"Smak_north", [](const Numbers& a) -> Numbers {
       Calelm line = blankRecord();
       return {double(ali_Smak(&kNorthward, a[0], a[1], a[2], &line))}; }},
  });
}

TEST(QueriesOnl, DegenerateStraightAndNoRecord) {
  Calelm point = straightRecord(5.0, 5.0, 5.0 + 4e-6, 5.0 - 4e-6);
  double x, y, angle;
  EXPECT_EQ(ali_onlS(&point, 0.0, &x, &y, &angle), -1);
  EXPECT_EQ(ali_onl(nullptr, 1.0, &x, &y, &angle), -1);
}

// Over random elements: the point at a distance against the reference, projection back onto
// the element, projection of an offset point, offsets square to the tangent and the cross line.
TEST(QueriesProperty, AgreeWithTheReferenceGeometry) {
  std::mt19937 random(20240601);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const auto& element : randomElements(random, 600, 1e5, {1, 999, 20, 2000, 0.02, 2})) {
    const Calelm& record = element->record;
    const int kind = record.kind;
    double x, y, angle;
    for (double fraction : {0.0, unit(random), 1.0}) {
      const double s = std::min(fraction * element->length, element->length - (kind == 3 ? 1e-9 : 2e-5));
      ASSERT_EQ(ali_onl(&record, s, &x, &y, &angle), 0) << kind;
      EXPECT_LT(distance({x, y}, element->pointAt(s)), kind == 3 ? 1e-4 : 2e-5) << kind << " s " << s;
      EXPECT_LT(angleGap(angle, element->azimuthAt(s)), 2e-5) << kind;
    }
    // Arcs refuse points on their end points, so stay a little inside every element.
    double s = (0.01 + 0.98 * unit(random)) * element->length;
    ASSERT_EQ(ali_onl(&record, s, &x, &y, &angle), 0);
    double back, fx, fy;
    ASSERT_GE(ali_proj(&record, x, y, &back, &fx, &fy), 0) << kind;
    EXPECT_NEAR(back, s, kind == 3 ? 1e-3 : 2e-5) << kind;
    EXPECT_LT(distance({fx, fy}, {x, y}), kind == 3 ? 1e-3 : 2e-5) << kind;

    const double d = (unit(random) - 0.5) * 20.0;
    const Point p = toward(element->pointAt(s), d, element->azimuthAt(s) - kPi / 2.0);
    if (kind != 2 || std::fabs(d) < 0.999 * field(record, 6)) {
      ASSERT_GE(ali_proj(&record, p.x, p.y, &back, &fx, &fy), 0) << kind;
      // The clothoid bisection stops at a cosine of 1e-4, worth up to 1e-4 * |d| along.
      EXPECT_NEAR(back, s, kind == 3 ? 1e-3 + 2e-4 * std::fabs(d) : 3e-5) << kind << " d " << d;
      double offset = 0.0, station = 0.0;
      ASSERT_GE(cplnrm(&record, p.x, p.y, &station, &offset), 0);
      EXPECT_NEAR(offset, d, 1e-3) << kind;
    }

    const double width = 0.5 + 30.0 * unit(random);
    using Offset = int16_t (*)(const Calelm*, double, double, double, double*, double*);
    const Offset offset = kind == 1 ? ali_oflS : kind == 2 ? ali_oflR : ali_oflA;
    Point left, right;
    ASSERT_EQ(offset(&record, s, kPi / 2.0, width, &left.x, &left.y), 0);
    ASSERT_EQ(offset(&record, s, kPi / 2.0, -width, &right.x, &right.y), 0);
    EXPECT_NEAR(distance(left, right), 2.0 * width, 1e-9);
    const double tangent = element->azimuthAt(s);
    const Point gap{left.x - right.x, left.y - right.y};
    EXPECT_LT(std::fabs(gap.x * std::cos(tangent) + gap.y * std::sin(tangent)), 2.0 * width * 2e-5);
    // Left of the direction of travel is toward azimuth - pi/2.
    EXPECT_GT(gap.x * std::cos(tangent - kPi / 2.0) + gap.y * std::sin(tangent - kPi / 2.0), 0.0);
    Calelm cross = blankRecord();
    ASSERT_EQ(ali_Smak(&record, s, kPi / 2.0, width, &cross), 0);
    EXPECT_NEAR(field(cross, 1), right.x, 1e-5);
    EXPECT_NEAR(field(cross, 4), left.y, 1e-5);
  }
}

TEST(QueriesClothoidFrame, OwnFrameRoundTripsAndOrigin) {
  std::mt19937 random(5);
  for (int i = 0; i < 200; ++i) {
    ClothoidReference clothoid = randomClothoid(random, {1000.0, -2000.0}, 500.0);
    double ox, oy, azimuth;
    ASSERT_EQ(CDgetOrgA(&clothoid.record, &ox, &oy, &azimuth), 0);
    EXPECT_LT(distance({ox, oy}, clothoid.origin), 1e-3);
    EXPECT_LT(angleGap(azimuth, clothoid.mainAzimuth), 1e-5);
    double x, y, backX, backY;
    ASSERT_EQ(CDPinAbs(&clothoid.record, 1234.5, -678.9, &x, &y), 0);
    ASSERT_EQ(CDP2Cal(&clothoid.record, x, y, &backX, &backY), 0);
    EXPECT_NEAR(backX, 1234.5, 1e-8);
    EXPECT_NEAR(backY, -678.9, 1e-8);
    Calelm own = blankRecord();
    int16_t reversed = CDAinAbs(&clothoid.record, &own);
    EXPECT_EQ(reversed, clothoid.uTo < clothoid.uFrom ? 1 : 0);
    EXPECT_EQ(field(own, 5), 1.0);
    Point ownEnd = clothoidOwnPoint(clothoid.A, std::max(clothoid.uFrom, clothoid.uTo));
    EXPECT_LT(distance({field(own, 3), field(own, 4)}, ownEnd), 1e-4);
  }
}

TEST(Queries, IntersectCaseTable) {
  kestrel::testing::runCallTable("geometry/cases/queries_intersect.txt", {
    {"intpSS", [](const Numbers& a) -> Numbers {
       const Calelm first = straightRecord(a[0], a[1], a[2], a[3]), second = straightRecord(a[4], a[5], a[6], a[7]);
       double x = 0, y = 0, s1 = 0, s2 = 0, p[8];
       const int16_t status = ali_intpSS(&first, &second, &x, &y, &s1, &s2);
       return {double(status), x, y, s1, s2, double(intersect(ali_intp, &first, &second, p))}; }},
    {"intpRR", [](const Numbers& a) -> Numbers {
       const ArcReference first({0.0, 0.0}, 50.0, 1.0, 0.0, 2.0);
       const ArcReference second({a[0], a[1]}, a[2], a[3], a[4], a[5]);
       double p[8];
       return {double(intersect(ali_intpRR, &first.record, &second.record, p))}; }},
    {"intpSR", [](const Numbers& a) -> Numbers {
       const Calelm line = straightRecord(a[0], a[1], a[2], a[3]);
       const ArcReference arc({a[4], a[5]}, a[6], a[7], a[8], a[9]);
       double p[8], q[8];
       const int16_t status = intersect(ali_intpSR, &line, &arc.record, p);
       const int16_t swapped = intersect(ali_intp, &arc.record, &line, q);
       return {double(status), p[0], p[1], p[4], p[5], p[2], p[6], p[3], double(swapped),
               double(q[2] < q[6]), q[3] + q[7]}; }},
    {"intp_overturned", [](const Numbers& a) -> Numbers {
       Calelm clothoid = blankRecord();
       setFields(clothoid, 3, {0.0, 0.0, 1.0, 1.0, 1.0, a[0], 0.0, a[1]});
       const Calelm others[3] = {straightRecord(-10.0, 0.5, 10.0, 0.5),
                                 ArcReference({0.0, 0.0}, 50.0, 1.0, 0.0, 2.0).record, clothoid};
       double p[8];
       return {double(intersect(ali_intp, &others[static_cast<int>(a[2])], &clothoid, p))}; }},
    {"intpSA_chord", [](const Numbers& a) -> Numbers {
       const Reference& clothoid = element(a[0]);
       const Point p = clothoid.pointAt(a[1]), q = clothoid.pointAt(a[2]);
       const double heading = std::atan2(q.y - p.y, q.x - p.x);
       const Calelm line = StraightReference(toward(p, -5.0, heading), heading, distance(p, q) + 10.0).record;
       double r[8];
       const int16_t status = intersect(ali_intpSA, &line, &clothoid.record, r);
       return {double(status), distance({r[0], r[1]}, p), distance({r[4], r[5]}, q), r[3], r[7]}; }},
    {"intp_far", [](const Numbers& a) -> Numbers {
       const Reference& clothoid = element(a[0]);
       const Calelm line = StraightReference(toward(clothoid.pointAt(0.0), a[1], 1.0), 0.0, 100.0).record;
       double p[8];
       return {double(intersect(ali_intp, &line, &clothoid.record, p)),
               double(intersect(ali_intpAA, &clothoid.record, &line, p))}; }},
    {"sameA", [](const Numbers& a) -> Numbers {
       Calelm other = element(a[0]).record;
       field(other, static_cast<int>(a[1])) += a[2];
       return {double(CDsameA(&element(2).record, &other))}; }},
    {"CDAcrosS", [](const Numbers& a) -> Numbers {
       double u[2];
       return {double(CDAcrosS(a[0], a[1], a[2], a[3], a[4], a[5], a[6], &u[0], &u[1]))}; }},
  });
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
    const double tolerance = a->record.kind == 3 || b->record.kind == 3 ? 1e-3 : 2e-5;
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

// ---- Moves, parallels and monitoring ----


Point onl(const Calelm& record, double s) {
  Point p;
  double angle;
  EXPECT_EQ(ali_onl(&record, s, &p.x, &p.y, &angle), 0) << "kind " << record.kind;
  return p;
}

void expectSameElement(const Calelm& a, const Calelm& b, double pointTolerance) {
  ASSERT_EQ(a.kind, b.kind);
  for (int n : {1, 2, 3, 4}) EXPECT_NEAR(field(a, n), field(b, n), pointTolerance) << "field " << n;
  for (int n : {5, 6, 7, 8, 9}) EXPECT_DOUBLE_EQ(field(a, n), field(b, n)) << "field " << n;
  for (int n : {10, 11}) EXPECT_LT(angleGap(field(a, n), field(b, n)), 3e-6) << "field " << n;
  if (a.kind == 2) {
    EXPECT_NEAR(field(a, 12), field(b, 12), pointTolerance);
    EXPECT_NEAR(field(a, 13), field(b, 13), pointTolerance);
  }
}

// A move shifts every point, a rotation (clockwise on the map: the plain rotation formula on
// (X, Y)) turns points and azimuths; the opposite move or turn gives the element back. A parallel
// straight or concentric arc runs through the left offsets, the arc's radius shortened by the
// offset on its inside.
TEST(QueriesMoves, MovesRotationsAndParallelsAgreeWithTheReference) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // Straights of 5-505 m, arcs of radius 30-930 m sweeping 0.1-2.6 rad.
  for (const auto& element : randomElements(random, 300, 4e4, {5, 500, 30, 900, 0.1, 2.5})) {
    const Calelm& record = element->record;
    const double s = 0.5 * element->length, d = 1000.0 * unit(random), azimuth = kTwoPi * unit(random);
    Calelm moved = blankRecord(), back = blankRecord(), turned = blankRecord();
    ASSERT_EQ(ali_pmov(&record, d, azimuth, &moved), 0);
    EXPECT_LT(distance(onl(moved, s), toward(onl(record, s), d, azimuth)), record.kind == 3 ? 1e-4 : 3e-5)
        << "kind " << record.kind;
    ASSERT_EQ(ali_pmov(&moved, d, wrap(azimuth + kPi), &back), 0);
    expectSameElement(back, record, 2e-5);

    const Point centre{field(record, 1) + 500.0 * (unit(random) - 0.5),
                       field(record, 2) + 500.0 * (unit(random) - 0.5)};
    const double theta = (unit(random) - 0.5) * 4.0;
    ASSERT_EQ(ali_tmov(&record, centre.x, centre.y, theta, &turned), 0);
    const Point p = element->pointAt(s);
    const Point expected{
        centre.x + (p.x - centre.x) * std::cos(theta) - (p.y - centre.y) * std::sin(theta),
        centre.y + (p.x - centre.x) * std::sin(theta) + (p.y - centre.y) * std::cos(theta)};
    double angle, x, y;
    ASSERT_EQ(ali_onl(&turned, s, &x, &y, &angle), 0);
    EXPECT_LT(distance({x, y}, expected), record.kind == 3 ? 1e-3 : 4e-5) << "kind " << record.kind;
    EXPECT_LT(angleGap(angle, element->azimuthAt(s) + theta), 2e-5);
    ASSERT_EQ(ali_tmov(&turned, centre.x, centre.y, -theta, &back), 0);
    expectSameElement(back, record, 2e-5);

    if (record.kind == 3) continue;
    const double offset = (unit(random) - 0.5) * 20.0;
    ASSERT_EQ(record.kind == 1 ? ali_paraS(&record, offset, &moved)
                               : para_pmovr(&record, offset, &moved), 0);
    ASSERT_EQ((record.kind == 1 ? ali_oflS : ali_oflR)(&record, s, kPi / 2.0, offset, &x, &y), 0);
    double station, across;
    ASSERT_GE(cplnrm(&moved, x, y, &station, &across), 0);
    EXPECT_LT(std::fabs(across), 3e-5) << "kind " << record.kind;
    if (record.kind == 2) {
      EXPECT_DOUBLE_EQ(field(moved, 6), field(record, 6) - field(record, 5) * offset);
      EXPECT_NEAR(field(moved, 9), field(moved, 6) * field(moved, 14), 1e-5);
    }
  }
  ArcReference tight({0.0, 0.0}, 5.0, 1.0, 0.0, 1.0);
  Calelm moved = blankRecord();
  EXPECT_EQ(para_pmovr(&tight.record, 5.0, &moved), -1);
  EXPECT_EQ(para_pmovr(&tight.record, -5.0, &moved), 0);
  EXPECT_EQ(ali_paraS(&tight.record, 1.0, &moved), -1);
}

TEST(QueriesMoves, ArrayMovesSkipWhatTheyCannotMove) {
  ArcReference arc({10.0, 20.0}, 100.0, 1.0, 0.5, 1.0);
  StraightReference line({0.0, 0.0}, 0.3, 50.0);
  Calelm elements[3] = {arc.record, blankRecord(), line.record};
  elements[1].kind = 7;
  field(elements[1], 1) = 42.0;
  Calelm before[3] = {elements[0], elements[1], elements[2]};
  EXPECT_EQ(many_ali_pmov(0, elements, 10.0, 1.0), 1);
  EXPECT_EQ(std::memcmp(elements, before, sizeof elements), 0);
  EXPECT_EQ(many_ali_pmov(-3, elements, 10.0, 1.0), 1);
  EXPECT_EQ(many_ali_pmov(3, elements, 10.0, 0.0), 1);
  EXPECT_NEAR(field(elements[0], 1), field(before[0], 1) + 10.0, 1e-5);
  EXPECT_NEAR(field(elements[0], 12), field(before[0], 12) + 10.0, 1e-5);
  EXPECT_EQ(std::memcmp(&elements[1], &before[1], sizeof(Calelm)), 0);
  EXPECT_NEAR(field(elements[2], 3), field(before[2], 3) + 10.0, 1e-5);
  EXPECT_EQ(many_ali_tmov(3, elements, 0.0, 0.0, kPi), 1);
  EXPECT_NEAR(field(elements[2], 3), -field(before[2], 3) - 10.0, 2e-5);
  EXPECT_EQ(std::memcmp(&elements[1], &before[1], sizeof(Calelm)), 0);
}

TEST(QueriesMonitor, FirstAcceptingElementWins) {
  double distance = 0.0;
  EXPECT_EQ(get_moniDist(1.0, 2.0, 0, nullptr, &distance), -1);  // an empty alignment
  EXPECT_EQ(distance, -1.0);
  // An arc whose start is the monitoring point refuses it; the straight after it accepts it.
  ArcReference arc({0.0, 0.0}, 50.0, -1.0, kPi, 1.0);
  Point start = arc.pointAt(0.0);
  StraightReference line(toward(start, -30.0, 0.2), 0.2, 100.0);
  Calelm alignment[2] = {arc.record, line.record};
  ASSERT_EQ(get_moniDist(start.x, start.y, 2, alignment, &distance), 1);
  EXPECT_NEAR(distance, 0.0, 2e-5);
  Point beside = toward(line.pointAt(60.0), 7.5, 0.2 + kPi / 2.0);
  ASSERT_EQ(get_moniDist(beside.x, beside.y, 2, alignment, &distance), 1);
  EXPECT_NEAR(distance, 7.5, 2e-5);
  EXPECT_EQ(get_moniDist(beside.x, beside.y, 1, alignment, &distance), -1);  // the arc alone
  Point nowhere{1000.0, 1000.0};  // beyond the straight's end, outside the arc's sector
  EXPECT_EQ(get_moniDist(nowhere.x, nowhere.y, 2, alignment, &distance), -1);
  EXPECT_EQ(distance, -1.0);
}

TEST(QueriesMonitor, TableLayoutIsCountThenFiveDoubleEntriesFromByteEight) {
  StraightReference line({0.0, 0.0}, 0.0, 100.0);
  const int entries = 3;
  std::vector<unsigned char> table(8 + entries * 40, 0xAB);
  int16_t count = entries;
  std::memcpy(table.data(), &count, sizeof count);
  const double points[entries][2] = {{10.0, 3.0}, {50.0, -4.0}, {-20.0, 0.0}};
  for (int i = 0; i < entries; ++i) {
    double entry[5] = {100.0 + i, points[i][0], points[i][1], 0.0, 200.0 + i};
    std::memcpy(table.data() + 8 + 40 * i, entry, sizeof entry);
  }
  std::vector<unsigned char> before = table;
  EXPECT_EQ(Calc_moni(table.data(), 1, &line.record), 1);
  const double expected[entries] = {3.0, 4.0, -1.0};
  for (int i = 0; i < entries; ++i) {
    double entry[5];
    std::memcpy(entry, table.data() + 8 + 40 * i, sizeof entry);
    EXPECT_EQ(entry[0], 100.0 + i);
    EXPECT_EQ(entry[1], points[i][0]);
    EXPECT_EQ(entry[2], points[i][1]);
    EXPECT_NEAR(entry[3], expected[i], 1e-9);
    EXPECT_EQ(entry[4], 200.0 + i);
  }
  // The count and the six bytes after it are not written.
  EXPECT_EQ(std::memcmp(table.data(), before.data(), 8), 0);
}

// Polygon entries of seven doubles; the point is in fields 2 and 3.
const double kPolygon[3][7] = {
    {0, 0.0, 0.0, 0, 0, 0, 0}, {0, 100.0, 0.0, 0, 0, 0, 0}, {0, 100.0, 100.0, 0, 0, 0, 0}};

TEST(QueriesMonitor, CaseTable) {
  using kestrel::testing::Numbers;
  kestrel::testing::runCallTable("geometry/cases/queries_monitor.txt", {
    {"gc_poionl", [](const Numbers& a) -> Numbers {
       return {double(gc_poionl(a[0], a[1], a[2], a[3], a[4], a[5], a[6]))}; }},
    {"gc_intpSS", [](const Numbers& a) -> Numbers {
       double x = 0.0, y = 0.0;
       return {double(gc_intpSS(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &x, &y)), x, y}; }},
    {"chk_on_tangent", [](const Numbers& a) -> Numbers {
       int16_t index = -7;
       const int16_t status = chk_on_tangent(a[0], kPolygon[0], a[1], a[2], &index, a[3]);
       return {double(status), double(index)}; }},
    {"chk_tangent", [](const Numbers& a) -> Numbers {
       const double points[3][2] = {{100.0, 40.0}, {50.0, 0.0}, {50.0, 50.0}};
       int16_t sides[3] = {-7, -7, -7};
       const int16_t status = chk_tangent(3, kPolygon[0], a[0], points[0], 1e-6, sides);
       return {double(status), double(sides[0]), double(sides[1]), double(sides[2])}; }},
  });
}

}  // namespace
