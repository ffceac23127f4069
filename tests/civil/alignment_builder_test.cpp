// The alignment builder: helpers as rows of cases/alignment_builder.txt, then alignments built
// from routes into a fresh civil document and drawing: worked examples, and random realistic
// routes checked by properties of their geometry.
#include "civil/alignment_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>

#include "civil/automation.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "tests/civil/fresh_document.h"
#include "tests/civil/reference_curves.h"
#include "tests/support/call_table.h"

namespace kestrel {
namespace {

using ovcivil::AlignmentEntity;
using ovcivil::EntityKind;
using testing::fixed12;


double angleDifference(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * std::numbers::pi)); }

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

// A fresh civil document with the site "サイト", a fresh drawing whose current layer is C-ROAD,
// and a run on that site.
class BuilderTest : public testing::FreshCivilDocument {
 protected:
  void SetUp() override {
    FreshCivilDocument::SetUp();
    drawing_.addLayer("C-ROAD");
    drawing_.setCurrentLayer("C-ROAD");
    run.siteName = "サイト";
  }

  static ovcivil::CivilDocument& document() { return ovcivil::civilApplication().activeDocument(); }

  const ovcivil::Alignment& built(uint32_t id) {
    const auto* alignment = document().findAlignment(static_cast<int32_t>(id));
    EXPECT_NE(alignment, nullptr);
    return *alignment;
  }

  SimaAlignment route(GrowingArray<EntityData> elements, int type = 3) {
    SimaAlignment r;
    r.elements = std::move(elements);
    std::tie(r.routeName, r.routeTitle, r.routeType) = std::tuple("本線", "road-本線", type);
    return r;
  }

  ImportRun run;
};

// Straight elements through the points as the route import makes them, with the open last one.
GrowingArray<EntityData> straights(const std::vector<std::pair<double, double>>& points) {
  GrowingArray<EntityData> elements;
  for (std::size_t i = 0; i < points.size(); ++i) {
    EntityData e;
    std::tie(e.Type, e.StartPointX, e.StartPointY, e.Pitch) =
        std::tuple("S", fixed12(points[i].first), fixed12(points[i].second), 100.0);
    if (!elements.empty()) {
      elements.back().EndPointX = e.StartPointX;
      elements.back().EndPointY = e.StartPointY;
    }
    elements.append(e);
  }
  return elements;
}

void makeArc(EntityData& e, double radius) {
  e.Type = "R";
  e.Radius = fixed12(radius);
  e.Rotation = radius < 0 ? "L" : "R";
}

void makeClothoid(EntityData& e, double a, double startRadius, double endRadius) {
  e.Type = "A";
  e.ParameterA = fixed12(a);
  e.RadiusStart = fixed12(startRadius);
  e.RadiusEnd = fixed12(endRadius);
  e.Rotation = (startRadius < 0 || endRadius < 0) ? "L" : "R";
}

TEST_F(BuilderTest, CaseTable) {
  using testing::Numbers;
  testing::runCallTable("civil/cases/alignment_builder.txt", {
    {"spiralLength", [](const Numbers& a) -> Numbers {
       EntityData e;
       e.ParameterA = std::to_string(static_cast<int>(a[0]));
       e.RadiusStart = std::to_string(static_cast<int>(a[1]));
       e.RadiusEnd = std::to_string(static_cast<int>(a[2]));
       return {spiralLength(e)}; }},
    {"tangentIntersection", [](const Numbers& a) -> Numbers {
       EntityData e;
       std::tie(e.StartPointX, e.StartPointY, e.EndPointX, e.EndPointY) =
           std::tuple(fixed12(0), fixed12(0), fixed12(a[2]), fixed12(a[3]));
       makeClothoid(e, a[0], 0, a[1]);
       computeTangentIntersection(e);
       return {e.TangentIntersection[0], e.TangentIntersection[1]}; }},
    {"cleanedElements", [](const Numbers& a) -> Numbers {
       std::vector<std::pair<double, double>> points;
       for (std::size_t i = 0; i + 1 < a.size(); i += 2) points.emplace_back(a[i], a[i + 1]);
       return {double(cleanedElements(straights(points)).size())}; }},
    {"built", [this](const Numbers& a) -> Numbers {
       testing::freshCivilDocument();
       std::vector<std::pair<double, double>> points;
       std::size_t i = 1;
       for (; i < 1 + 2 * static_cast<std::size_t>(a[0]); i += 2) points.emplace_back(a[i], a[i + 1]);
       auto elements = straights(points);
       for (; i + 2 < a.size(); i += a[i + 1] == 1 ? 3 : 5) {
         EntityData& e = elements[static_cast<std::size_t>(a[i])];
         if (a[i + 1] == 1) makeArc(e, a[i + 2]);
         else makeClothoid(e, a[i + 2], a[i + 3], a[i + 4]);
       }
       run = ImportRun();
       run.siteName = "サイト";
       const uint32_t id = buildAlignment(run, route(elements));
       const auto* alignment = document().findAlignment(static_cast<int32_t>(id));
       if (alignment == nullptr) return {0, double(run.counters.alignments), double(run.names.size())};
       bool joined = true;
       double x = points[0].first, y = points[0].second;
       Numbers kinds, lengths;
       for (const AlignmentEntity& entity : alignment->entities) {
         joined = joined && std::hypot(entity.start.x - x, entity.start.y - y) <= (kinds.empty() ? 1e-12 : 1e-11);
         x = entity.end.x;
         y = entity.end.y;
         const double kind = entity.kind == EntityKind::Curve ? 1 : entity.kind == EntityKind::Spiral ? 2 : 0;
         kinds.push_back(entity.turnsLeft ? -kind : kind);
         lengths.push_back(entity.length);
       }
       Numbers out{1, double(run.counters.alignments), double(joined), double(alignment->entities.size())};
       out.insert(out.end(), kinds.begin(), kinds.end());
       out.insert(out.end(), lengths.begin(), lengths.end());
       return out; }},
  });
  const auto merged = cleanedElements(straights({{0, 0}, {50, 50}, {100, 100}, {100, 200}}));
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].EndPointX, fixed12(100));
  EXPECT_EQ(merged[0].EndPointY, fixed12(100));
}

// A worked IP example with a clothoid–arc–clothoid curve, computed by hand from the clothoid
// tables' series and checked against the alignment the builder makes from its main points.
// BP (0, 0); IP at 300 m due north; the road turns right by IA = 40° there; A1 = A2 = 100, R = 200.
//   L = A²/R = 50, τ = L/(2R) = 0.125 rad
//   X = L(1 − τ²/10 + τ⁴/216 − τ⁶/9360)              = 49.921931
//   Y = L(τ/3 − τ³/42 + τ⁵/1320 − τ⁷/75600)           =  2.081009
//   ΔR = Y − R(1 − cos τ) = 0.520543,  X_M = X − R sin τ = 24.986985
//   T = (R + ΔR) tan(IA/2) + X_M                        = 97.970494
//   arc = R(IA − 2τ)                                     = 89.626340
// Stations: KA1 = 300 − T = 202.029506, KE1 = 252.029506, KE2 = 341.655846, KA2 = 391.655846.
// Points (east, north): KA1 (0, 202.029506), KE1 (2.081009, 251.951438),
//   KE2 (32.479166, 335.469687), KA2 (62.974219, 375.049752), EP 100 m on (127.252980, 451.654197).
// Station 227.029506 (25 m into the first clothoid): local x = l − l⁵/(40A⁴) + l⁹/(3456A⁸),
//   y = l³/(6A²) − l⁷/(336A⁶) with l = 25 → (0.260399, 227.027065).
// Station 296.842676 (the middle of the arc): on the bisector, R from the centre, which lies
//   (R + ΔR)/cos(IA/2) from the IP → (12.582019, 295.420520).
TEST_F(BuilderTest, WorkedExampleClothoidArcClothoidStationsAndCoordinatesToAMillimetre) {
  auto elements = straights({{0, 0}, {0, 202.029506}, {2.081009, 251.951438}, {32.479166, 335.469687},
                             {62.974219, 375.049752}, {127.252980, 451.654197}});
  makeClothoid(elements[1], 100, 0, 200);
  makeArc(elements[2], 200);
  makeClothoid(elements[3], 100, 200, 0);
  const uint32_t id = buildAlignment(run, route(elements));
  ASSERT_NE(id, 0u);
  const auto& alignment = built(id);
  ASSERT_EQ(alignment.entities.size(), 5u);
  const double mainPointStations[] = {202.029506, 252.029506, 341.655846, 391.655846};
  double station = alignment.startingStation;
  for (std::size_t i = 0; i < 4; ++i) {
    station += alignment.entities[i].length;
    EXPECT_NEAR(station, mainPointStations[i], 1e-3) << "main point " << i;
  }
  const double rows[][3] = {{227.029506, 0.260399, 227.027065}, {296.842676, 12.582019, 295.420520},
                            {391.655846, 62.974219, 375.049752}};
  for (const auto& row : rows) {
    ovcivil::PlanPoint point;
    ASSERT_EQ(alignment.pointAtStation(row[0], 0.0, point), ovcivil::kOk) << row[0];
    EXPECT_NEAR(point.x, row[1], 1e-3) << row[0];
    EXPECT_NEAR(point.y, row[2], 1e-3) << row[0];
  }
}

TEST_F(BuilderTest, AlignmentCarriesTheRoutesNameTitleStationStylesAndLayer) {
  SimaAlignment r = route(straights({{0, 0}, {100, 0}, {100, 100}}), 7);
  r.startStation = 1200.0;
  const uint32_t id = buildAlignment(run, r);
  ASSERT_NE(id, 0u);
  const auto& alignment = built(id);
  EXPECT_EQ(std::tie(alignment.name, alignment.description, alignment.startingStation, alignment.style,
                     alignment.labelStyle, alignment.layer),
            std::tuple("本線", "road-本線", 1200.0, "Standard", "Standard", "C-ROAD"));
  ASSERT_EQ(alignment.entities.size(), 2u);
  EXPECT_EQ(run.names, std::vector<std::string>{"本線"});
  EXPECT_EQ(run.counters.alignments, 1);
  EXPECT_EQ(run.counters.alignmentsPerType[7], 1);
  EXPECT_EQ(alignmentNameOf(static_cast<int32_t>(id)), "本線");
  double x = 0, y = 0;
  CivilConnection connection;
  connection.connect();
  EXPECT_EQ(connection.pointAtDistance(static_cast<int32_t>(id), 1250.0, x, y), 0);
  EXPECT_NEAR(x, 50.0, 1e-12);
  EXPECT_EQ(connection.pointAtDistanceOffset(static_cast<int32_t>(id), 1350.0, 2.0, x, y), 0);
  EXPECT_NEAR(x, 102.0, 1e-12);  // heading north, the right is east
  EXPECT_NEAR(y, 50.0, 1e-12);
  EXPECT_NE(connection.pointAtDistance(static_cast<int32_t>(id), 1199.0, x, y), 0);
  EXPECT_NE(connection.pointAtDistance(static_cast<int32_t>(id), 1401.0, x, y), 0);
}

TEST_F(BuilderTest, NoSiteMakesNothing) {
  run.siteName = "no such site";
  EXPECT_EQ(buildAlignment(run, route(straights({{0, 0}, {100, 0}}))), 0u);
  EXPECT_TRUE(run.names.empty());
  EXPECT_EQ(run.counters.alignments, 0);
}

TEST_F(BuilderTest, AutomationErrorsCarryTheirStepTexts) {
  CivilConnection connection;
  connection.connect();
  const int32_t id = connection.addAlignment("サイト", "a", "0", "Standard", "Standard");
  const double p[3] = {0, 0, 0}, q[3] = {100, 0, 0};
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const OrvoException& e) {
      return e.message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { connection.addFixedCurve(id, p, q, 10, true); }), "Error at 777");
  EXPECT_EQ(message([&] { connection.addFixedSpiral(id, 0, p, q, 100, 200, 10, true, 1); }), "Error at 77");
  EXPECT_EQ(message([&] { connection.addFixedLine(id, p, p); }), "Corridor Utility Error.");
  EXPECT_EQ(message([&] { connection.removeEntityAt(id, 0); }), "Corridor Utility Error.");
  EXPECT_EQ(message([&] { connection.addAlignment("other", "a", "0", "", ""); }), "Corridor Utility Error.");
  EXPECT_EQ(message([&] { connection.setDescription(-5, "x"); }), "Corridor Utility Error.");
}

TEST_F(BuilderTest, DrawingShowsTheAlignmentWithItsNameAsExtendedData) {
  auto elements = straights({{0, 0}, {100, 0}, {124.0, -0.64}, {180, -14}, {300, -60}});
  makeClothoid(elements[1], 60, 0, 150);
  makeArc(elements[2], 150);
  const uint32_t id = buildAlignment(run, route(elements));
  const auto& alignment = built(id);
  ASSERT_EQ(alignment.entities.size(), 4u);
  ASSERT_EQ(drawing_.entityCount(), 4u);
  const OvDbEntityKind expected[] = {OvDbEntityKind::Line, OvDbEntityKind::Polyline, OvDbEntityKind::Arc,
                                     OvDbEntityKind::Line};
  for (std::size_t i = 0; i < 4; ++i) {
    const OvDbEntity& entity = drawing_.entityAt(i);
    EXPECT_EQ(entity.kind(), expected[i]) << i;
    EXPECT_EQ(entity.layer(), "C-ROAD");
    ASSERT_EQ(entity.xdata().size(), 1u);
    EXPECT_EQ(entity.xdata()[0].applicationName, kAlignmentXDataApplication);
    EXPECT_EQ(entity.xdata()[0].values, std::vector<std::string>{"本線"});
  }
  // A right-hand curve is drawn counter-clockwise from its end.
  const auto& arc = static_cast<const OvDbArc&>(drawing_.entityAt(2));
  const AlignmentEntity& curve = alignment.entities[2];
  EXPECT_NEAR(arc.center.x + arc.radius * std::cos(arc.startAngle), curve.end.x, 1e-9);
  EXPECT_NEAR(arc.center.y + arc.radius * std::sin(arc.startAngle), curve.end.y, 1e-9);
}

// Alignments built from random realistic routes, checked by properties of their geometry.
TEST_F(BuilderTest, RandomRoutesAreContinuousMeasuredAndOffsetConsistently) {
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 40; ++trial) {
    const testing::DesignedRoute design = testing::randomRoute(random, 1 + trial % 4);
    const double startStation = std::floor(unit(random) * 5000.0);
    SimaAlignment r = route(testing::routeElements(design));
    r.startStation = startStation;
    const ovcivil::Alignment& alignment = built(buildAlignment(run, r));
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
