// Plane primitives: edge cases as tables, and fixed-seed properties of the element transforms
// checked against rotations and reflections computed with std::complex.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "kestrel/geometry.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

double referenceDirection(double dx, double dy) {
  double a = std::atan2(dy, dx);
  return a < 0.0 ? a + kTwoPi : a;
}

// ---- lines and angles ----

struct DirectionCase {
  double ux, uy, expected;
};

TEST(CDlineang, QuadrantsAndAxes) {
  const double h = std::sqrt(0.5);
  const DirectionCase cases[] = {
      {0.0, -1.0, 4.71238898038469}, {-1.0, 0.0, kPi},        {1.0, 0.0, 0.0},
      {0.0, 1.0, kPi / 2},           {-h, -h, 1.25 * kPi},     {h, -h, 1.75 * kPi},
      {-h, h, 0.75 * kPi},           {h, h, 0.25 * kPi},
  };
  for (const auto& c : cases) {
    double angle = -1.0;
    EXPECT_EQ(CDlineang(0.0, 0.0, c.ux, c.uy, &angle), 0);
    EXPECT_NEAR(angle, c.expected, 1e-15) << c.ux << "," << c.uy;
  }
}

TEST(CDlineang, MatchesAtan2OverRandomDirections) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 1000; ++i) {
    const double a = angle(random);
    double measured = -1.0;
    CDlineang(3.0, 4.0, std::cos(a), std::sin(a), &measured);
    const double expected = referenceDirection(std::cos(a), std::sin(a));
    EXPECT_NEAR(std::remainder(measured - expected, kTwoPi), 0.0, 1e-12);
    EXPECT_GE(measured, 0.0);
    EXPECT_LE(measured, kTwoPi);
  }
}

TEST(CDlinstd, UnitDirectionAndShortSegment) {
  StdLine line{9.0, 9.0, 9.0, 9.0};
  EXPECT_EQ(CDlinstd(1.0, 2.0, 4.0, 6.0, &line), 0);
  EXPECT_DOUBLE_EQ(line.x0, 1.0);
  EXPECT_DOUBLE_EQ(line.y0, 2.0);
  EXPECT_DOUBLE_EQ(line.ux, 0.6);
  EXPECT_DOUBLE_EQ(line.uy, 0.8);
  StdLine untouched{9.0, 9.0, 9.0, 9.0};
  EXPECT_EQ(CDlinstd(1.0, 2.0, 1.0 + 5e-8, 2.0, &untouched), 1);
  EXPECT_EQ(untouched.ux, 9.0);
}

TEST(CDbtwang, QuantumAndWrap) {
  EXPECT_EQ(CDbtwang(0, 0, 1, 0, 0, 0, std::cos(1e-6), std::sin(1e-6)), 0.0);
  EXPECT_NEAR(CDbtwang(0, 0, std::cos(0.1), std::sin(0.1), 0, 0, 1, 0), kTwoPi - 0.1, 1e-12);
  EXPECT_NEAR(CDbtwang(0, 0, 1, 0, 5, 5, 5, 6), kPi / 2, 1e-15);
}

TEST(CDbtwang, MatchesDirectionDifference) {
  std::mt19937_64 random(12);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 1000; ++i) {
    const double a = angle(random);
    const double b = angle(random);
    double expected = b - a;
    if (expected < 0.0) expected += kTwoPi;
    if (std::fabs(b - a) < 1e-5) continue;  // quantum zone checked above
    const double measured =
        CDbtwang(1, 1, 1 + 7 * std::cos(a), 1 + 7 * std::sin(a), -2, 3, -2 + std::cos(b),
                 3 + std::sin(b));
    EXPECT_NEAR(std::remainder(measured - expected, kTwoPi), 0.0, 1e-12);
  }
}

TEST(CDlincros, PointLiesOnBothLinesAndParallelIsReported) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 500; ++i) {
    const double xa = coordinate(random), ya = coordinate(random);
    const double xb = coordinate(random), yb = coordinate(random);
    const double a = angle(random), b = angle(random);
    const double uxa = std::cos(a), uya = std::sin(a), uxb = std::cos(b), uyb = std::sin(b);
    double x = 0.0, y = 0.0;
    const int16_t status = CDlincros(xa, ya, uxa, uya, xb, yb, uxb, uyb, &x, &y);
    if (std::fabs(std::sin(b - a)) < 1e-6) continue;
    ASSERT_EQ(status, 0);
    const double scale = 1.0 + std::hypot(x, y);
    EXPECT_NEAR(uxa * (y - ya) - uya * (x - xa), 0.0, 1e-9 * scale);
    EXPECT_NEAR(uxb * (y - yb) - uyb * (x - xb), 0.0, 1e-9 * scale);
  }
  double x = 7.0, y = 7.0;
  EXPECT_EQ(CDlincros(0, 0, 1, 0, 0, 1, -1, 5e-8, &x, &y), 1);
  EXPECT_EQ(x, 7.0);
}

// ---- segments ----

struct SegmentCase {
  const char* name;
  double x1, y1, x2, y2, x3, y3, x4, y4;
  int16_t code;
  double px, py;
};

TEST(CDsegcros, PositionCodes) {
  const SegmentCase cases[] = {
      {"inside both", 0, 0, 10, 0, 5, -5, 5, 5, 0, 5, 0},
      {"end of segment 2, inside 1", 0, 0, 10, 0, 5, 5, 5, 0, 22, 5, 0},
      {"start of segment 2", 0, 0, 10, 0, 5, 0, 5, 5, 21, 5, 0},
      {"start of segment 1", 0, 0, 10, 0, 0, -5, 0, 5, 11, 0, 0},
      {"end of segment 1", 0, 0, 10, 0, 10, -5, 10, 5, 12, 10, 0},
      {"segment 2 decides at a shared end", 0, 0, 10, 0, 10, 0, 10, 5, 21, 10, 0},
      {"collinear", 0, 0, 10, 0, 2, 0, 8, 0, 1, 0, 0},
      {"parallel", 0, 0, 10, 0, 0, 1, 10, 1, 1, 0, 0},
      {"degenerate segment 1", 0, 0, 5e-8, 0, 0, -1, 0, 1, 1, 0, 0},
      {"beyond segment 1", 0, 0, 10, 0, 20, -5, 20, 5, -1, 0, 0},
      {"beyond segment 2", 0, 0, 10, 0, 5, 1, 5, 5, -1, 0, 0},
  };
  for (const auto& c : cases) {
    double x = -99.0, y = -99.0;
    EXPECT_EQ(CDsegcros(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4, &x, &y), c.code)
        << c.name;
    if (c.code == 1 || c.code == -1) {
      EXPECT_EQ(x, -99.0) << c.name << ": point written on failure";
    } else {
      EXPECT_NEAR(x, c.px, 1e-12) << c.name;
      EXPECT_NEAR(y, c.py, 1e-12) << c.name;
    }
  }
}

struct OnSegmentCase {
  const char* name;
  double x1, y1, x2, y2, px, py;
  int16_t code;
};

TEST(CDpoiinseg, PositionOnTheSegmentLine) {
  const OnSegmentCase cases[] = {
      {"start", 0, 0, 10, 0, 0, 0, 1},
      {"near start", 0, 0, 10, 0, 9e-6, 0, 1},
      {"end", 0, 0, 10, 0, 10, 0, 2},
      {"inside", 0, 0, 10, 0, 3, 0, 0},
      {"before", 0, 0, 10, 0, -1, 0, -1},
      {"beyond", 0, 0, 10, 0, 11, 0, -1},
      {"tiny segment, both ends", 0, 0, 5e-6, 0, 2e-6, 0, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CDpoiinseg(c.x1, c.y1, c.x2, c.y2, c.px, c.py), c.code) << c.name;
  }
}

TEST(CDpoionls, EndsBoxAndOffset) {
  const OnSegmentCase cases[] = {
      {"first end", 0, 0, 10, 10, 5e-6, 0, 1},
      {"second end", 0, 0, 10, 10, 10, 10 - 5e-6, 2},
      {"outside widened box", 0, 0, 10, 0, 5, 2.5, -1},
      {"on the segment", 0, 0, 10, 10, 4, 4, 0},
      {"offset 3.54 inside box", 0, 0, 10, 10, 7.5, 2.5, 0},
      {"offset 4.24 inside box", 0, 0, 10, 10, 8, 2, -1},
      {"beyond the end inside margin", 0, 0, 10, 0, 11.5, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CDpoionls(c.px, c.py, c.x1, c.y1, c.x2, c.y2), c.code) << c.name;
  }
}

TEST(CDpldist, OnLineIsExactlyZeroAndOffLineMatchesCrossProduct) {
  double distance = -1.0;
  CDpldist(1.0, 1.0, 0.6, 0.8, 1.0 + 3.0 * 0.6, 1.0 + 3.0 * 0.8, &distance);
  EXPECT_EQ(distance, 0.0);
  CDpldist(0.0, 0.0, 1.0, 0.0, 1e5, 0.0, &distance);
  EXPECT_EQ(distance, 0.0);
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> coordinate(-100.0, 100.0);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 500; ++i) {
    const double a = angle(random);
    const double x0 = coordinate(random), y0 = coordinate(random);
    const double px = coordinate(random), py = coordinate(random);
    const double expected = std::fabs(std::cos(a) * (py - y0) - std::sin(a) * (px - x0));
    CDpldist(x0, y0, std::cos(a), std::sin(a), px, py, &distance);
    EXPECT_NEAR(distance, expected, 1e-9);
  }
}

TEST(CDpojpoi, FootMatchesDotProductProjection) {
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> coordinate(-100.0, 100.0);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  for (int i = 0; i < 500; ++i) {
    const double a = angle(random);
    const double ux = std::cos(a), uy = std::sin(a);
    const double x0 = coordinate(random), y0 = coordinate(random);
    const double px = coordinate(random), py = coordinate(random);
    const double along = (px - x0) * ux + (py - y0) * uy;
    double fx = 0.0, fy = 0.0;
    EXPECT_EQ(CDpojpoi(x0, y0, ux, uy, px, py, &fx, &fy), 0);
    EXPECT_NEAR(fx, x0 + along * ux, 1e-9);
    EXPECT_NEAR(fy, y0 + along * uy, 1e-9);
  }
}

TEST(PointMoves, MoveMovePAndRotation) {
  double x1 = 1, y1 = 2, x2 = 3, y2 = 4;
  CDmove(0.5, -1.0, &x1, &y1, &x2, &y2);
  EXPECT_EQ(x1, 1.5);
  EXPECT_EQ(y1, 1.0);
  EXPECT_EQ(x2, 3.5);
  EXPECT_EQ(y2, 3.0);
  double x = 0, y = 0;
  CDmoveP(1, 2, -3, 4, &x, &y);
  EXPECT_EQ(x, -2.0);
  EXPECT_EQ(y, 6.0);
  const std::complex<double> center(3, -2), point(7, 5);
  const double theta = 0.7;
  const auto expected = center + (point - center) * std::polar(1.0, theta);
  CDrotpoi(3, -2, std::cos(theta), std::sin(theta), 7, 5, &x, &y);
  EXPECT_NEAR(x, expected.real(), 1e-12);
  EXPECT_NEAR(y, expected.imag(), 1e-12);
}

TEST(CDmirAng, MirrorsAcrossSecondAxis) {
  const double cases[][2] = {{0.0, kPi}, {kPi, 0.0}, {1.5 * kPi, 1.5 * kPi}, {0.25 * kPi, 0.75 * kPi}};
  for (const auto& c : cases) {
    double mirrored = -1.0;
    CDmirAng(c[0], &mirrored);
    EXPECT_NEAR(mirrored, c[1], 1e-15) << c[0];
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

const double* fieldsOf(const Calelm& e) { return &e.startX; }

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

TEST(ElementTransforms, FrameChangeTwiceIsIdentity) {
  std::mt19937_64 random(21);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    const Calelm start = randomRecord(random, kind);
    Calelm once, twice;
    CDchgSpace(start, &once);
    EXPECT_EQ(once.startY, -start.startY);
    CDchgSpace(once, &twice);
    expectSameRecord(start, twice, comparedFields(kind), 1e-12, "CDchgSpace twice");
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

TEST(ElementTransforms, MirrorTwiceIsIdentity) {
  std::mt19937_64 random(22);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    const Calelm start = randomRecord(random, kind);
    Calelm once, twice;
    CDmirA(start, &once);
    EXPECT_EQ(once.turnSign, -start.turnSign);
    CDmirA(once, &twice);
    expectSameRecord(start, twice, comparedFields(kind), 1e-12, "CDmirA twice");
  }
}

TEST(ElementTransforms, TurnThenTurnBackIsIdentity) {
  std::mt19937_64 random(23);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    const Calelm start = randomRecord(random, kind);
    const double theta = angle(random);
    // Keep the turned angles away from the snap to 0 near a full turn.
    const double turnedStart = std::fmod(start.startAngle + theta + kTwoPi, kTwoPi);
    const double turnedEnd = std::fmod(start.endAngle + theta + kTwoPi, kTwoPi);
    if (kTwoPi - turnedStart < 1e-4 || kTwoPi - turnedEnd < 1e-4) continue;
    Calelm turned, back;
    CDturnA(start, &turned, theta);
    CDturnA(turned, &back, -theta);
    expectSameRecord(start, back, comparedFields(kind), 1e-9, "CDturnA by theta and -theta");
  }
}

TEST(ElementTransforms, ForcedReversalTwiceIsIdentity) {
  std::mt19937_64 random(24);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    const Calelm start = randomRecord(random, kind);
    Calelm record = start;
    EXPECT_EQ(CDreverA(&record, 1), 1);
    EXPECT_EQ(record.startX, start.endX);
    EXPECT_EQ(record.turnSign, -start.turnSign);
    EXPECT_EQ(CDreverA(&record, 1), 1);
    expectSameRecord(start, record, 14, 1e-12, "CDreverA forced twice");
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

struct ReversalCase {
  double startRadius, endRadius;
  int16_t force, reversed;
};

TEST(CDreverA, ReversesTowardTheSmallerRadius) {
  const ReversalCase cases[] = {
      {0.0, 100.0, 0, 0}, {100.0, 0.0, 0, 1}, {50.0, 100.0, 0, 1},
      {100.0, 50.0, 0, 0}, {100.0, 50.0, 1, 1}, {0.0, 0.0, 0, 1},
  };
  for (const auto& c : cases) {
    Calelm record;
    initCalelm(&record);
    record.kind = 3;
    record.startX = 1.0;
    record.endX = 2.0;
    record.turnSign = 1.0;
    record.startRadius = c.startRadius;
    record.endRadius = c.endRadius;
    record.startAngle = 0.25;
    record.endAngle = 4.0;
    const Calelm before = record;
    EXPECT_EQ(CDreverA(&record, c.force), c.reversed) << c.startRadius << "->" << c.endRadius;
    if (c.reversed == 0) {
      expectSameRecord(before, record, 14, 0.0, "unreversed");
      continue;
    }
    EXPECT_EQ(record.startRadius, c.endRadius);
    EXPECT_EQ(record.endX, 1.0);
    EXPECT_EQ(record.turnSign, -1.0);
    EXPECT_NEAR(record.startAngle, 4.0 + kPi - kTwoPi, 1e-15);
    EXPECT_NEAR(record.endAngle, 0.25 + kPi, 1e-15);
  }
}

TEST(NullOutputs, AreRejected) {
  Calelm record;
  initCalelm(&record);
  EXPECT_EQ(CDlinstd(0, 0, 1, 1, nullptr), -1);
  EXPECT_EQ(CDchgSpace(record, nullptr), -1);
  EXPECT_EQ(CDreverA(nullptr, 1), -1);
  EXPECT_EQ(CDsegcros(0, 0, 1, 0, 0, 1, 1, 1, nullptr, nullptr), -1);
}

}  // namespace
