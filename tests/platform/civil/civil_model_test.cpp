#include "platform/civil/civil_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "tests/civil/reference_curves.h"

namespace {

using ovcivil::AlignmentEntity;
using ovcivil::CivilDocument;
using ovcivil::PlanPoint;
using kestrel::testing::advance;
using kestrel::testing::RefPose;

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

// Calls the model refuses, each for a real reason.
struct RefusedCall {
  const char* name;
  int (*call)(CivilDocument&, ovcivil::Alignment&, AlignmentEntity*&);
};

const RefusedCall kRefused[] = {
    {"line of coincident points",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedLine(a, {5, 5}, {5, 5 + 1e-11}, m);
     }},
    {"curve whose chord exceeds the diameter",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedCurve(a, {0, 0}, {100.001, 0}, 50, true, m);
     }},
    {"curve of radius 0",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedCurve(a, {0, 0}, {10, 0}, 0, false, m);
     }},
    {"curve of infinite radius",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedCurve(a, {0, 0}, {10, 0}, kInf, false, m);
     }},
    {"curve between coincident points",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedCurve(a, {3, 3}, {3, 3}, 10, false, m);
     }},
    {"spiral after an entity the alignment lacks",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       return d.addFixedSpiral(a, 999999, {0, 0}, {10, 0}, kInf, 100, 20, true, 1, m);
     }},
    {"spiral heading nowhere (start on the tangent intersection)",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       AlignmentEntity* line = nullptr;
       d.addFixedLine(a, {-10, 0}, {0, 0}, line);
       return d.addFixedSpiral(a, line->objectId, {0, 0}, {0, 0}, kInf, 100, 20, true, 1, m);
     }},
    {"spiral of length 0",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       AlignmentEntity* line = nullptr;
       d.addFixedLine(a, {-10, 0}, {0, 0}, line);
       return d.addFixedSpiral(a, line->objectId, {0, 0}, {10, 0}, kInf, 100, 0, true, 1, m);
     }},
    {"spiral with both radii infinite",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       AlignmentEntity* line = nullptr;
       d.addFixedLine(a, {-10, 0}, {0, 0}, line);
       return d.addFixedSpiral(a, line->objectId, {0, 0}, {10, 0}, kInf, kInf, 10, true, 1, m);
     }},
    {"spiral with a radius of 0",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       AlignmentEntity* line = nullptr;
       d.addFixedLine(a, {-10, 0}, {0, 0}, line);
       return d.addFixedSpiral(a, line->objectId, {0, 0}, {10, 0}, 0, 100, 10, true, 1, m);
     }},
    {"spiral winding round more than a full turn",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*& m) {
       AlignmentEntity* line = nullptr;
       d.addFixedLine(a, {-10, 0}, {0, 0}, line);
       return d.addFixedSpiral(a, line->objectId, {0, 0}, {10, 0}, kInf, 1.0, 1e8, true, 1, m);
     }},
    {"remove outside the collection",
     [](CivilDocument& d, ovcivil::Alignment& a, AlignmentEntity*&) { return d.removeEntityAt(a, 0); }},
};

TEST(CivilModel, RefusesImpossibleEntities) {
  for (const auto& row : kRefused) {
    Fixture f;
    const std::size_t before = f.alignment->entities.size();
    AlignmentEntity* made = nullptr;
    EXPECT_NE(row.call(f.document, *f.alignment, made), ovcivil::kOk) << row.name;
    // A refused call adds nothing (the helper line of some rows stays).
    EXPECT_LE(f.alignment->entities.size(), before + 1) << row.name;
    if (f.alignment->entities.size() == before + 1) {
      EXPECT_EQ(f.alignment->entities.back().kind, ovcivil::EntityKind::Line) << row.name;
    }
  }
}

TEST(CivilModel, CurveIsTheMinorArcTurningAsFlagged) {
  struct Row {
    bool left;
    PlanPoint expectedCentre;
  };
  // Chord from (0,0) to (100,0), radius 100: the centre sits 86.6 m off the chord's middle, on
  // the side the curve turns to.
  const double h = std::sqrt(100.0 * 100.0 - 50.0 * 50.0);
  for (const Row row : {Row{true, {50, h}}, Row{false, {50, -h}}}) {
    Fixture f;
    AlignmentEntity* made = nullptr;
    ASSERT_EQ(f.document.addFixedCurve(*f.alignment, {0, 0}, {100, 0}, 100, row.left, made), ovcivil::kOk);
    EXPECT_NEAR(made->centre.x, row.expectedCentre.x, 1e-12);
    EXPECT_NEAR(made->centre.y, row.expectedCentre.y, 1e-12);
    EXPECT_NEAR(made->length, 100.0 * 2.0 * std::asin(0.5), 1e-12);  // minor arc: 60°
    PlanPoint middle;
    ASSERT_EQ(f.alignment->pointAtStation(made->length / 2, 0, middle), ovcivil::kOk);
    EXPECT_NEAR(middle.x, 50, 1e-9);
    EXPECT_NEAR(middle.y, row.left ? -(100 - h) : (100 - h), 1e-9);
    PlanPoint end;
    ASSERT_EQ(f.alignment->pointAtStation(made->length, 0, end), ovcivil::kOk);
    EXPECT_NEAR(end.x, 100, 1e-9);
    EXPECT_NEAR(end.y, 0, 1e-9);
  }
}

TEST(CivilModel, HalfCircleWhenTheChordIsTheDiameter) {
  Fixture f;
  AlignmentEntity* made = nullptr;
  ASSERT_EQ(f.document.addFixedCurve(*f.alignment, {0, 0}, {0, 20}, 10, false, made), ovcivil::kOk);
  EXPECT_NEAR(made->length, 10 * kPi, 1e-9);
  PlanPoint middle;
  f.alignment->pointAtStation(made->length / 2, 0, middle);
  // Clockwise about (0, 10) from its lowest point: the curve starts heading west.
  EXPECT_NEAR(middle.x, -10, 1e-9);
  EXPECT_NEAR(middle.y, 10, 1e-9);
}

// Spirals against the quadrature reference, across start and end radii and both turns.
TEST(CivilModel, SpiralMatchesIndependentIntegrationEverywhere) {
  struct Row {
    double startRadius, endRadius, length;
    bool left;
  };
  const Row rows[] = {{kInf, 150, 24, true},      {kInf, 50, 150, false},  {600, kInf, 240, true},
                      {60, 2000, 57.6, false},     {2000, 60, 200, true},   {kInf, 2000, 320, false},
                      {80, 800, 90, true}};
  for (const Row& row : rows) {
    Fixture f;
    AlignmentEntity* line = nullptr;
    ASSERT_EQ(f.document.addFixedLine(*f.alignment, {1000, 2000}, {1030, 2040}, line), ovcivil::kOk);
    AlignmentEntity* spiral = nullptr;
    ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, line->objectId, {1030, 2040}, {1060, 2080},
                                        row.startRadius, row.endRadius, row.length, row.left, 1, spiral),
              ovcivil::kOk);
    const AlignmentEntity copy = *spiral;
    const long double k0 = std::isinf(row.startRadius) ? 0.0L : (row.left ? 1.0L : -1.0L) / row.startRadius;
    const long double k1 = std::isinf(row.endRadius) ? 0.0L : (row.left ? 1.0L : -1.0L) / row.endRadius;
    const RefPose start{1030.0L, 2040.0L, std::atan2(40.0L, 30.0L)};
    for (double along : {0.0, 1e-3, 0.5, 3.0, row.length / 3, row.length / 2, row.length}) {
      const RefPose expected = advance(start, k0, k0 + (k1 - k0) * along / row.length, along);
      // advance() of a shorter piece needs the curvature at its own end: the piece is the first
      // `along` metres of the spiral, whose curvature there is k0 + (k1 - k0)·along/length.
      PlanPoint point;
      double direction = 0.0;
      copy.evaluate(along, point, direction);
      EXPECT_NEAR(point.x, static_cast<double>(expected.x), 1e-9) << along;
      EXPECT_NEAR(point.y, static_cast<double>(expected.y), 1e-9) << along;
      EXPECT_LT(angleDifference(direction, static_cast<double>(expected.heading)), 1e-12) << along;
    }
    // The tangent intersection lies on both end tangents.
    const PlanPoint pi = copy.tangentIntersection;
    const double startCross = std::cos(copy.startDirection) * (pi.y - copy.start.y) -
                              std::sin(copy.startDirection) * (pi.x - copy.start.x);
    const double endCross = std::cos(copy.endDirection) * (pi.y - copy.end.y) -
                            std::sin(copy.endDirection) * (pi.x - copy.end.x);
    EXPECT_NEAR(startCross, 0.0, 1e-8);
    EXPECT_NEAR(endCross, 0.0, 1e-8);
  }
}

// The first metres of a spiral from a straight, where a series cut at a fixed quantum gives up:
// compare with the clothoid's own series x = L − L⁵/(40A⁴) + L⁹/(3456A⁸), y = L³/(6A²) − L⁷/(336A⁶).
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
    const double x = along - std::pow(along, 5) / (40 * std::pow(a, 4)) + std::pow(along, 9) / (3456 * std::pow(a, 8));
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
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
  }
  return best;
}

// Spirals (start radius ≠ end radius) and curves (equal radii) of the rows, each drawn as a
// polyline whose chords stay within a millimetre of the entity, with no more points than needed.
TEST(CivilModel, PolylinesStayWithinAMillimetre) {
  struct Row {
    double startRadius, endRadius, length;
  };
  for (const Row& row : {Row{60.0, 2000.0, 100.0 * 100.0 / 60 - 5}, Row{kInf, 80.0, 80.0},
                         Row{1500, kInf, 400}, Row{300.0, 100.0, 50.0}, Row{30.0, 30.0, 90.0},
                         Row{5000.0, 5000.0, 300.0}}) {
    Fixture f;
    AlignmentEntity* line = nullptr;
    ASSERT_EQ(f.document.addFixedLine(*f.alignment, {-10, 0}, {0, 0}, line), ovcivil::kOk);
    AlignmentEntity* entity = nullptr;
    if (row.startRadius == row.endRadius) {
      const double turn = row.length / row.startRadius;
      const PlanPoint end{row.startRadius * std::sin(turn), row.startRadius * (1 - std::cos(turn))};
      ASSERT_EQ(f.document.addFixedCurve(*f.alignment, {0, 0}, end, row.startRadius, true, entity),
                ovcivil::kOk);
    } else {
      ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, line->objectId, {0, 0}, {10, 0},
                                          row.startRadius, row.endRadius, row.length, true, 1,
                                          entity),
                ovcivil::kOk);
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
    EXPECT_LT(worst, 1e-3) << row.startRadius << " " << row.endRadius;
    EXPECT_GT(worst, 2e-4) << "no more points than the tolerance needs";
  }
}

TEST(CivilModel, StationsAreReadInTheAlignmentsOwnStationing) {
  Fixture f;
  f.alignment->startingStation = 1200.0;
  AlignmentEntity* made = nullptr;
  f.document.addFixedLine(*f.alignment, {0, 0}, {0, 100}, made);      // heading north,
  f.document.addFixedLine(*f.alignment, {0, 100}, {100, 100}, made);  // then east
  struct Row {
    double station, offset;
    int status;
    PlanPoint expected;
  };
  const Row rows[] = {
      {1200.0, 0.0, ovcivil::kOk, {0, 0}},        {1250.0, 0.0, ovcivil::kOk, {0, 50}},
      {1250.0, 5.0, ovcivil::kOk, {5, 50}},       // right of north is east
      {1250.0, -5.0, ovcivil::kOk, {-5, 50}},     {1300.0, 0.0, ovcivil::kOk, {0, 100}},
      {1350.0, 5.0, ovcivil::kOk, {50, 95}},      {1400.0, 0.0, ovcivil::kOk, {100, 100}},
      {1199.99, 0.0, ovcivil::kOutsideAlignment, {}}, {1400.01, 0.0, ovcivil::kOutsideAlignment, {}},
      {50.0, 0.0, ovcivil::kOutsideAlignment, {}},
      {std::numeric_limits<double>::quiet_NaN(), 0.0, ovcivil::kOutsideAlignment, {}},
  };
  for (const Row& row : rows) {
    PlanPoint point{-1, -1};
    EXPECT_EQ(f.alignment->pointAtStation(row.station, row.offset, point), row.status) << row.station;
    if (row.status != ovcivil::kOk) continue;
    EXPECT_NEAR(point.x, row.expected.x, 1e-12) << row.station;
    EXPECT_NEAR(point.y, row.expected.y, 1e-12) << row.station;
  }
  // Entities removed and added: stations follow the entities the alignment holds now.
  f.document.removeEntityAt(*f.alignment, 0);
  f.document.addFixedLine(*f.alignment, {100, 100}, {100, 130}, made);
  PlanPoint point;
  EXPECT_EQ(f.alignment->pointAtStation(1350.0, 0.0, point), ovcivil::kOutsideAlignment);
  ASSERT_EQ(f.alignment->pointAtStation(1310.0, 0.0, point), ovcivil::kOk);
  EXPECT_NEAR(point.y, 110.0, 1e-12);
  Fixture empty;
  EXPECT_EQ(empty.alignment->pointAtStation(0.0, 0.0, point), ovcivil::kOutsideAlignment);
}

TEST(CivilModel, OffsetsLieOnTheNormalOnBothSidesOfACurve) {
  Fixture f;
  AlignmentEntity* made = nullptr;
  // Left turn around (0, 100), radius 100, from the origin heading east.
  f.document.addFixedCurve(*f.alignment, {0, 0}, {100, 100}, 100, true, made);
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> station(0.0, made->length), offset(-30.0, 30.0);
  for (int i = 0; i < 200; ++i) {
    const double s = station(random), o = offset(random);
    PlanPoint point;
    ASSERT_EQ(f.alignment->pointAtStation(s, o, point), ovcivil::kOk);
    // Right of a left-turning curve is away from the centre.
    EXPECT_NEAR(std::hypot(point.x, point.y - 100.0), 100.0 + o, 1e-9);
    const double polar = std::atan2(point.y - 100.0, point.x);
    EXPECT_NEAR(angleDifference(polar, -kPi / 2 + s / 100.0), 0.0, 1e-12);
  }
}

// Station and offset of a point, the inverse of the point at a station: round trips over a line,
// spiral, arc, spiral and line, and no perpendicular off either end.
TEST(CivilModel, StationAndOffsetOfAPointRoundTripAndStopAtTheEnds) {
  Fixture f;
  f.alignment->startingStation = 1000.0;
  AlignmentEntity* made = nullptr;
  ASSERT_EQ(f.document.addFixedLine(*f.alignment, {0, 0}, {100, 0}, made), ovcivil::kOk);
  const int32_t lineId = made->objectId;
  ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, lineId, {100, 0}, {150, 0}, kInf, 200, 80, true,
                                      1, made),
            ovcivil::kOk);
  const AlignmentEntity spiralIn = *made;
  // The arc goes on from the spiral's end and turns left by 0.6 rad.
  const double d = spiralIn.endDirection, radius = 200.0;
  const PlanPoint centre{spiralIn.end.x - radius * std::sin(d),
                         spiralIn.end.y + radius * std::cos(d)};
  const double endPolar = d - kPi / 2 + 0.6;
  const PlanPoint arcEnd{centre.x + radius * std::cos(endPolar),
                         centre.y + radius * std::sin(endPolar)};
  ASSERT_EQ(f.document.addFixedCurve(*f.alignment, spiralIn.end, arcEnd, radius, true, made),
            ovcivil::kOk);
  const double out = made->endDirection;
  const PlanPoint far{arcEnd.x + 80 * std::cos(out), arcEnd.y + 80 * std::sin(out)};
  ASSERT_EQ(f.document.addFixedSpiral(*f.alignment, made->objectId, arcEnd, far, radius, kInf, 60,
                                      true, 1, made),
            ovcivil::kOk);
  const PlanPoint spiralEnd = made->end;
  const double last = made->endDirection;
  ASSERT_EQ(f.document.addFixedLine(
                *f.alignment, spiralEnd,
                {spiralEnd.x + 100 * std::cos(last), spiralEnd.y + 100 * std::sin(last)}, made),
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
  struct Row {
    double station, offset, along;  // the point: `along` metres past the station on its tangent
    int status;
  };
  const Row rows[] = {{1000.0, 7.0, 0.0, ovcivil::kOk},
                      {1000.0, 3.0, -0.01, ovcivil::kOutsideAlignment},
                      {end, -4.0, 0.0, ovcivil::kOk},
                      {end, 0.0, 25.0, ovcivil::kOutsideAlignment}};
  for (const Row& row : rows) {
    PlanPoint point;
    double direction = 0.0;
    ASSERT_EQ(f.alignment->pointAndDirectionAtStation(row.station, row.offset, point, direction),
              ovcivil::kOk);
    point = {point.x + row.along * std::cos(direction), point.y + row.along * std::sin(direction)};
    double station = 0.0, offset = 0.0;
    ASSERT_EQ(f.alignment->stationAndOffsetOf(point, station, offset), row.status) << row.station;
    if (row.status != ovcivil::kOk) continue;
    EXPECT_NEAR(station, row.station, 1e-9);
    EXPECT_NEAR(offset, row.offset, 1e-9);
  }
  double station = 0.0, offset = 0.0;
  EXPECT_EQ(Fixture().alignment->stationAndOffsetOf({0, 0}, station, offset),
            ovcivil::kOutsideAlignment);
}

TEST(CivilModel, FileStampIsForgottenOnChange) {
  CivilDocument document;
  document.setFileStamp("2026-01-02", "03:04:05");
  EXPECT_EQ(document.fileDate(), "2026-01-02");
  document.markModified();
  EXPECT_TRUE(document.fileDate().empty());
  EXPECT_TRUE(document.fileTime().empty());
}

}  // namespace
