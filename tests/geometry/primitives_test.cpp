// Plane primitives and element helpers: edge cases as rows of cases/primitives.txt and
// cases/elements.txt; fixed-seed properties of the lines, the element transforms and the arc
// evaluation against std::complex constructions; rounding, frames and the straight maker against
// direct geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <utility>

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

// Adapters for functions of the form f(a[0], ..., a[n - 1], &x, &y).
template <std::size_t n, typename F>
Numbers pair(F f, const Numbers& a) {
  double x = 1, y = 1;
  [&]<std::size_t... k>(std::index_sequence<k...>) { f(a[k]..., &x, &y); }(std::make_index_sequence<n>{});
  return {x, y};
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
    {"CDmoveP", [](const Numbers& a) { return pair<4>(CDmoveP, a); }},
    {"CDrotpoi", [](const Numbers& a) { return pair<6>(CDrotpoi, a); }},
    {"CDmirAng", [](const Numbers& a) -> Numbers {
       double mirrored = -1.0;
       CDmirAng(a[0], &mirrored);
       return {mirrored}; }},
    {"CDreverA", [](const Numbers& a) -> Numbers {
       Calelm r{};
       r.kind = 3;
       std::tie(r.startX, r.endX, r.turnSign, r.startRadius, r.endRadius, r.startAngle,
                r.endAngle) = std::tuple(1.0, 2.0, 1.0, a[0], a[1], 0.25, 4.0);
       const int16_t status = CDreverA(&r, static_cast<int16_t>(a[2]));
       EXPECT_EQ(r.kind, 3);
       return withFields(status, r); }},
    {"CDturnA", [](const Numbers& a) -> Numbers {
       Calelm r{}, turned{};
       std::tie(r.kind, r.startAngle, r.endAngle) = std::tuple(int16_t{3}, a[0], a[1]);
       CDturnA(r, &turned, a[2]);
       return {turned.startAngle, turned.endAngle}; }},
    {"ali_makS", [](const Numbers& a) -> Numbers {
       Calelm s{};
       std::tie(s.endX, s.endY) = std::tuple(a[0], a[1]);
       const int16_t status = ali_makS(&s);
       return {double(status), double(s.kind), s.startAngle}; }},
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
  // Braces keep the draws in order.
  std::tie(e.startX, e.startY, e.endX, e.endY) =
      std::tuple{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
  e.turnSign = kind == 1 ? 1.0 : (random() % 2 ? 1.0 : -1.0);
  e.parameter = kind == 1 ? 0.0 : positive(random);
  e.startRadius = kind == 3 ? positive(random) : 0.0;
  e.endRadius = kind == 3 ? positive(random) : 0.0;
  e.length = positive(random);
  e.startAngle = angle(random);
  e.endAngle = kind == 1 ? e.startAngle : angle(random);
  std::tie(e.extra1, e.extra2) = std::tuple{coordinate(random), coordinate(random)};
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
// it says it changes: the frame change mirrors, the rotation turns as a complex number about
// its centre, the move shifts, the turn about the end keeps the end and carries fields over.
TEST(ElementTransforms, EachUndoneByItsInverseIsIdentity) {
  using Step = std::function<void(const Calelm&, Calelm*, double)>;
  struct Row {
    const char* name;
    Step forward, back;  // back null: the forward step again
    std::function<void(const Calelm&, const Calelm&, double)> changed;
    int lastField;  // 0: the kind's own fields
    double tolerance;
  };
  const std::complex<double> centre(12.5, -40.0);
  // a*x + b*y + k = 0 at both ends of a straight.
  auto onItsLine = [](const Calelm& o, double tolerance) {
    EXPECT_NEAR(o.extra1 * o.startX + o.extra2 * o.startY + o.extra3, 0.0, tolerance);
    EXPECT_NEAR(o.extra1 * o.endX + o.extra2 * o.endY + o.extra3, 0.0, tolerance);
  };
  const Row rows[] = {
      {"CDchgSpace twice", [](const Calelm& a, Calelm* b, double) { CDchgSpace(a, b); }, nullptr,
       [&](const Calelm& s, const Calelm& o, double) {
         EXPECT_EQ(o.startY, -s.startY);
         // Directions reverse their turning sense in the other frame.
         EXPECT_NEAR(std::cos(o.startAngle), std::cos(s.startAngle), 1e-12);
         EXPECT_NEAR(std::sin(o.startAngle), -std::sin(s.startAngle), 1e-12);
         if (s.kind != 1) return;
         onItsLine(o, 1e-9);
         EXPECT_NEAR(o.extra1 * o.extra1 + o.extra2 * o.extra2, 1.0, 1e-12);
       }, 0, 1e-12},
      {"CDmirA twice", [](const Calelm& a, Calelm* b, double) { CDmirA(a, b); }, nullptr,
       [](const Calelm& s, const Calelm& o, double) { EXPECT_EQ(o.turnSign, -s.turnSign); }, 0, 1e-12},
      {"CDturnA by theta and -theta", [](const Calelm& a, Calelm* b, double t) { CDturnA(a, b, t); },
       [](const Calelm& a, Calelm* b, double t) { CDturnA(a, b, -t); },
       [](const Calelm&, const Calelm&, double) {}, 0, 1e-9},
      {"CDrot by theta and -theta",
       [&](const Calelm& a, Calelm* b, double t) { CDrot(a, b, centre.real(), centre.imag(), t); },
       [&](const Calelm& a, Calelm* b, double t) { CDrot(a, b, centre.real(), centre.imag(), -t); },
       [&](const Calelm& s, const Calelm& o, double theta) {
         const auto rotated = [&](double x, double y) {
           return centre + (std::complex<double>(x, y) - centre) * std::polar(1.0, theta);
         };
         EXPECT_NEAR(o.startX, rotated(s.startX, s.startY).real(), 1e-9);
         EXPECT_NEAR(o.endY, rotated(s.endX, s.endY).imag(), 1e-9);
         EXPECT_EQ(o.parameter, s.parameter);
         EXPECT_EQ(o.length, s.length);
         if (s.kind == 1) onItsLine(o, 1e-6);  // recomputed coefficients
         if (s.kind == 2) {
           EXPECT_NEAR(o.extra1, rotated(s.extra1, s.extra2).real(), 1e-9);
           EXPECT_EQ(o.extra3, s.extra3);
         } else if (s.kind == 3) {
           EXPECT_EQ(o.extra1, s.extra1);
           EXPECT_EQ(o.extra2, s.extra2);
         }
         EXPECT_NEAR(o.startAngle, std::fmod(s.startAngle + theta + kTwoPi, kTwoPi), 1e-12);
       }, 0, 1e-9},
      {"CDmoveA by (3, -4) and back",
       [](const Calelm& a, Calelm* b, double) { CDmoveA(a, b, 3.0, -4.0); },
       [](const Calelm& a, Calelm* b, double) { CDmoveA(a, b, -3.0, 4.0); },
       [](const Calelm& s, const Calelm& o, double) {
         EXPECT_EQ(o.startX, s.startX + 3.0);
         EXPECT_EQ(o.endY, s.endY - 4.0);
         if (s.kind == 2) {
           EXPECT_EQ(o.extra1, s.extra1 + 3.0);
           EXPECT_EQ(o.extra2, s.extra2 - 4.0);
         }
         EXPECT_EQ(o.startAngle, s.startAngle);
       }, 0, 1e-9},
      {"CDturnAe by theta and -theta", [](const Calelm& a, Calelm* b, double t) { CDturnAe(a, b, t); },
       [](const Calelm& a, Calelm* b, double t) { CDturnAe(a, b, -t); },
       [](const Calelm& s, const Calelm& o, double) {
         EXPECT_EQ(o.endX, s.endX);
         EXPECT_EQ(o.endY, s.endY);
         EXPECT_NEAR(std::hypot(o.startX - s.endX, o.startY - s.endY),
                     std::hypot(s.startX - s.endX, s.startY - s.endY), 1e-9);
         EXPECT_EQ(o.extra1, s.extra1);
         EXPECT_EQ(o.extra2, s.extra2);
       }, 0, 1e-9},
      {"CDreverA forced twice",
       [](const Calelm& a, Calelm* b, double) { *b = a; EXPECT_EQ(CDreverA(b, 1), 1); }, nullptr,
       [](const Calelm& s, const Calelm& o, double) {
         EXPECT_EQ(o.startX, s.endX);
         EXPECT_EQ(o.turnSign, -s.turnSign);
       }, 14, 1e-12},
  };
  std::mt19937_64 random(21);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (const Row& row : rows) {
    for (int i = 0; i < 300; ++i) {
      SCOPED_TRACE(row.name);
      const auto kind = static_cast<int16_t>(1 + i % 3);
      const Calelm start = randomRecord(random, kind);
      const double theta = angle(random);
      // Keep turned angles away from the snap to 0 near a full turn.
      const double turnedStart = std::fmod(start.startAngle + theta + kTwoPi, kTwoPi);
      const double turnedEnd = std::fmod(start.endAngle + theta + kTwoPi, kTwoPi);
      if (kTwoPi - turnedStart < 1e-4 || kTwoPi - turnedEnd < 1e-4) continue;
      Calelm once, twice;
      row.forward(start, &once, theta);
      row.changed(start, once, theta);
      (row.back ? row.back : row.forward)(once, &twice, theta);
      expectSameRecord(start, twice, row.lastField ? row.lastField : comparedFields(kind),
                       row.tolerance, row.name);
    }
  }
}

using Complex = std::complex<double>;

double wrappedDifference(double a, double b) { return std::remainder(a - b, kTwoPi); }

// An arc of radius 50 about (10, -20) in the computation frame, by the polar angles of its ends.
Calelm computationArc(double sign, double startPolar, double endPolar) {
  Calelm arc{};
  arc.kind = 2;
  std::tie(arc.turnSign, arc.parameter, arc.extra1, arc.extra2) =
      std::tuple(sign, 50.0, 10.0, -20.0);
  std::tie(arc.startX, arc.startY, arc.endX, arc.endY) =
      std::tuple(10.0 + 50.0 * std::cos(startPolar), -20.0 + 50.0 * std::sin(startPolar),
                 10.0 + 50.0 * std::cos(endPolar), -20.0 + 50.0 * std::sin(endPolar));
  return arc;
}

TEST(Elements, CaseTable) {
  kestrel::testing::runCallTable("geometry/cases/elements.txt", {
    {"CDchkAR", [](const Numbers& a) -> Numbers { return {double(CDchkAR(a[0], a[1]))}; }},
    {"CDvalidArc", [](const Numbers& a) -> Numbers {
       const Calelm arc = computationArc(a[0], a[1], a[2]);
       return {double(CDvalidArc(&arc))}; }},
    {"ali_CSamePoint", [](const Numbers& a) -> Numbers {
       return {double(ali_CSamePoint(a[0], a[1], a[2], a[3]))}; }},
    {"gc_samePoint", [](const Numbers& a) -> Numbers {
       return {double(gc_samePoint(a[0], a[1], a[2], a[3], a[4]))}; }},
    {"chk_CSameAng", [](const Numbers& a) -> Numbers { return {double(chk_CSameAng(a[0], a[1]))}; }},
    {"ali_CExAng", [](const Numbers& a) -> Numbers { return {ali_CExAng(a[0])}; }},
    {"ali_CExCoord", [](const Numbers& a) { return pair<2>(ali_CExCoord, a); }},
    {"ali_CAroundNum", [](const Numbers& a) -> Numbers { return {ali_CAroundNum(a[0])}; }},
    {"ali_KEnCen", [](const Numbers& a) -> Numbers {
       double cx = 0, cy = 0;
       return {double(ali_KEnCen(a[0], a[1], a[2], a[3], a[4], 10.0, &cx, &cy)), cx, cy}; }},
    {"ali_KEnPncl", [](const Numbers& a) -> Numbers {
       double length = 0;
       ali_KEnPncl(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &length);
       return {length}; }},
    {"ali_KGetAng", [](const Numbers& a) -> Numbers { return {ali_KGetAng(a[0], a[1], a[2], a[3])}; }},
    {"ali_KMovPnt", [](const Numbers& a) { return pair<4>(ali_KMovPnt, a); }},
    {"ali_KRotPnt", [](const Numbers& a) { return pair<5>(ali_KRotPnt, a); }},
    {"ali_KGetPnt", [](const Numbers& a) -> Numbers {
       double x = 0, y = 0, direction = 0;
       const int16_t status =
           ali_KGetPnt(a[0], a[1], a[2], a[3], a[4], static_cast<int16_t>(a[5]), &x, &y, &direction);
       return {double(status), x, y}; }},
    {"ali_KAdjAng", [](const Numbers& a) -> Numbers {
       double adjusted = -1;
       return {double(ali_KAdjAng(a[0], &adjusted)), adjusted}; }},
    {"CDRlen", [](const Numbers& a) -> Numbers { return {CDRlen(a[0], a[1])}; }},
    {"CDRang", [](const Numbers& a) -> Numbers { return {CDRang(a[0], a[1])}; }},
    {"CDLang", [](const Numbers& a) -> Numbers { return {CDLang(a[0], a[1])}; }},
    {"CDAngR", [](const Numbers& a) -> Numbers { return {CDAngR(a[0], a[1])}; }},
    {"CDRcalxy", [](const Numbers& a) { return pair<2>(CDRcalxy, a); }},
    {"CDLcalxy", [](const Numbers& a) { return pair<2>(CDLcalxy, a); }},
    {"CDAcalxy", [](const Numbers& a) -> Numbers {
       double x = 1, y = 1;
       return {double(CDAcalxy(a[0], a[1], &x, &y)), x, y}; }},
    {"AelmAtri", [](const Numbers& a) -> Numbers {
       double tau = 1, shift = 1, centerAbscissa = 1;
       AelmAtri(a[0], a[1], &tau, &shift, &centerAbscissa);
       return {tau, shift, centerAbscissa}; }},
    {"CDcharLmA", [](const Numbers& a) -> Numbers {
       double v[7] = {1, 1, 1, 1, 1, 1, 1};
       const int16_t status = CDcharLmA(a[0], a[1], v);
       return {double(status), v[0], v[1], v[2], v[3], v[4], v[5], v[6]}; }},
    {"ali_getlPP", [](const Numbers& a) -> Numbers { return {ali_getlPP(a[0], a[1], a[2], a[3])}; }},
    {"getl", [](const Numbers& a) -> Numbers {
       Calelm e;
       initCalelm(&e);
       e.kind = static_cast<int16_t>(a[1]);
       double* fields[8] = {&e.startX, &e.startY, &e.endX, &e.endY, &e.turnSign, &e.parameter,
                            &e.startRadius, &e.endRadius};
       for (int k = 0; k < 8; ++k) *fields[k] = a[2 + k];
       decltype(&ali_getl) functions[4] = {ali_getl, ali_getlS, ali_getlR, ali_getlA};
       double length = -1;
       const int16_t status = functions[static_cast<int>(a[0])](&e, &length);
       return {double(status), length, double(length == ali_CAroundNum(length))}; }},
  });
}

TEST(Elements, FramesRoundingAndWholeTurnsOverRandomValues) {
  std::mt19937_64 random(31);
  std::uniform_real_distribution<double> angle(1e-4, kTwoPi - 1e-4);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  for (int i = 0; i < 500; ++i) {
    const double a = angle(random);
    EXPECT_NEAR(ali_CExAng(ali_CExAng(a)), a, 1e-14);
    // A direction in one frame is the mirrored direction in the other.
    const double converted = ali_CExAng(a);
    EXPECT_NEAR(std::cos(converted), std::cos(a), 1e-12);
    EXPECT_NEAR(std::sin(converted), -std::sin(a), 1e-12);
    const double v = value(random);
    const double rounded = ali_CAroundNum(v);
    EXPECT_LE(std::fabs(rounded - v), 0.5e-5 + 1e-12);
    EXPECT_NEAR(rounded / 1e-5, std::round(rounded / 1e-5), 1e-6);
    const double small = std::fabs(v) / 100.0;
    const double roundedAngle = ali_CAroundAng(small);
    EXPECT_LE(std::fabs(roundedAngle - small), 0.5 * 1.389e-6 + 1e-15);
    EXPECT_NEAR(roundedAngle / 1.389e-6, std::round(roundedAngle / 1.389e-6), 1e-6);
  }
  double adjusted = 0;
  EXPECT_EQ(ali_KAdjAng(1e300, &adjusted), 0);
  EXPECT_GE(adjusted, 0.0);
  EXPECT_LE(adjusted, kTwoPi);
}

TEST(ArcEvaluation, CentreEndAnglesAndLengthAgreeWithComplexConstruction) {
  std::mt19937_64 random(33);
  std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
  std::uniform_real_distribution<double> angle(0.0, kTwoPi);
  std::uniform_real_distribution<double> radius(5.0, 3000.0);
  std::uniform_real_distribution<double> sweep(0.01, kPi - 0.01);
  for (int i = 0; i < 500; ++i) {
    const double sign = i % 2 ? 1.0 : -1.0;
    const Complex start(coordinate(random), coordinate(random));
    const double tangent = angle(random), R = radius(random), phi = sweep(random);
    const Complex expectedCenter = start + sign * R * Complex(0, 1) * std::polar(1.0, tangent);
    const Complex expectedEnd = expectedCenter + (start - expectedCenter) * std::polar(1.0, sign * phi);
    double cx = 0, cy = 0, ex = 0, ey = 0;
    ali_KEnPntc(sign, start.real(), start.imag(), tangent, R, &cx, &cy);
    EXPECT_NEAR(cx, expectedCenter.real(), 1e-9);
    EXPECT_NEAR(cy, expectedCenter.imag(), 1e-9);
    ali_KEnPntb(sign, cx, cy, start.real(), start.imag(), phi, &ex, &ey);
    EXPECT_NEAR(ex, expectedEnd.real(), 1e-9);
    EXPECT_NEAR(ey, expectedEnd.imag(), 1e-9);
    double foundX = 0, foundY = 0;
    EXPECT_EQ(ali_KEnCen(start.real(), start.imag(), ex, ey, sign, R, &foundX, &foundY), 0);
    EXPECT_NEAR(foundX, cx, 1e-6 * R);
    EXPECT_NEAR(foundY, cy, 1e-6 * R);
    double startAngle = 0, endAngle = 0, central = 0, length = 0;
    ali_KEnAng(start.real(), start.imag(), ex, ey, sign, R, cx, cy, &startAngle, &endAngle,
               &central, &length);
    EXPECT_NEAR(wrappedDifference(startAngle, tangent), 0.0, 1e-9);
    EXPECT_NEAR(wrappedDifference(endAngle, tangent + sign * phi), 0.0, 1e-9);
    EXPECT_NEAR(central, phi, 1e-9);
    EXPECT_NEAR(length, phi * R, 1e-9 * R);
    double alongCircle = 0;
    ali_KEnPncl(sign, R, cx, cy, start.real(), start.imag(), ex, ey, &alongCircle);
    EXPECT_NEAR(alongCircle, phi * R, 1e-9 * R);
  }
}

TEST(ali_makS, CompletesStraightInSurveyorFrame) {
  std::mt19937_64 random(35);
  std::uniform_real_distribution<double> coordinate(-5000.0, 5000.0);
  for (int i = 0; i < 300; ++i) {
    Calelm s{};
    std::tie(s.startX, s.startY, s.endX, s.endY, s.parameter) = std::tuple{
        coordinate(random), coordinate(random), coordinate(random), coordinate(random), 9.0};
    ASSERT_EQ(ali_makS(&s), 0);
    EXPECT_EQ(s.kind, 1);
    EXPECT_EQ(s.turnSign, 1.0);
    EXPECT_EQ(s.parameter, 0.0);
    const double dx = s.endX - s.startX, dy = s.endY - s.startY;
    EXPECT_NEAR(s.length, std::hypot(dx, dy), 0.5e-5 + 1e-9);
    // Survey azimuth: from +X (north) toward +Y (east).
    EXPECT_NEAR(wrappedDifference(s.startAngle, std::atan2(dy, dx)), 0.0, 1e-6);
    EXPECT_EQ(s.endAngle, s.startAngle);
    EXPECT_NEAR(s.extra1 * s.extra1 + s.extra2 * s.extra2, 1.0, 1e-12);
    EXPECT_NEAR(s.extra1 * s.startX + s.extra2 * s.startY, s.extra3, 1e-4);
    EXPECT_NEAR(s.extra1 * s.endX + s.extra2 * s.endY, s.extra3, 1e-4);
  }
}

TEST(initCalelm, ClearsEveryByteAndReturnsRecord) {
  Calelm record;
  std::memset(&record, 0xAB, sizeof record);
  EXPECT_EQ(initCalelm(&record), &record);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (size_t i = 0; i < sizeof record; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(initCalelm(nullptr), nullptr);
}

}  // namespace
