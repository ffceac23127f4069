// Alignments built from random realistic routes, checked by properties of their geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

#include "civil/alignment_builder.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "tests/civil/fresh_document.h"
#include "tests/civil/reference_curves.h"

namespace kestrel {
namespace {

constexpr double kPi = std::numbers::pi;

double angleDifference(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * kPi)); }

// The station of the point of the alignment nearest to `point`, by Newton's method on the
// along-track distance, started from `guess`.
double projectStation(const ovcivil::Alignment& alignment, ovcivil::PlanPoint point, double guess) {
  double station = guess;
  for (int iteration = 0; iteration < 50; ++iteration) {
    ovcivil::PlanPoint on;
    double direction = 0.0;
    if (alignment.pointAndDirectionAtStation(station, 0.0, on, direction) != ovcivil::kOk) break;
    const double along = (point.x - on.x) * std::cos(direction) + (point.y - on.y) * std::sin(direction);
    station += along;
    if (std::abs(along) < 1e-12) break;
  }
  return station;
}

class AlignmentProperties : public testing::FreshCivilDocument {
 protected:
  void SetUp() override {
    FreshCivilDocument::SetUp();
    run_.siteName = "サイト";
  }

  const ovcivil::Alignment& build(const testing::DesignedRoute& design, double startStation) {
    SimaAlignment route;
    route.elements = testing::routeElements(design);
    route.routeName = "r";
    route.routeType = 3;
    route.startStation = startStation;
    const uint32_t id = buildAlignment(run_, route);
    return *ovcivil::civilApplication().activeDocument().findAlignment(static_cast<int32_t>(id));
  }

  ImportRun run_;
};

TEST_F(AlignmentProperties, RandomRoutesAreContinuousMeasuredAndOffsetConsistently) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 40; ++trial) {
    const testing::DesignedRoute design = testing::randomRoute(random, 1 + trial % 4);
    const double startStation = std::floor(unit(random) * 5000.0);
    const ovcivil::Alignment& alignment = build(design, startStation);
    ASSERT_EQ(alignment.entities.size(), design.pieces.size()) << trial;

    // Continuity of position and direction at every join.
    for (std::size_t i = 0; i + 1 < alignment.entities.size(); ++i) {
      const auto& before = alignment.entities[i];
      const auto& after = alignment.entities[i + 1];
      ovcivil::PlanPoint endOfBefore, startOfAfter;
      double directionBefore = 0.0, directionAfter = 0.0;
      before.evaluate(before.length, endOfBefore, directionBefore);
      after.evaluate(0.0, startOfAfter, directionAfter);
      EXPECT_LE(std::hypot(endOfBefore.x - startOfAfter.x, endOfBefore.y - startOfAfter.y), 2e-5)
          << "trial " << trial << " join " << i;
      EXPECT_LE(angleDifference(directionBefore, directionAfter), 1e-5) << "trial " << trial << " join " << i;
    }

    // The length is the sum of the entities' lengths and agrees with the design.
    double sum = 0.0;
    for (const auto& entity : alignment.entities) sum += entity.length;
    EXPECT_NEAR(alignment.length(), sum, 1e-9);
    EXPECT_NEAR(alignment.length(), static_cast<double>(design.totalLength()), 1e-3) << trial;
    ovcivil::PlanPoint point;
    EXPECT_EQ(alignment.pointAtStation(startStation + sum, 0.0, point), ovcivil::kOk);
    EXPECT_NEAR(point.x, static_cast<double>(design.poses.back().x), 2e-3) << trial;
    EXPECT_NEAR(point.y, static_cast<double>(design.poses.back().y), 2e-3) << trial;
    EXPECT_NE(alignment.pointAtStation(startStation + sum + 1e-3, 0.0, point), ovcivil::kOk);

    // An offset point projects back onto the alignment at its station, at the offset's distance.
    for (int k = 0; k < 25; ++k) {
      const double station = startStation + unit(random) * sum;
      const double offset = (unit(random) - 0.5) * 40.0;
      ovcivil::PlanPoint offsetPoint, onLine;
      ASSERT_EQ(alignment.pointAtStation(station, offset, offsetPoint), ovcivil::kOk);
      ASSERT_EQ(alignment.pointAtStation(station, 0.0, onLine), ovcivil::kOk);
      EXPECT_NEAR(std::hypot(offsetPoint.x - onLine.x, offsetPoint.y - onLine.y), std::abs(offset), 1e-9);
      const double guess = std::clamp(station + 0.5, startStation, startStation + sum);
      EXPECT_NEAR(projectStation(alignment, offsetPoint, guess), station, 1e-6) << trial;
    }

    // 0.5 m into every spiral that leaves a straight, against the quadrature reference started
    // from the spiral's own start.
    for (const auto& entity : alignment.entities) {
      if (entity.kind != ovcivil::EntityKind::Spiral || entity.startCurvature != 0.0) continue;
      const testing::RefPose start{entity.start.x, entity.start.y, entity.startDirection};
      const long double k = entity.endCurvature * 0.5L / entity.length;
      const testing::RefPose expected = testing::advance(start, 0.0L, k, 0.5L);
      ovcivil::PlanPoint at;
      double direction = 0.0;
      entity.evaluate(0.5, at, direction);
      EXPECT_NEAR(at.x, static_cast<double>(expected.x), 1e-6);
      EXPECT_NEAR(at.y, static_cast<double>(expected.y), 1e-6);
    }
  }
}

}  // namespace
}  // namespace kestrel
