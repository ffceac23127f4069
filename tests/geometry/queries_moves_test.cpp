// Translations, rotations, parallel straights and concentric arcs.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "queries_test_support.h"

using namespace queries_test;

namespace {

std::vector<std::unique_ptr<Reference>> someElements(std::mt19937& random, int count) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<std::unique_ptr<Reference>> elements;
  for (int i = 0; i < count; ++i) {
    Point near{-20000.0 + 40000.0 * unit(random), -20000.0 + 40000.0 * unit(random)};
    if (i % 3 == 0) {
      elements.push_back(std::make_unique<StraightReference>(near, kTwoPi * unit(random),
                                                             5.0 + 500.0 * unit(random)));
    } else if (i % 3 == 1) {
      elements.push_back(std::make_unique<ArcReference>(
          near, 30.0 + 900.0 * unit(random), unit(random) < 0.5 ? 1.0 : -1.0, kTwoPi * unit(random),
          0.1 + 2.5 * unit(random)));
    } else {
      elements.push_back(std::make_unique<ClothoidReference>(randomClothoid(random, near, 0.0)));
    }
  }
  return elements;
}

Point onl(const Calelm& record, double s) {
  Point p;
  double angle;
  EXPECT_EQ(ali_onl(&record, s, &p.x, &p.y, &angle), 0) << "kind " << kindOf(record);
  return p;
}

void expectSameElement(const Calelm& a, const Calelm& b, double pointTolerance) {
  ASSERT_EQ(kindOf(a), kindOf(b));
  for (int n : {1, 2, 3, 4}) EXPECT_NEAR(field(a, n), field(b, n), pointTolerance) << "field " << n;
  for (int n : {5, 6, 7, 8, 9}) EXPECT_DOUBLE_EQ(field(a, n), field(b, n)) << "field " << n;
  for (int n : {10, 11}) EXPECT_LT(angleGap(field(a, n), field(b, n)), 3e-6) << "field " << n;
  if (kindOf(a) == 2) {
    EXPECT_NEAR(field(a, 12), field(b, 12), pointTolerance);
    EXPECT_NEAR(field(a, 13), field(b, 13), pointTolerance);
  }
}

// A move shifts every point, a rotation (clockwise on the map: the plain rotation formula on
// (X, Y)) turns points and azimuths; the opposite move or turn gives the element back.
TEST(QueriesMoves, MovesAndRotationsAgreeWithTheReferenceAndUndo) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (const auto& element : someElements(random, 300)) {
    const Calelm& record = element->record;
    const double s = 0.5 * element->length, d = 1000.0 * unit(random), azimuth = kTwoPi * unit(random);
    Calelm moved = blankRecord(), back = blankRecord(), turned = blankRecord();
    ASSERT_EQ(ali_pmov(&record, d, azimuth, &moved), 0);
    EXPECT_LT(distance(onl(moved, s), toward(onl(record, s), d, azimuth)), kindOf(record) == 3 ? 1e-4 : 3e-5)
        << "kind " << kindOf(record);
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
    EXPECT_LT(distance({x, y}, expected), kindOf(record) == 3 ? 1e-3 : 4e-5) << "kind " << kindOf(record);
    EXPECT_LT(angleGap(angle, element->azimuthAt(s) + theta), 2e-5);
    ASSERT_EQ(ali_tmov(&turned, centre.x, centre.y, -theta, &back), 0);
    expectSameElement(back, record, 2e-5);
  }
}

TEST(QueriesMoves, ArrayMovesSkipWhatTheyCannotMove) {
  ArcReference arc({10.0, 20.0}, 100.0, 1.0, 0.5, 1.0);
  StraightReference line({0.0, 0.0}, 0.3, 50.0);
  Calelm elements[3] = {arc.record, blankRecord(), line.record};
  setKind(elements[1], 7);
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
  for (const auto& element : someElements(random, 150)) {
    int kind = kindOf(element->record);
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

}  // namespace
