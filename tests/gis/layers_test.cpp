// Alignments as GIS layers: arcs as real circular arcs where the format carries curves, spirals and
// (elsewhere) every curve as line strings within a millimetre of the alignment, elements with
// their own columns. The alignment is the civil golden document's (a line, a spiral, a curve, a
// line), read from its LandXML.
#include "gis/layers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/civil/landxml.h"
#include "tests/support/text_rows.h"

namespace kestrel::gis {
namespace {

const std::string kGolden =
    std::string(KESTREL_SOURCE_DIR) + "/tests/platform/civil/golden/document.xml";

const Layer* find(const std::vector<Layer>& layers, const char* name) {
  for (const Layer& layer : layers)
    if (std::string(layer.spec->name) == name) return &layer;
  return nullptr;
}

double distanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double length = dx * dx + dy * dy;
  const double t = length > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / length, 0.0, 1.0) : 0.0;
  return std::hypot(ax + t * dx - px, ay + t * dy - py);
}

// How far a point lies from a feature's geometry: its line parts as drawn, its arcs as circles
// through their three points.
double distanceToFeature(const Layer& layer, std::size_t feature, double px, double py) {
  double best = 1e300;
  for (std::uint32_t p = layer.firstPart[feature]; p < layer.firstPart[feature + 1]; ++p) {
    const Part& part = layer.parts[p];
    const auto x = [&](std::uint32_t i) { return layer.x[part.first + i]; };
    const auto y = [&](std::uint32_t i) { return layer.y[part.first + i]; };
    if (!part.arc) {
      for (std::uint32_t i = 0; i + 1 < part.count; ++i)
        best = std::min(best, distanceToSegment(px, py, x(i), y(i), x(i + 1), y(i + 1)));
      continue;
    }
    // The circle through the three points (a point off the arc's span is never the closest here).
    const double ax = x(0), ay = y(0), bx = x(1), by = y(1), cx = x(2), cy = y(2);
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    const double ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) +
                       (cx * cx + cy * cy) * (ay - by)) / d;
    const double uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) +
                       (cx * cx + cy * cy) * (bx - ax)) / d;
    const double radius = std::hypot(ax - ux, ay - uy);
    const bool between = std::hypot(px - ux, py - uy) > 0 &&
                         std::min(std::hypot(px - ax, py - ay), std::hypot(px - cx, py - cy)) <
                             std::hypot(ax - cx, ay - cy);
    if (between) best = std::min(best, std::abs(std::hypot(px - ux, py - uy) - radius));
  }
  return best;
}

// The alignments within a millimetre, with arcs as curves where carried; the elements' columns.
TEST(GisLayers, AlignmentsAndTheirElements) {
  ovcivil::CivilDocument civil;
  ASSERT_TRUE(ovcivil::openLandXml(kGolden, civil));
  const ovcivil::Alignment& road = civil.sites().front().alignments.front();
  SurveySource source;
  source.civil = &civil;
  for (const bool curves : {true, false}) {
    const std::vector<Layer> layers = gatherLayers(source, curves);
    const Layer* alignments = find(layers, "alignments");
    ASSERT_NE(alignments, nullptr);
    EXPECT_EQ(alignments->featureCount(), 2u) << "an alignment without entities has no feature";
    int arcs = 0;
    for (std::uint32_t p = alignments->firstPart[0]; p < alignments->firstPart[1]; ++p) {
      const Part& part = alignments->parts[p];
      arcs += part.arc ? 1 : 0;
      if (p > alignments->firstPart[0]) {  // every piece starts where the one before it ended
        const Part& before = alignments->parts[p - 1];
        EXPECT_EQ(alignments->x[part.first], alignments->x[before.first + before.count - 1]);
        EXPECT_EQ(alignments->y[part.first], alignments->y[before.first + before.count - 1]);
      }
    }
    EXPECT_EQ(arcs, curves ? 1 : 0);
    double worst = 0;
    for (int k = 0; k <= 4000; ++k) {
      ovcivil::PlanPoint p;
      ASSERT_EQ(road.pointAtStation(road.startingStation + road.length() * k / 4000, 0, p), 0);
      worst = std::max(worst, distanceToFeature(*alignments, 0, p.x, p.y));
    }
    EXPECT_LT(worst, 1e-3) << (curves ? "with curves" : "without");
    EXPECT_GT(worst, curves ? 0.0 : 1e-4) << "the spiral (and without curves the arc) are chords";
  }
  const std::vector<Layer> layers = gatherLayers(source, true);
  const Layer* elements = find(layers, "alignment_elements");
  ASSERT_NE(elements, nullptr);
  const auto rows = testing::textRows("gis/cases/alignment_elements.txt");
  ASSERT_EQ(elements->featureCount(), rows.size());
  // Alignment, Seq, Kind, Length, StartRad, EndRad, A, StartSta, EndSta; NaN for null.
  auto real = [&](std::size_t feature, std::size_t field) {
    const Value& value = elements->value(feature, field);
    return std::holds_alternative<double>(value) ? std::get<double>(value) : std::nan("");
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].where);
    EXPECT_EQ(std::get<std::string_view>(elements->value(i, 2)), rows[i][0]);
    for (const std::size_t field : {3, 4, 5, 6, 7}) {
      const double expected = std::strtod(rows[i][field - 2].c_str(), nullptr);
      if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(real(i, field))) << "field " << field;
      else
        EXPECT_NEAR(real(i, field), expected, 1e-9) << "field " << field;
    }
    EXPECT_NEAR(real(i, 8), std::stod(rows[i][5]) + std::stod(rows[i][1]), 1e-9);
  }
}

}  // namespace
}  // namespace kestrel::gis
