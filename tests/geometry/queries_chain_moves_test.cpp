// Chain repairs: a displaced arc is moved back until its clothoids join without a gap.
#include <gtest/gtest.h>

#include <random>

#include "queries_test_support.h"

using namespace queries_test;

namespace {

Point centreOf(const Calelm& arc) {
  return {field(arc, 12), field(arc, 13)};
}
Point startOf(const Calelm& e) {
  return {field(e, 1), field(e, 2)};
}
Point endOf(const Calelm& e) {
  return {field(e, 3), field(e, 4)};
}

double azimuthAt(const Calelm& e, double s) {
  double x, y, angle;
  EXPECT_EQ(ali_onl(&e, s, &x, &y, &angle), 0) << "kind " << kindOf(e) << " s " << s;
  return angle;
}

double lengthOf(const Calelm& e) {
  return field(e, 9);
}

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
    setKind(records[1], 3);
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

}  // namespace
