// Alignments as GIS layers: arcs as real circular arcs where the format carries curves, spirals and
// (elsewhere) every curve as line strings within a millimetre of the alignment, elements with
// their own columns. The alignment is the civil golden document's (a line, a spiral, a curve, a
// line), read from its LandXML.
#include "gis/layers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "platform/civil/landxml.h"
#include "tests/support/text_rows.h"

namespace kestrel::gis {
namespace {

const std::string kGolden =
    std::string(KESTREL_SOURCE_DIR) + "/tests/platform/civil/golden/document.xml";

const Layer* find(const std::vector<Layer>& layers, const char* name) {
  const auto it = std::find_if(layers.begin(), layers.end(), [&](const Layer& layer) {
    return std::string(layer.spec->name) == name;
  });
  return it == layers.end() ? nullptr : &*it;
}

using Point = std::complex<double>;

// How far a point lies from a feature's geometry: its line parts as drawn, its arcs as circles
// through their three points.
double distanceToFeature(const Layer& layer, std::size_t feature, Point p) {
  double best = 1e300;
  for (std::uint32_t n = layer.firstPart[feature]; n < layer.firstPart[feature + 1]; ++n) {
    const Part& part = layer.parts[n];
    const auto at = [&](std::uint32_t i) {
      return Point(layer.x[part.first + i], layer.y[part.first + i]);
    };
    for (std::uint32_t i = 0; !part.arc && i + 1 < part.count; ++i) {
      const Point a = at(i), ab = at(i + 1) - a;
      const double t = std::norm(ab) > 0 ? std::real((p - a) * std::conj(ab)) / std::norm(ab) : 0.0;
      best = std::min(best, std::abs(a + std::clamp(t, 0.0, 1.0) * ab - p));
    }
    if (!part.arc) continue;
    // The circle through the three points (a point off the arc's span is never the closest here).
    const Point a = at(0), b = at(1), c = at(2), w = (c - a) / (b - a);
    const Point centre = a + (b - a) * (w - std::norm(w)) / (w - std::conj(w));
    if (std::abs(p - centre) > 0 && std::min(std::abs(p - a), std::abs(p - c)) < std::abs(a - c))
      best = std::min(best, std::abs(std::abs(p - centre) - std::abs(a - centre)));
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
      worst = std::max(worst, distanceToFeature(*alignments, 0, Point(p.x, p.y)));
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
