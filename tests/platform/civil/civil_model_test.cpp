// The civil model's alignments: worked examples in cases/civil_model.txt, spirals against the
// quadrature reference and the clothoid series, and stations and offsets both ways.
#include "platform/civil/civil_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <random>

#include "tests/civil/reference_curves.h"
#include "tests/platform/case_tables.h"

namespace kestrel::testing {
namespace {

using ovcivil::AlignmentEntity;
using ovcivil::kOk;
using ovcivil::kOutsideAlignment;
using ovcivil::PlanPoint;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

// A document with one empty alignment; each maker adds to it and keeps what it made in `made`. A
// spiral follows the entity made last (none: an id the alignment lacks).
struct Fixture {
  ovcivil::CivilDocument document;
  ovcivil::Alignment& road = document.addAlignment(document.addSite("site"), "road");
  AlignmentEntity* made = nullptr;
  int line(PlanPoint start, PlanPoint end) { return document.addFixedLine(road, start, end, made); }
  int curve(PlanPoint start, PlanPoint end, double radius, bool left) {
    return document.addFixedCurve(road, start, end, radius, left, made);
  }
  int spiral(PlanPoint start, PlanPoint pi, double startRadius, double endRadius, double length,
             bool left) {
    return document.addFixedSpiral(road, made ? made->objectId : 999999, start, pi, startRadius,
                                   endRadius, length, left, 1, made);
  }
};

double angleDifference(double a, double b) {
  return std::abs(std::remainder(a - b, 2.0 * kPi));
}

void expectAt(PlanPoint point, const std::vector<double>& xy, double tolerance) {
  EXPECT_NEAR(point.x, xy.at(0), tolerance);
  EXPECT_NEAR(point.y, xy.at(1), tolerance);
}

std::vector<TextRow> rowsOf(const std::string& table) {
  return tableRows("platform/civil/cases/civil_model.txt", table);
}

// The call a row of the table "refused" describes, on a fresh alignment.
int refusedCall(const TextRow& row, Fixture& f) {
  const std::string& call = row[1];
  if (call == "remove") return f.document.removeEntityAt(f.road, std::stoul(row[2]));
  const std::vector<double> v = numbersIn(row[call == "spiral" ? 3 : 2]);
  const bool left = row.fields.back() == "left";
  if (call == "line") return f.line({v[0], v[1]}, {v[2], v[3]});
  if (call == "curve") return f.curve({v[0], v[1]}, {v[2], v[3]}, v[4], left);
  if (row[2] == "line") f.line({-10, 0}, {0, 0});
  return f.spiral({v[0], v[1]}, {v[2], v[3]}, v[4], v[5], v[6], left);
}

TEST(CivilModel, ObjectIdsAreFreshForAlignmentsAndEntities) {
  Fixture f;
  ASSERT_EQ(f.line({0, 0}, {10, 0}), kOk);
  const int32_t lineId = f.made->objectId;
  auto& second = f.document.addAlignment(f.document.sites().front(), "other");
  EXPECT_NE(lineId, f.road.objectId);
  EXPECT_NE(second.objectId, lineId);
  EXPECT_EQ(f.document.findAlignment(second.objectId), &second);
  // References stay valid as alignments are added.
  for (int i = 0; i < 100; ++i) f.document.addAlignment(f.document.sites().front(), "more");
  EXPECT_EQ(f.document.findAlignment(f.road.objectId), &f.road);
  ASSERT_EQ(f.document.removeEntityAt(f.road, 0), kOk);
  ASSERT_EQ(f.line({0, 0}, {10, 0}), kOk);
  EXPECT_NE(f.made->objectId, lineId);  // never reused
}

TEST(CivilModel, RefusesImpossibleEntities) {
  for (const auto& row : rowsOf("refused")) {
    SCOPED_TRACE(row.where);
    Fixture f;
    EXPECT_NE(refusedCall(row, f), kOk);
    // A refused call adds nothing (the line a spiral follows stays).
    EXPECT_EQ(f.road.entities.size(), row[1] == "spiral" && row[2] == "line" ? 1u : 0u);
  }
}

TEST(CivilModel, CurveIsTheMinorArcTurningAsFlagged) {
  for (const auto& row : rowsOf("curve")) {
    SCOPED_TRACE(row.where);
    const std::vector<double> v = numbersIn(row[0]);
    Fixture f;
    ASSERT_EQ(f.curve({v[0], v[1]}, {v[2], v[3]}, v[4], row[1] == "left"), kOk);
    expectAt(f.made->centre, numbersIn(row[2]), 1e-12);
    EXPECT_NEAR(f.made->length, numbersIn(row[3])[0], 1e-12);
    PlanPoint point;
    ASSERT_EQ(f.road.pointAtStation(f.made->length / 2, 0, point), kOk);
    expectAt(point, numbersIn(row[4]), 1e-9);
    ASSERT_EQ(f.road.pointAtStation(f.made->length, 0, point), kOk);
    expectAt(point, {v[2], v[3]}, 1e-9);
  }
}

// Spirals against the quadrature reference, across start and end radii and both turns.
TEST(CivilModel, SpiralMatchesIndependentIntegrationEverywhere) {
  for (const auto& row : rowsOf("spiral")) {
    SCOPED_TRACE(row.where);
    const std::vector<double> v = numbersIn(row[0]);
    const double startRadius = v[0], endRadius = v[1], length = v[2];
    const bool left = row[1] == "left";
    Fixture f;
    ASSERT_EQ(f.line({1000, 2000}, {1030, 2040}), kOk);
    ASSERT_EQ(f.spiral({1030, 2040}, {1060, 2080}, startRadius, endRadius, length, left), kOk);
    const AlignmentEntity copy = *f.made;
    const long double k0 = std::isinf(startRadius) ? 0.0L : (left ? 1.0L : -1.0L) / startRadius;
    const long double k1 = std::isinf(endRadius) ? 0.0L : (left ? 1.0L : -1.0L) / endRadius;
    const RefPose start{1030.0L, 2040.0L, std::atan2(40.0L, 30.0L)};
    for (double along : {0.0, 1e-3, 0.5, 3.0, length / 3, length / 2, length}) {
      // The first `along` metres are a spiral of their own, ending at curvature k0 + (k1 −
      // k0)·along/length.
      const RefPose expected = advance(start, k0, k0 + (k1 - k0) * along / length, along);
      PlanPoint point;
      double direction = 0.0;
      copy.evaluate(along, point, direction);
      SCOPED_TRACE(along);
      expectAt(point, {static_cast<double>(expected.x), static_cast<double>(expected.y)}, 1e-9);
      EXPECT_LT(angleDifference(direction, static_cast<double>(expected.heading)), 1e-12);
    }
    // The tangent intersection lies on both end tangents.
    const PlanPoint pi = copy.tangentIntersection;
    for (const auto& [from, heading] :
         {std::pair{copy.start, copy.startDirection}, std::pair{copy.end, copy.endDirection}})
      EXPECT_NEAR(std::cos(heading) * (pi.y - from.y) - std::sin(heading) * (pi.x - from.x), 0.0,
                  1e-8);
  }
}

// The first metres of a spiral from a straight, where a series cut at a fixed quantum gives up:
// compare with the clothoid's own series x = L − L⁵/(40A⁴) + L⁹/(3456A⁸), y = L³/(6A²) −
// L⁷/(336A⁶).
TEST(CivilModel, SpiralFromAStraightIsExactInItsFirstMetres) {
  Fixture f;
  const double a = 800.0, radius = 2000.0;
  f.line({-100, 0}, {0, 0});
  ASSERT_EQ(f.spiral({0, 0}, {50, 0}, kInf, radius, a * a / radius, false), kOk);
  for (double along : {1e-4, 0.01, 0.5, 1.0, 2.0, 5.0}) {
    const double x = along - std::pow(along, 5) / (40 * std::pow(a, 4)) +
                     std::pow(along, 9) / (3456 * std::pow(a, 8));
    const double y = std::pow(along, 3) / (6 * a * a) - std::pow(along, 7) / (336 * std::pow(a, 6));
    PlanPoint point;
    ASSERT_EQ(f.road.pointAtStation(100.0 + along, 0, point), kOk);
    SCOPED_TRACE(along);
    expectAt(point, {x, -y}, 1e-12);  // a right turn
  }
}

// How far a point lies from the polyline through `points`.
double distanceToPolyline(const std::vector<PlanPoint>& points, PlanPoint p) {
  double best = 1e300;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const auto& a = points[i];
    const auto& b = points[i + 1];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t =
        std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
  }
  return best;
}

// Each drawn as a polyline whose chords stay within a millimetre of the entity, with no more
// points than needed.
TEST(CivilModel, PolylinesStayWithinAMillimetre) {
  for (const auto& row : rowsOf("polyline")) {
    SCOPED_TRACE(row.where);
    const std::vector<double> v = numbersIn(row[0]);
    const double turn = v[2] / v[0];
    Fixture f;
    ASSERT_EQ(f.line({-10, 0}, {0, 0}), kOk);
    ASSERT_EQ(v[0] == v[1] ? f.curve({0, 0}, {v[0] * std::sin(turn), v[0] * (1 - std::cos(turn))},
                                     v[0], true)
                           : f.spiral({0, 0}, {10, 0}, v[0], v[1], v[2], true),
              kOk);
    const AlignmentEntity* entity = f.made;
    const auto points = entity->polylinePoints(0.001);
    ASSERT_GE(points.size(), 3u);
    EXPECT_EQ(points.front().x, entity->start.x);
    EXPECT_NEAR(points.back().y, entity->end.y, 1e-9);
    double worst = 0.0;
    for (int k = 0; k <= 4000; ++k) {
      PlanPoint p;
      double direction = 0.0;
      entity->evaluate(entity->length * k / 4000.0, p, direction);
      worst = std::max(worst, distanceToPolyline(points, p));
    }
    EXPECT_LT(worst, 1e-3);
    EXPECT_GT(worst, 2e-4) << "no more points than the tolerance needs";
  }
}

TEST(CivilModel, StationsAreReadInTheAlignmentsOwnStationing) {
  Fixture f;
  f.road.startingStation = 1200.0;
  f.line({0, 0}, {0, 100});
  f.line({0, 100}, {100, 100});
  f.curve({100, 100}, {200, 200}, 100, true);
  for (const auto& row : rowsOf("station")) {
    SCOPED_TRACE(row.where);
    const std::vector<double> at = numbersIn(row[0]);
    PlanPoint point{-1, -1};
    EXPECT_EQ(f.road.pointAtStation(at[0], at[1], point), row[1] == "ok" ? kOk : kOutsideAlignment);
    if (row[1] == "ok") expectAt(point, numbersIn(row[2]), 1e-12);
  }
  // Entities removed and added: stations follow the entities the alignment holds now.
  f.document.removeEntityAt(f.road, 0);
  f.line({200, 200}, {200, 230});
  PlanPoint point;
  EXPECT_EQ(f.road.pointAtStation(1490.0, 0.0, point), kOutsideAlignment);
  ASSERT_EQ(f.road.pointAtStation(1250.0, 0.0, point), kOk);
  EXPECT_NEAR(point.x, 50.0, 1e-12);
  EXPECT_EQ(Fixture().road.pointAtStation(0.0, 0.0, point), kOutsideAlignment);
}

// Station and offset of a point, the inverse of the point at a station: round trips over a line,
// spiral, arc, spiral and line, and no perpendicular off either end.
TEST(CivilModel, StationAndOffsetOfAPointRoundTripAndStopAtTheEnds) {
  Fixture f;
  f.road.startingStation = 1000.0;
  const auto ahead = [](PlanPoint from, double direction, double distance) {
    return PlanPoint{from.x + distance * std::cos(direction),
                     from.y + distance * std::sin(direction)};
  };
  ASSERT_EQ(f.line({0, 0}, {100, 0}), kOk);
  ASSERT_EQ(f.spiral({100, 0}, {150, 0}, kInf, 200, 80, true), kOk);
  // The arc goes on from the spiral's end, about a centre 200 m to its left, and turns by 0.6 rad.
  const PlanPoint arcStart = f.made->end;
  const double d = f.made->endDirection;
  const PlanPoint centre = ahead(arcStart, d + kPi / 2, 200.0);
  ASSERT_EQ(f.curve(arcStart, ahead(centre, d - kPi / 2 + 0.6, 200.0), 200.0, true), kOk);
  ASSERT_EQ(
      f.spiral(f.made->end, ahead(f.made->end, f.made->endDirection, 80), 200.0, kInf, 60, true),
      kOk);
  ASSERT_EQ(f.line(f.made->end, ahead(f.made->end, f.made->endDirection, 100)), kOk);
  const double end = 1000.0 + f.road.length();

  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> stations(1000.0, end), offsets(-40.0, 40.0);
  for (int i = 0; i < 300; ++i) {
    const double station = stations(random), offset = offsets(random);
    PlanPoint point;
    ASSERT_EQ(f.road.pointAtStation(station, offset, point), kOk);
    double foundStation = 0.0, foundOffset = 0.0;
    ASSERT_EQ(f.road.stationAndOffsetOf(point, foundStation, foundOffset), kOk);
    EXPECT_NEAR(foundStation, station, 1e-8) << station << " " << offset;
    EXPECT_NEAR(foundOffset, offset, 1e-8) << station << " " << offset;
  }
  // Points `along` metres past a station on its tangent: none off either end.
  const struct {
    double station, offset, along;
    int status;
  } rows[] = {{1000.0, 7.0, 0.0, kOk},
              {1000.0, 3.0, -0.01, kOutsideAlignment},
              {end, -4.0, 0.0, kOk},
              {end, 0.0, 25.0, kOutsideAlignment}};
  for (const auto& row : rows) {
    PlanPoint point;
    double direction = 0.0, station = 0.0, offset = 0.0;
    ASSERT_EQ(f.road.pointAndDirectionAtStation(row.station, row.offset, point, direction), kOk);
    ASSERT_EQ(f.road.stationAndOffsetOf(ahead(point, direction, row.along), station, offset),
              row.status)
        << row.station;
    if (row.status != kOk) continue;
    EXPECT_NEAR(station, row.station, 1e-9);
    EXPECT_NEAR(offset, row.offset, 1e-9);
  }
  double station = 0.0, offset = 0.0;
  EXPECT_EQ(Fixture().road.stationAndOffsetOf({0, 0}, station, offset), kOutsideAlignment);
}

}  // namespace
}  // namespace kestrel::testing
