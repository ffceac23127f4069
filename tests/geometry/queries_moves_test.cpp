// Translations, rotations, parallel straights and concentric arcs, chain repairs and monitoring.
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


Point centreOf(const Calelm& arc) { return {field(arc, 12), field(arc, 13)}; }
Point startOf(const Calelm& e) { return {field(e, 1), field(e, 2)}; }
Point endOf(const Calelm& e) { return {field(e, 3), field(e, 4)}; }

double azimuthAt(const Calelm& e, double s) {
  double x, y, angle;
  EXPECT_EQ(ali_onl(&e, s, &x, &y, &angle), 0) << "kind " << e.kind << " s " << s;
  return angle;
}

double lengthOf(const Calelm& e) { return field(e, 9); }

// Consecutive records share their end points and their tangent there.
void expectJoined(const Calelm& a, const Calelm& b, const char* where) {
  EXPECT_LT(distance(endOf(a), startOf(b)), 2e-5) << where;
  double end = lengthOf(a) - 2e-5;  // the stored length is rounded
  EXPECT_LT(angleGap(azimuthAt(a, end), azimuthAt(b, 0.0)), 1e-4) << where;
}

// The arc ending where a clothoid reference starts, turning with it.
ArcReference arcInto(const ClothoidReference& clothoid, double radius, double sign, double sweep) {
  Point join = clothoid.pointAt(0.0);
  Point centre = toward(join, radius, clothoid.azimuthAt(0.0) - sign * kPi / 2.0);
  double radial = std::atan2(join.y - centre.y, join.x - centre.x);
  return ArcReference(centre, radius, sign, radial + sign * sweep, sweep);
}

// The arc starting where a clothoid reference ends.
ArcReference arcOutOf(const ClothoidReference& clothoid, double radius, double sign, double sweep) {
  Point join = clothoid.pointAt(clothoid.length);
  Point centre = toward(join, radius, clothoid.azimuthAt(clothoid.length) - sign * kPi / 2.0);
  return ArcReference(centre, radius, sign, std::atan2(join.y - centre.y, join.x - centre.x),
                      sweep);
}

ArcReference displaced(const ArcReference& arc, Point by) {
  return ArcReference({arc.centre.x + by.x, arc.centre.y + by.y}, arc.radius, arc.sign,
                      arc.startRadial, arc.length / arc.radius);
}

TEST(QueriesChainMoves, ArcBackSquareToTheStraight) {
  std::mt19937 random(61);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 60; ++trial) {
    double radius = 150.0 + 600.0 * unit(random);
    double A = radius * (0.6 + 0.5 * unit(random));
    double sign = unit(random) < 0.5 ? 1.0 : -1.0;
    Point origin{5000.0 * unit(random), -5000.0 * unit(random)};
    double main = kTwoPi * unit(random);
    // Travelled from radius R down to the origin; the turn as u grows is the opposite one.
    ClothoidReference ideal(A, origin, main, -sign, A * A / radius, 0.0);
    double onward = ideal.azimuthAt(ideal.length);
    StraightReference line(origin, onward, 200.0);
    ArcReference arc = arcInto(ideal, radius, sign, 0.5);
    Point shift{(unit(random) - 0.5) * 2.0, (unit(random) - 0.5) * 2.0};
    Calelm records[3] = {displaced(arc, shift).record, blankRecord(), line.record};
    records[1].kind = 3;
    field(records[1], 6) = A;
    ASSERT_EQ(moveR_dl0_rfAsf(&records[0], &records[1], &records[2]), 0) << "trial " << trial;
    // Only the part of the displacement along the straight remains.
    Point along{std::cos(onward), std::sin(onward)};
    double kept = shift.x * along.x + shift.y * along.y;
    Point expectedCentre{arc.centre.x + kept * along.x, arc.centre.y + kept * along.y};
    EXPECT_LT(distance(centreOf(records[0]), expectedCentre), 1e-4) << "trial " << trial;
    EXPECT_DOUBLE_EQ(field(records[0], 6), radius);
    EXPECT_EQ(field(records[1], 7), radius);
    EXPECT_EQ(field(records[1], 8), 0.0);
    EXPECT_EQ(field(records[1], 5), sign);
    EXPECT_NEAR(field(records[1], 9), A * A / radius, 1e-5);
    EXPECT_EQ(endOf(records[2]).x, endOf(line.record).x);
    EXPECT_EQ(endOf(records[2]).y, endOf(line.record).y);
    EXPECT_LT(angleGap(azimuthAt(records[2], 0.0), onward), 1e-5);
    expectJoined(records[0], records[1], "arc to clothoid");
    expectJoined(records[1], records[2], "clothoid to straight");
  }
}

TEST(QueriesChainMoves, EggAndSShapedJoins) {
  std::mt19937 random(62);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 60; ++trial) {
    double r1 = 300.0 + 500.0 * unit(random);
    double r2 = 100.0 + 150.0 * unit(random);
    if (trial % 2 == 1) std::swap(r1, r2);
    double A = std::min(r1, r2) * (0.7 + 0.5 * unit(random));
    double sign = unit(random) < 0.5 ? 1.0 : -1.0;
    Point origin{3000.0 * unit(random), 3000.0 * unit(random)};
    double main = kTwoPi * unit(random);
    Point shift{(unit(random) - 0.5) * 4.0, (unit(random) - 0.5) * 4.0};

    // Egg: one clothoid between two arcs of the same turn; u grows toward the smaller radius.
    ClothoidReference egg(A, origin, main, r1 > r2 ? sign : -sign, A * A / r1, A * A / r2);
    ArcReference before = arcInto(egg, r1, sign, 0.4);
    ArcReference after = arcOutOf(egg, r2, sign, 0.4);
    double distanceOfCentres = distance(before.centre, after.centre);
    Calelm eggChain[3] = {before.record, egg.record, displaced(after, shift).record};
    ASSERT_EQ(moveR_dl0_rfArf(&eggChain[0], &eggChain[1], &eggChain[2]), 0) << "trial " << trial;
    EXPECT_NEAR(distance(centreOf(eggChain[0]), centreOf(eggChain[2])), distanceOfCentres, 1e-4);
    EXPECT_LT(distance(centreOf(eggChain[0]), before.centre), 5e-5);  // remade from rounded points
    expectJoined(eggChain[0], eggChain[1], "egg: first arc to clothoid");
    expectJoined(eggChain[1], eggChain[2], "egg: clothoid to second arc");

    // S shape: two clothoids back to back from one inflection point between opposite turns.
    double a2 = A * (0.8 + 0.4 * unit(random));
    ClothoidReference into(A, origin, main + kPi, -sign, A * A / r1, 0.0);
    ClothoidReference outOf(a2, origin, main, -sign, 0.0, a2 * a2 / r2);
    ArcReference first = arcInto(into, r1, sign, 0.4);
    ArcReference last = arcOutOf(outOf, r2, -sign, 0.4);
    double sCentres = distance(first.centre, last.centre);
    Calelm sChain[4] = {first.record, into.record, outOf.record, displaced(last, shift).record};
    ASSERT_EQ(moveR_dl0_rfAArf(&sChain[0], &sChain[1], &sChain[2], &sChain[3]), 0)
        << "trial " << trial;
    EXPECT_NEAR(distance(centreOf(sChain[0]), centreOf(sChain[3])), sCentres, 1e-4);
    expectJoined(sChain[0], sChain[1], "S: first arc to clothoid");
    expectJoined(sChain[1], sChain[2], "S: inflection");
    expectJoined(sChain[2], sChain[3], "S: clothoid to last arc");
  }
}

TEST(QueriesChainMoves, InvalidChainsLeaveTheRecordsAlone) {
  ClothoidReference egg(100.0, {0.0, 0.0}, 0.3, 1.0, 50.0, 80.0);
  ArcReference before = arcInto(egg, 200.0, 1.0, 0.4);
  ArcReference after = arcOutOf(egg, 125.0, 1.0, 0.4);
  ArcReference wrongTurn = arcOutOf(egg, 125.0, -1.0, 0.4);
  Calelm chain[3] = {before.record, egg.record, wrongTurn.record};
  Calelm copy[3] = {chain[0], chain[1], chain[2]};
  EXPECT_EQ(moveR_dl0_rfArf(&chain[0], &chain[1], &chain[2]), -1);
  EXPECT_EQ(std::memcmp(chain, copy, sizeof chain), 0);
  Calelm tooTight[3] = {before.record, egg.record, after.record};
  field(tooTight[1], 6) = 300.0;  // R / A = 125 / 300 is below 0.56
  EXPECT_EQ(moveR_dl0_rfArf(&tooTight[0], &tooTight[1], &tooTight[2]), -1);
  Calelm straight = StraightReference({0.0, 0.0}, 0.0, 10.0).record;
  EXPECT_EQ(moveR_dl0_rfAsf(&straight, &chain[1], &chain[2]), -1);
  EXPECT_EQ(moveR_dl0_rfAArf(&chain[0], &chain[1], &chain[1], &chain[0]), -1);
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
