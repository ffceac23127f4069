// Monitoring distances, the monitoring table layout and points on a polygon of tangents.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "queries_test_support.h"
#include "tests/support/call_table.h"

using namespace queries_test;

namespace {

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

TEST(QueriesMonitor, CaseTable) {
  using kestrel::testing::Numbers;
  kestrel::testing::runCallTable("geometry/cases/queries_monitor.txt", {
    {"gc_poionl", [](const Numbers& a) -> Numbers {
       return {double(gc_poionl(a[0], a[1], a[2], a[3], a[4], a[5], a[6]))}; }},
    {"gc_intpSS", [](const Numbers& a) -> Numbers {
       double x = 0.0, y = 0.0;
       return {double(gc_intpSS(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], &x, &y)), x, y}; }},
  });
}

TEST(QueriesMonitor, PointOnPolygonSides) {
  // Entries of seven doubles; the point is in fields 2 and 3.
  double polygon[3][7] = {
      {0, 0.0, 0.0, 0, 0, 0, 0}, {0, 100.0, 0.0, 0, 0, 0, 0}, {0, 100.0, 100.0, 0, 0, 0, 0}};
  int16_t index = -7;
  EXPECT_EQ(chk_on_tangent(3, &polygon[0][0], 100.0, 40.0, &index, 1e-6), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(chk_on_tangent(3, &polygon[0][0], 30.0, 0.0, &index, 1e-6), 0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(chk_on_tangent(3, &polygon[0][0], 30.0, 1.0, &index, 0.5), -1);
  EXPECT_EQ(chk_on_tangent(1, &polygon[0][0], 0.0, 0.0, &index, 1.0), -1);

  const double points[3][2] = {{100.0, 40.0}, {50.0, 0.0}, {50.0, 50.0}};
  int16_t sides[3];
  EXPECT_EQ(chk_tangent(3, &polygon[0][0], 3, &points[0][0], 1e-6, sides), -1);
  EXPECT_EQ(sides[0], 1);
  EXPECT_EQ(sides[1], 0);
  EXPECT_EQ(sides[2], -1);
  EXPECT_EQ(chk_tangent(3, &polygon[0][0], 2, &points[0][0], 1e-6, sides), 0);
}

}  // namespace
