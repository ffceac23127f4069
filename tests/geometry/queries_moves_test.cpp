// Translations, rotations, parallel straights and concentric arcs, and monitoring (the chain
// repairs are rows of cases/chains.txt).
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

// Straights of 5-505 m, arcs of radius 30-930 m sweeping 0.1-2.6 rad.
constexpr std::array<double, 6> kMoveRanges{5, 500, 30, 900, 0.1, 2.5};

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
// (X, Y)) turns points and azimuths; the opposite move or turn gives the element back.
TEST(QueriesMoves, MovesAndRotationsAgreeWithTheReferenceAndUndo) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const auto& element : randomElements(random, 300, 4e4, kMoveRanges)) {
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
  }
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

TEST(QueriesMoves, ParallelStraightAndConcentricArcFollowTheLeftOffsets) {
  std::mt19937 random(33);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const auto& element : randomElements(random, 150, 4e4, kMoveRanges)) {
    int kind = element->record.kind;
    if (kind == 3) continue;
    double d = (unit(random) - 0.5) * 20.0;
    Calelm moved = blankRecord();
    int16_t status = kind == 1 ? ali_paraS(&element->record, d, &moved)
                               : para_pmovr(&element->record, d, &moved);
    ASSERT_EQ(status, 0);
    double s = 0.5 * element->length;
    Point offset;
    ASSERT_EQ(kind == 1 ? ali_oflS(&element->record, s, kPi / 2.0, d, &offset.x, &offset.y)
                        : ali_oflR(&element->record, s, kPi / 2.0, d, &offset.x, &offset.y),
              0);
    double station, across;
    ASSERT_GE(cplnrm(&moved, offset.x, offset.y, &station, &across), 0);
    EXPECT_LT(std::fabs(across), 3e-5) << "kind " << kind;
    if (kind == 2) {
      EXPECT_DOUBLE_EQ(field(moved, 6), field(element->record, 6) - field(element->record, 5) * d);
      EXPECT_NEAR(field(moved, 9), field(moved, 6) * field(moved, 14), 1e-5);
    }
  }
  ArcReference tight({0.0, 0.0}, 5.0, 1.0, 0.0, 1.0);
  Calelm moved = blankRecord();
  EXPECT_EQ(para_pmovr(&tight.record, 5.0, &moved), -1);
  EXPECT_EQ(para_pmovr(&tight.record, -5.0, &moved), 0);
  EXPECT_EQ(ali_paraS(&tight.record, 1.0, &moved), -1);
}


TEST(QueriesMonitor, EmptyAlignmentGivesMinusOne) {
  double distance = 0.0;
  EXPECT_EQ(get_moniDist(1.0, 2.0, 0, nullptr, &distance), -1);
  EXPECT_EQ(distance, -1.0);
}

TEST(QueriesMonitor, FirstAcceptingElementWins) {
  // An arc whose start is the monitoring point refuses it; the straight after it accepts it.
  ArcReference arc({0.0, 0.0}, 50.0, -1.0, kPi, 1.0);
  Point start = arc.pointAt(0.0);
  StraightReference line(toward(start, -30.0, 0.2), 0.2, 100.0);
  Calelm alignment[2] = {arc.record, line.record};
  double distance = 0.0;
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
