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

namespace {

using kestrel::testing::advance;
using kestrel::testing::numbersIn;
using kestrel::testing::RefPose;
using kestrel::testing::TextRow;
using ovcivil::AlignmentEntity;
using ovcivil::CivilDocument;
using ovcivil::PlanPoint;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

struct Fixture {
  CivilDocument document;
  ovcivil::Alignment* alignment = nullptr;
  Fixture() {
    auto& site = document.addSite("site");
    alignment = &document.addAlignment(site, "road");
  }
};

double angleDifference(double a, double b) {
  return std::abs(std::remainder(a - b, 2.0 * kPi));
}

std::vector<TextRow> rowsOf(const std::string& table) {
  return kestrel::testing::tableRows("platform/civil/cases/civil_model.txt", table);
}

// The call a row of the table "refused" describes, on a fresh alignment.
int refusedCall(const TextRow& row, CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
  const std::string& call = row[1];
  if (call == "remove") return d.removeEntityAt(a, static_cast<std::size_t>(numbersIn(row[2])[0]));
  const std::vector<double> v = numbersIn(row[call == "spiral" ? 3 : 2]);
  const bool left = row.fields.back() == "left";
  if (call == "line") return d.addFixedLine(a, {v[0], v[1]}, {v[2], v[3]}, m);
  if (call == "curve") return d.addFixedCurve(a, {v[0], v[1]}, {v[2], v[3]}, v[4], left, m);
  int32_t after = 999999;
  if (row[2] == "line") {
    d.addFixedLine(a, {-10, 0}, {0, 0}, m);
    after = m->objectId;
  }
  return d.addFixedSpiral(a, after, {v[0], v[1]}, {v[2], v[3]}, v[4], v[5], v[6], left, 1, m);
}

TEST(CivilModel, ObjectIdsAreFreshForAlignmentsAndEntities) {
  Fixture f;
  AlignmentEntity* made = nullptr;
  ASSERT_EQ(f.document.addFixedLine(*f.alignment, {0, 0}, {10, 0}, made), ovcivil::kOk);
  const int32_t lineId = made->objectId;
  auto& second = f.document.addAlignment(f.document.sites().front(), "other");
  EXPECT_NE(lineId, f.alignment->objectId);
  EXPECT_NE(second.objectId, lineId);
  EXPECT_EQ(f.document.findAlignment(second.objectId), &second);
  // References stay valid as alignments are added.
  for (int i = 0; i < 100; ++i) f.document.addAlignment(f.document.sites().front(), "more");
  EXPECT_EQ(f.document.findAlignment(f.alignment->objectId), f.alignment);
  ASSERT_EQ(f.document.removeEntityAt(*f.alignment, 0), ovcivil::kOk);
  ASSERT_EQ(f.document.addFixedLine(*f.alignment, {0, 0}, {10, 0}, made), ovcivil::kOk);
  EXPECT_NE(made->objectId, lineId);  // never reused
}

TEST(CivilModel, RefusesImpossibleEntities) {
  for (const auto& row : rowsOf("refused")) {
    Fixture f;
    AlignmentEntity* made = nullptr;
    EXPECT_NE(refusedCall(row, f.document, *f.alignment, made), ovcivil::kOk) << row.where;
    // A refused call adds nothing (the line a spiral follows stays).
    EXPECT_EQ(f.alignment->entities.size(), row[1] == "spiral" && row[2] == "line" ? 1u : 0u)
        << row.where;
  }
}

TEST(CivilModel, CurveIsTheMinorArcTurningAsFlagged) {
  for (const auto& row : rowsOf("curve")) {
    const std::vector<double> v = numbersIn(row[0]), centre = numbersIn(row[2]),
                              middle = numbersIn(row[4]);
    Fixture f;
    AlignmentEntity* made = nullptr;
    ASSERT_EQ(f.document.addFixedCurve(*f.alignment, {v[0], v[1]}, {v[2], v[3]}, v[4],
                                       row[1] == "left", made),
              ovcivil::kOk)
        << row.where;
    EXPECT_NEAR(made->centre.x, centre[0], 1e-12) << row.where;
    EXPECT_NEAR(made->centre.y, centre[1], 1e-12) << row.where;
    EXPECT_NEAR(made->length, numbersIn(row[3])[0], 1e-12) << row.where;
    PlanPoint point;
    ASSERT_EQ(f.alignment->pointAtStation(made->length / 2, 0, point), ovcivil::kOk);
    EXPECT_NEAR(point.x, middle[0], 1e-9) << row.where;
    EXPECT_NEAR(point.y, middle[1], 1e-9) << row.where;
    ASSERT_EQ(f.alignment->pointAtStation(made->length, 0, point), ovcivil::kOk);
    EXPECT_NEAR(point.x, v[2], 1e-9) << row.where;
    EXPECT_NEAR(point.y, v[3], 1e-9) << row.where;
  }
}

// Spirals against the quadrature reference, across start and end radii and both turns.
TEST(CivilModel, SpiralMatchesIndependentIntegrationEverywhere) {
  for (const auto& row : rowsOf("spiral")) {
    const std::vector<double> v = numbersIn(row[0]);
    const double startRadius = v[0], endRadius = v[1], length = v[2];
    const bool left = row[1] == "left";
    Fixture f;
    AlignmentEntity* line = nullptr;
    ASSERT_EQ(f.document.addFixedLine(*f.alignment, {1000, 2000}, {1030, 2040}, line),
              ovcivil::kOk);
    AlignmentEntity* spiral = nullptr;
    ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, line->objectId, {1030, 2040}, {1060, 2080},
                                        startRadius, endRadius, length, left, 1, spiral),
              ovcivil::kOk)
        << row.where;
    const AlignmentEntity copy = *spiral;
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
      EXPECT_NEAR(point.x, static_cast<double>(expected.x), 1e-9) << row.where << " " << along;
      EXPECT_NEAR(point.y, static_cast<double>(expected.y), 1e-9) << row.where << " " << along;
      EXPECT_LT(angleDifference(direction, static_cast<double>(expected.heading)), 1e-12)
          << row.where;
    }
    // The tangent intersection lies on both end tangents.
    const PlanPoint pi = copy.tangentIntersection;
    for (const auto& [from, heading] :
         {std::pair{copy.start, copy.startDirection}, std::pair{copy.end, copy.endDirection}})
      EXPECT_NEAR(std::cos(heading) * (pi.y - from.y) - std::sin(heading) * (pi.x - from.x), 0.0,
                  1e-8)
          << row.where;
  }
}

// The first metres of a spiral from a straight, where a series cut at a fixed quantum gives up:
// compare with the clothoid's own series x = L − L⁵/(40A⁴) + L⁹/(3456A⁸), y = L³/(6A²) −
// L⁷/(336A⁶).
TEST(CivilModel, SpiralFromAStraightIsExactInItsFirstMetres) {
  Fixture f;
  AlignmentEntity* line = nullptr;
  f.document.addFixedLine(*f.alignment, {-100, 0}, {0, 0}, line);
  AlignmentEntity* spiral = nullptr;
  const double a = 800.0, radius = 2000.0;
  ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, line->objectId, {0, 0}, {50, 0}, kInf, radius,
                                      a * a / radius, false, 1, spiral),
            ovcivil::kOk);
  for (double along : {1e-4, 0.01, 0.5, 1.0, 2.0, 5.0}) {
    const double x = along - std::pow(along, 5) / (40 * std::pow(a, 4)) +
                     std::pow(along, 9) / (3456 * std::pow(a, 8));
    const double y = std::pow(along, 3) / (6 * a * a) - std::pow(along, 7) / (336 * std::pow(a, 6));
    PlanPoint point;
    ASSERT_EQ(f.alignment->pointAtStation(100.0 + along, 0, point), ovcivil::kOk);
    EXPECT_NEAR(point.x, x, 1e-12) << along;
    EXPECT_NEAR(point.y, -y, 1e-12) << along;  // a right turn
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
    const std::vector<double> v = numbersIn(row[0]);
    Fixture f;
    AlignmentEntity* line = nullptr;
    ASSERT_EQ(f.document.addFixedLine(*f.alignment, {-10, 0}, {0, 0}, line), ovcivil::kOk);
    AlignmentEntity* entity = nullptr;
    if (v[0] == v[1]) {
      const double turn = v[2] / v[0];
      ASSERT_EQ(f.document.addFixedCurve(*f.alignment, {0, 0},
                                         {v[0] * std::sin(turn), v[0] * (1 - std::cos(turn))}, v[0],
                                         true, entity),
                ovcivil::kOk)
          << row.where;
    } else {
      ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, line->objectId, {0, 0}, {10, 0}, v[0], v[1],
                                          v[2], true, 1, entity),
                ovcivil::kOk)
          << row.where;
    }
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
    EXPECT_LT(worst, 1e-3) << row.where;
    EXPECT_GT(worst, 2e-4) << row.where << ": no more points than the tolerance needs";
  }
}

TEST(CivilModel, StationsAreReadInTheAlignmentsOwnStationing) {
  Fixture f;
  f.alignment->startingStation = 1200.0;
  AlignmentEntity* made = nullptr;
  f.document.addFixedLine(*f.alignment, {0, 0}, {0, 100}, made);
  f.document.addFixedLine(*f.alignment, {0, 100}, {100, 100}, made);
  f.document.addFixedCurve(*f.alignment, {100, 100}, {200, 200}, 100, true, made);
  for (const auto& row : rowsOf("station")) {
    const std::vector<double> at = numbersIn(row[0]);
    PlanPoint point{-1, -1};
    const int status = f.alignment->pointAtStation(at[0], at[1], point);
    EXPECT_EQ(status, row[1] == "ok" ? ovcivil::kOk : ovcivil::kOutsideAlignment) << row.where;
    if (row[1] != "ok") continue;
    EXPECT_NEAR(point.x, numbersIn(row[2])[0], 1e-12) << row.where;
    EXPECT_NEAR(point.y, numbersIn(row[2])[1], 1e-12) << row.where;
  }
  // Entities removed and added: stations follow the entities the alignment holds now.
  f.document.removeEntityAt(*f.alignment, 0);
  f.document.addFixedLine(*f.alignment, {200, 200}, {200, 230}, made);
  PlanPoint point;
  EXPECT_EQ(f.alignment->pointAtStation(1490.0, 0.0, point), ovcivil::kOutsideAlignment);
  ASSERT_EQ(f.alignment->pointAtStation(1250.0, 0.0, point), ovcivil::kOk);
  EXPECT_NEAR(point.x, 50.0, 1e-12);
  Fixture empty;
  EXPECT_EQ(empty.alignment->pointAtStation(0.0, 0.0, point), ovcivil::kOutsideAlignment);
}

// Station and offset of a point, the inverse of the point at a station: round trips over a line,
// spiral, arc, spiral and line, and no perpendicular off either end.
TEST(CivilModel, StationAndOffsetOfAPointRoundTripAndStopAtTheEnds) {
  Fixture f;
  f.alignment->startingStation = 1000.0;
  AlignmentEntity* made = nullptr;
  const auto ahead = [](PlanPoint from, double direction, double distance) {
    return PlanPoint{from.x + distance * std::cos(direction),
                     from.y + distance * std::sin(direction)};
  };
  ASSERT_EQ(f.document.addFixedLine(*f.alignment, {0, 0}, {100, 0}, made), ovcivil::kOk);
  ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, made->objectId, {100, 0}, {150, 0}, kInf, 200,
                                      80, true, 1, made),
            ovcivil::kOk);
  // The arc goes on from the spiral's end, about a centre 200 m to its left, and turns by 0.6 rad.
  const PlanPoint arcStart = made->end;
  const double d = made->endDirection;
  const PlanPoint centre = ahead(arcStart, d + kPi / 2, 200.0);
  ASSERT_EQ(f.document.addFixedCurve(*f.alignment, arcStart,
                                     ahead(centre, d - kPi / 2 + 0.6, 200.0), 200.0, true, made),
            ovcivil::kOk);
  ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, made->objectId, made->end,
                                      ahead(made->end, made->endDirection, 80), 200.0, kInf, 60,
                                      true, 1, made),
            ovcivil::kOk);
  ASSERT_EQ(f.document.addFixedLine(*f.alignment, made->end,
                                    ahead(made->end, made->endDirection, 100), made),
            ovcivil::kOk);
  const double end = 1000.0 + f.alignment->length();

  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> stations(1000.0, end), offsets(-40.0, 40.0);
  for (int i = 0; i < 300; ++i) {
    const double station = stations(random), offset = offsets(random);
    PlanPoint point;
    ASSERT_EQ(f.alignment->pointAtStation(station, offset, point), ovcivil::kOk);
    double foundStation = 0.0, foundOffset = 0.0;
    ASSERT_EQ(f.alignment->stationAndOffsetOf(point, foundStation, foundOffset), ovcivil::kOk);
    EXPECT_NEAR(foundStation, station, 1e-8) << station << " " << offset;
    EXPECT_NEAR(foundOffset, offset, 1e-8) << station << " " << offset;
  }
  // Points `along` metres past a station on its tangent: none off either end.
  const struct {
    double station, offset, along;
    int status;
  } rows[] = {{1000.0, 7.0, 0.0, ovcivil::kOk},
              {1000.0, 3.0, -0.01, ovcivil::kOutsideAlignment},
              {end, -4.0, 0.0, ovcivil::kOk},
              {end, 0.0, 25.0, ovcivil::kOutsideAlignment}};
  for (const auto& row : rows) {
    PlanPoint point;
    double direction = 0.0, station = 0.0, offset = 0.0;
    ASSERT_EQ(f.alignment->pointAndDirectionAtStation(row.station, row.offset, point, direction),
              ovcivil::kOk);
    ASSERT_EQ(f.alignment->stationAndOffsetOf(ahead(point, direction, row.along), station, offset),
              row.status)
        << row.station;
    if (row.status != ovcivil::kOk) continue;
    EXPECT_NEAR(station, row.station, 1e-9);
    EXPECT_NEAR(offset, row.offset, 1e-9);
  }
  double station = 0.0, offset = 0.0;
  EXPECT_EQ(Fixture().alignment->stationAndOffsetOf({0, 0}, station, offset),
            ovcivil::kOutsideAlignment);
}

}  // namespace
