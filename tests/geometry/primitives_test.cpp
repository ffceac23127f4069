// Plane primitives: edge cases as rows of cases/primitives.txt, and fixed-seed properties of the
// lines and of the element transforms checked against rotations and reflections computed with
// std::complex.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <random>

#include "kestrel/geometry.h"
#include "tests/support/call_table.h"

namespace {

using kestrel::testing::Numbers;

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

const double* fieldsOf(const Calelm& e) { return &e.startX; }

Numbers withFields(double status, const Calelm& e) {
  Numbers out{status};
  for (int field = 0; field < 14; ++field) out.push_back(fieldsOf(e)[field]);
  return out;
}

TEST(Primitives, CaseTable) {
  kestrel::testing::runCallTable("geometry/cases/primitives.txt", {
    {"CDlineang", [](const Numbers& a) -> Numbers {
       double angle = -1.0;
       return {double(CDlineang(0.0, 0.0, a[0], a[1], &angle)), angle}; }},
    {"CDlinstd", [](const Numbers& a) -> Numbers {
       StdLine l{9.0, 9.0, 9.0, 9.0};
       return {double(CDlinstd(a[0], a[1], a[2], a[3], &l)), l.x0, l.y0, l.ux, l.uy}; }},
    {"CDbtwang", [](const Numbers& a) -> Numbers {
       return {CDbtwang(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7])}; }},
    {"CDlincros", [](const Numbers& a) -> Numbers {
       double x = 7.0, y = 7.0;
       return {double(CDlincros(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &x, &y)), x, y}; }},
    {"CDsegcros", [](const Numbers& a) -> Numbers {
       double x = -99.0, y = -99.0;
       return {double(CDsegcros(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &x, &y)), x, y}; }},
    {"CDpoiinseg", [](const Numbers& a) -> Numbers {
       return {double(CDpoiinseg(a[0], a[1], a[2], a[3], a[4], a[5]))}; }},
    {"CDpoionls", [](const Numbers& a) -> Numbers {
       return {double(CDpoionls(a[4], a[5], a[0], a[1], a[2], a[3]))}; }},
    {"CDpldist", [](const Numbers& a) -> Numbers {
       double d = -1.0;
       CDpldist(a[0], a[1], a[2], a[3], a[4], a[5], &d);
       return {d}; }},
    {"CDmove", [](Numbers a) -> Numbers {
       CDmove(a[0], a[1], &a[2], &a[3], &a[4], &a[5]);
       return {a[2], a[3], a[4], a[5]}; }},
    {"CDmoveP", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0;
       CDmoveP(a[0], a[1], a[2], a[3], &x, &y);
       return {x, y}; }},
    {"CDrotpoi", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0;
       CDrotpoi(a[0], a[1], a[2], a[3], a[4], a[5], &x, &y);
       return {x, y}; }},
    {"CDmirAng", [](const Numbers& a) -> Numbers {
       double mirrored = -1.0;
       CDmirAng(a[0], &mirrored);
       return {mirrored}; }},
    {"CDreverA", [](const Numbers& a) -> Numbers {
       Calelm r;
       initCalelm(&r);
       r.kind = 3;
       r.startX = 1.0;
       r.endX = 2.0;
       r.turnSign = 1.0;
       r.startRadius = a[0];
       r.endRadius = a[1];
       r.startAngle = 0.25;
       r.endAngle = 4.0;
       const int16_t status = CDreverA(&r, static_cast<int16_t>(a[2]));
       EXPECT_EQ(r.kind, 3);
       return withFields(status, r); }},
  });
}

TEST(Primitives, NullOutputsAreRejected) {
  Calelm record;
  initCalelm(&record);
  EXPECT_EQ(CDlinstd(0, 0, 1, 1, nullptr), -1);
  EXPECT_EQ(CDchgSpace(record, nullptr), -1);
  EXPECT_EQ(CDreverA(nullptr, 1), -1);
  EXPECT_EQ(CDsegcros(0, 0, 1, 0, 0, 1, 1, 1, nullptr, nullptr), -1);
}

// Directions against atan2, angles between lines against the difference of their directions,
// crossings on both lines, distance from a line by the cross product and the foot of the
// perpendicular by the dot product.
TEST(Lines, AgreeWithVectorAlgebraOverRandomLines) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi), coordinate(-500.0, 500.0);
  for (int i = 0; i < 1000; ++i) {
    const double a = angle(random), b = angle(random);
    const double ux = std::cos(a), uy = std::sin(a), vx = std::cos(b), vy = std::sin(b);
    double measured = -1.0;
    CDlineang(3.0, 4.0, ux, uy, &measured);
    EXPECT_NEAR(std::remainder(measured - a, kTwoPi), 0.0, 1e-12);
    EXPECT_GE(measured, 0.0);
    EXPECT_LE(measured, kTwoPi);
    const double between = CDbtwang(1, 1, 1 + 7 * ux, 1 + 7 * uy, -2, 3, -2 + vx, 3 + vy);
    // The quantum zone is a row of the case table.
    if (std::fabs(b - a) >= 1e-5) {
      EXPECT_NEAR(std::remainder(between - (b - a), kTwoPi), 0.0, 1e-12);
    }
    const double xa = coordinate(random), ya = coordinate(random);
    const double xb = coordinate(random), yb = coordinate(random);
    double x = 0.0, y = 0.0;
    const int16_t status = CDlincros(xa, ya, ux, uy, xb, yb, vx, vy, &x, &y);
    if (std::fabs(std::sin(b - a)) > 1e-6) {
      ASSERT_EQ(status, 0);
      const double scale = 1.0 + std::hypot(x, y);
      EXPECT_NEAR(ux * (y - ya) - uy * (x - xa), 0.0, 1e-9 * scale);
      EXPECT_NEAR(vx * (y - yb) - vy * (x - xb), 0.0, 1e-9 * scale);
    }
    double distance = -1.0, fx = 0.0, fy = 0.0;
    CDpldist(xa, ya, ux, uy, xb, yb, &distance);
    EXPECT_NEAR(distance, std::fabs(ux * (yb - ya) - uy * (xb - xa)), 1e-9);
    const double along = (xb - xa) * ux + (yb - ya) * uy;
    EXPECT_EQ(CDpojpoi(xa, ya, ux, uy, xb, yb, &fx, &fy), 0);
    EXPECT_NEAR(fx, xa + along * ux, 1e-9);
    EXPECT_NEAR(fy, ya + along * uy, 1e-9);
  }
}

// ---- element transforms ----

Calelm randomRecord(std::mt19937_64& random, int16_t kind) {
  std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
  std::uniform_real_distribution<double> angle(0.01, kTwoPi - 0.01);
  std::uniform_real_distribution<double> positive(1.0, 500.0);
  Calelm e;
  initCalelm(&e);
  e.kind = kind;
  e.startX = coordinate(random);
  e.startY = coordinate(random);
  e.endX = coordinate(random);
  e.endY = coordinate(random);
  e.turnSign = kind == 1 ? 1.0 : (random() % 2 ? 1.0 : -1.0);
  e.parameter = kind == 1 ? 0.0 : positive(random);
  e.startRadius = kind == 3 ? positive(random) : 0.0;
  e.endRadius = kind == 3 ? positive(random) : 0.0;
  e.length = positive(random);
  e.startAngle = angle(random);
  e.endAngle = kind == 1 ? e.startAngle : angle(random);
  e.extra1 = coordinate(random);
  e.extra2 = coordinate(random);
  e.extra3 = kind == 2 ? std::uniform_real_distribution<double>(0.01, kPi)(random)
                       : coordinate(random);
  return e;
}


// Fields 1..last equal within tolerance; the kind and the reserved bytes exactly.
void expectSameRecord(const Calelm& expected, const Calelm& actual, int lastField,
                      double tolerance, const char* what) {
  EXPECT_EQ(expected.kind, actual.kind) << what;
  for (int field = 1; field <= lastField; ++field) {
    EXPECT_NEAR(fieldsOf(expected)[field - 1], fieldsOf(actual)[field - 1], tolerance)
        << what << ", kind " << expected.kind << ", field " << field;
  }
}

int comparedFields(int16_t kind) { return kind == 1 ? 11 : 14; }

// Each transform followed by its inverse gives the record back; the first step must change what
// it says it changes.
TEST(ElementTransforms, EachUndoneByItsInverseIsIdentity) {
  struct Row {
    const char* name;
    std::function<void(const Calelm&, Calelm*, double)> forward, back;
    std::function<void(const Calelm&, const Calelm&)> changed;
    int lastField;  // 0: the kind's own fields
    double tolerance;
  };
  const Row rows[] = {
      {"CDchgSpace twice", [](const Calelm& a, Calelm* b, double) { CDchgSpace(a, b); },
       [](const Calelm& a, Calelm* b, double) { CDchgSpace(a, b); },
       [](const Calelm& s, const Calelm& o) { EXPECT_EQ(o.startY, -s.startY); }, 0, 1e-12},
      {"CDmirA twice", [](const Calelm& a, Calelm* b, double) { CDmirA(a, b); },
       [](const Calelm& a, Calelm* b, double) { CDmirA(a, b); },
       [](const Calelm& s, const Calelm& o) { EXPECT_EQ(o.turnSign, -s.turnSign); }, 0, 1e-12},
      {"CDturnA by theta and -theta", [](const Calelm& a, Calelm* b, double t) { CDturnA(a, b, t); },
       [](const Calelm& a, Calelm* b, double t) { CDturnA(a, b, -t); },
       [](const Calelm&, const Calelm&) {}, 0, 1e-9},
      {"CDreverA forced twice",
       [](const Calelm& a, Calelm* b, double) { *b = a; EXPECT_EQ(CDreverA(b, 1), 1); },
       [](const Calelm& a, Calelm* b, double) { *b = a; EXPECT_EQ(CDreverA(b, 1), 1); },
       [](const Calelm& s, const Calelm& o) {
         EXPECT_EQ(o.startX, s.endX);
         EXPECT_EQ(o.turnSign, -s.turnSign);
       }, 14, 1e-12},
  };
  std::mt19937_64 random(21);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (const Row& row : rows) {
    for (int i = 0; i < 300; ++i) {
      const auto kind = static_cast<int16_t>(1 + i % 3);
      const Calelm start = randomRecord(random, kind);
      const double theta = angle(random);
      // Keep turned angles away from the snap to 0 near a full turn.
      const double turnedStart = std::fmod(start.startAngle + theta + kTwoPi, kTwoPi);
      const double turnedEnd = std::fmod(start.endAngle + theta + kTwoPi, kTwoPi);
      if (kTwoPi - turnedStart < 1e-4 || kTwoPi - turnedEnd < 1e-4) continue;
      Calelm once, twice;
      row.forward(start, &once, theta);
      row.changed(start, once);
      row.back(once, &twice, theta);
      expectSameRecord(start, twice, row.lastField ? row.lastField : comparedFields(kind),
                       row.tolerance, row.name);
    }
  }
}

TEST(ElementTransforms, FrameChangeNormalisesStraightCoefficients) {
  std::mt19937_64 random(29);
  for (int i = 0; i < 100; ++i) {
    const Calelm straight = randomRecord(random, 1);
    Calelm converted;
    CDchgSpace(straight, &converted);
    const double a = converted.extra1, b = converted.extra2, k = converted.extra3;
    EXPECT_NEAR(a * a + b * b, 1.0, 1e-12);
    EXPECT_NEAR(a * converted.startX + b * converted.startY + k, 0.0, 1e-9);
    EXPECT_NEAR(a * converted.endX + b * converted.endY + k, 0.0, 1e-9);
    // Directions reverse their turning sense in the other frame.
    EXPECT_NEAR(std::cos(converted.startAngle), std::cos(straight.startAngle), 1e-12);
    EXPECT_NEAR(std::sin(converted.startAngle), -std::sin(straight.startAngle), 1e-12);
  }
}

TEST(ElementTransforms, RotationMatchesComplexRotation) {
  std::mt19937_64 random(25);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    const Calelm start = randomRecord(random, kind);
    const double theta = angle(random);
    const std::complex<double> center(12.5, -40.0), turn = std::polar(1.0, theta);
    auto rotated = [&](double x, double y) { return center + (std::complex<double>(x, y) - center) * turn; };
    Calelm result;
    CDrot(start, &result, center.real(), center.imag(), theta);
    EXPECT_NEAR(result.startX, rotated(start.startX, start.startY).real(), 1e-9);
    EXPECT_NEAR(result.endY, rotated(start.endX, start.endY).imag(), 1e-9);
    EXPECT_EQ(result.parameter, start.parameter);
    EXPECT_EQ(result.length, start.length);
    if (kind == 1) {
      // Recomputed coefficients: a*x + b*y + k = 0 at both ends.
      EXPECT_NEAR(result.extra1 * result.startX + result.extra2 * result.startY + result.extra3, 0.0, 1e-6);
      EXPECT_NEAR(result.extra1 * result.endX + result.extra2 * result.endY + result.extra3, 0.0, 1e-6);
    } else if (kind == 2) {
      EXPECT_NEAR(result.extra1, rotated(start.extra1, start.extra2).real(), 1e-9);
      EXPECT_EQ(result.extra3, start.extra3);
    } else {
      EXPECT_EQ(result.extra1, start.extra1);
      EXPECT_EQ(result.extra2, start.extra2);
    }
    double expectedAngle = std::fmod(start.startAngle + theta + kTwoPi, kTwoPi);
    if (kTwoPi - expectedAngle < 1e-5) expectedAngle = 0.0;
    EXPECT_NEAR(result.startAngle, expectedAngle, 1e-12);
  }
}

TEST(ElementTransforms, TurnAboutEndKeepsEndAndCarriesFieldsOver) {
  std::mt19937_64 random(26);
  const Calelm arc = randomRecord(random, 2);
  Calelm result;
  CDturnAe(arc, &result, 0.3);
  EXPECT_EQ(result.endX, arc.endX);
  EXPECT_EQ(result.endY, arc.endY);
  EXPECT_NEAR(std::hypot(result.startX - arc.endX, result.startY - arc.endY),
              std::hypot(arc.startX - arc.endX, arc.startY - arc.endY), 1e-9);
  EXPECT_EQ(result.extra1, arc.extra1);
  EXPECT_EQ(result.extra2, arc.extra2);
}

TEST(ElementTransforms, MoveShiftsPointsAndArcCentre) {
  std::mt19937_64 random(27);
  const Calelm arc = randomRecord(random, 2);
  Calelm result;
  CDmoveA(arc, &result, 3.0, -4.0);
  EXPECT_EQ(result.startX, arc.startX + 3.0);
  EXPECT_EQ(result.endY, arc.endY - 4.0);
  EXPECT_EQ(result.extra1, arc.extra1 + 3.0);
  EXPECT_EQ(result.extra2, arc.extra2 - 4.0);
  EXPECT_EQ(result.startAngle, arc.startAngle);
}

TEST(CDturnA, FullTurnKeepsAnglesAndSnapsNearFullTurnToZero) {
  std::mt19937_64 random(28);
  const Calelm clothoid = randomRecord(random, 3);
  Calelm result;
  CDturnA(clothoid, &result, kTwoPi);
  EXPECT_NEAR(result.startAngle, clothoid.startAngle, 1e-12);
  EXPECT_NEAR(result.endAngle, clothoid.endAngle, 1e-12);
  Calelm nearFull = clothoid;
  nearFull.startAngle = kTwoPi - 0.5 - 3e-6;
  nearFull.endAngle = 1.0;
  CDturnA(nearFull, &result, 0.5);
  EXPECT_EQ(result.startAngle, 0.0);
  EXPECT_NEAR(result.endAngle, 1.5, 1e-15);
}

}  // namespace
