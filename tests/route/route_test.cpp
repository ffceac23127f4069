// The route import: vertical and cross-section results placed along an alignment built in the
// same run (rows of cases, and a road with a clothoid and an arc against the curve walked
// independently), and route sections built into alignments.
#include "route/result_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "command/read_file.h"
#include "drawing/object_records.h"
#include "platform/civil/civil_model.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "tests/civil/fresh_document.h"
#include "tests/civil/reference_curves.h"
#include "tests/support/call_table.h"
#include "tests/support/corpus_rows.h"
#include "tests/support/text_rows.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

// The result points an import placed in a drawing (not the coordinate points), in drawing order,
// with the name and kind their object data give them.
struct Placed {
  double x, y, z;
  std::string name;
  std::string type;
};

std::vector<Placed> resultPoints(const OvDbDatabase& database) {
  std::vector<Placed> out;
  for (std::size_t i = 0; i < database.entityCount(); ++i) {
    const auto* p = dynamic_cast<const OvDbPoint*>(&database.entityAt(i));
    if (p == nullptr) continue;
    auto records = database.objectDataTables().Records(kPointTable, p->objectId());
    if (records.empty() || records[0]->Value(2).StrValue() == "座標") continue;
    out.push_back({p->position.x, p->position.y, p->position.z, records[0]->Value(1).StrValue(),
                   records[0]->Value(2).StrValue()});
  }
  return out;
}


TEST(ResultImport, SpreadCaseTable) {
  using testing::Numbers;
  testing::runCallTable("route/cases/spread.txt", {
    {"spreadStations", [](const Numbers& a) -> Numbers {
       GrowingArray<VerticalData> stations;
       for (double d : a) {
         VerticalData v;
         v.distance = d;
         stations.append(v);
       }
       spreadStations(stations, 0.01);
       Numbers out{double(stations.size())};
       for (const auto& v : stations) out.push_back(v.distance);
       return out; }},
    {"spreadOffsets", [](const Numbers& a) -> Numbers {
       const auto n = static_cast<std::size_t>(a[0]);
       GrowingArray<double> offsets, heights;
       for (std::size_t i = 0; i < n; ++i) offsets.append(a[1 + i]);
       for (std::size_t i = 0; i < n; ++i) heights.append(a[1 + n + i]);
       spreadOffsets(offsets, heights, 0.01);
       Numbers out(offsets.begin(), offsets.end());
       out.insert(out.end(), heights.begin(), heights.end());
       return out; }},
  });
}

// Rows of cases/results.txt: result lines read after a straight route along the drawing's x axis
// from x = 0 to 1000, stationed from 100; the points placed, the counts, the errors and a
// progress line compared with the row.
TEST(ResultImport, ResultsAlongARouteCaseTable) {
  constexpr const char* kRoute =
      "A00,\nA01,1,S,0,0,0,\nA01,2,E,0,1000,0,\nA99,\n"
      "F00,3,1,本線,3,\nF03,100,\nB01,1,S,\nB01,2,E,\nF99,\n";
  for (const testing::TextRow& row : testing::textRows("route/cases/results.txt")) {
    auto& document = testing::freshCivilDocument();
    OvDbDatabase drawing;
    ovSetWorkingDatabase(&drawing);
    ImportRun run;
    if (row[0] == "chosen") {  // a second alignment, running north from (0, 0), stationed from 0
      auto& other = document.addAlignment(*document.findSite("サイト"), "Other");
      other.startingStation = 0.0;
      ovcivil::AlignmentEntity* made = nullptr;
      ASSERT_EQ(document.addFixedLine(other, {0, 0}, {0, 1000}, made), ovcivil::kOk);
      run.chosenAlignmentId = other.objectId;
      run.chosenAlignmentName = "Other";
      run.chosenAlignmentFlag = true;
    }
    for (int entry : {static_cast<int>(kSeriesA), routeTypeEntry(3)}) run.selection.selected[entry] = true;
    run.selection.selected[kSeriesH] = run.selection.selected[kSeriesI] = row[0] != "unselected";
    run.siteName = "サイト";
    run.shiftDistance = 0.01;
    testing::TempDir dir;
    ASSERT_EQ(readFile(run, dir.write("r.sim", kRoute + row[1]), io::EncodingChoice::Auto), 0);
    std::string outcome;
    char text[160];
    for (const auto& p : resultPoints(drawing)) {
      auto fixed = [](double v) { return std::fabs(v) < 5e-7 ? 0.0 : v; };
      std::snprintf(text, sizeof text, "%.6f %.6f %.17g %s %s; ", fixed(p.x), fixed(p.y), p.z,
                    p.name.c_str(), p.type.c_str());
      outcome += text;
    }
    std::snprintf(text, sizeof text, "%d %d %zu %zu %d", run.counters.verticalPoints,
                  run.counters.sectionPoints, run.verticalSeries.size(), run.crossSections.size(),
                  run.log.errorCount());
    outcome += text;
    for (const auto& error : run.log.errors())
      outcome += " " + std::to_string(error.messageId) + "@" + std::to_string(error.lineNumber);
    EXPECT_EQ(outcome, row[2]) << row.where;
    const auto& lines = run.log.progressLines();
    const auto back = row.size() > 3 ? static_cast<std::size_t>(std::atoi(row[3].c_str())) : 0;
    ASSERT_GE(lines.size(), back) << row.where;
    if (back > 0) {
      EXPECT_EQ(lines[lines.size() - back], row[4]) << row.where;
    }
    ovSetWorkingDatabase(nullptr);
  }
}

// ---- A centre line with a clothoid and an arc, built from its route, with vertical and
// cross-section results on it: the placed points against the curve integrated independently
// here, the log against one derived by hand, and the same results on the alignment read back
// from LandXML. ----

using testing::readBytes;
using testing::TempDir;

// The road, in the drawing frame (x east, y north), turning right (clockwise): 200 m of straight,
// a clothoid A 60 from the straight to R 150 (24 m), 60 m of arc R 150, 150 m of straight,
// stationed from 1000; walked by quadrature, independent of the series the library and the civil
// model use.
const testing::DesignedRoute kRoad = testing::design(
    {{'S', 200}, {'A', 24, 0, 150, 60, false}, {'R', 60, 0, 150, 0, false}, {'S', 150}},
    {1000.0L, 5000.0L, 30.0L * std::numbers::pi_v<long double> / 180});

// The point at a station, `offset` to the right of travel.
void atStation(double station, double offset, double& x, double& y) {
  const testing::RefPose pose = testing::poseAt(kRoad, station - 1000.0);
  x = static_cast<double>(pose.x + offset * std::sin(pose.heading));
  y = static_cast<double>(pose.y - offset * std::cos(pose.heading));
}

// The road's SIMA file: its five main points (from kRoad, to 1e-6 m), the route, vertical and
// cross-section results; the log of its import is in alignment_results.log.
std::string simaFile() {
  return readBytes(std::string(KESTREL_SOURCE_DIR) + "/tests/route/cases/alignment_results.sim");
}


class AlignmentResults : public testing::FreshCivilDocument {
 protected:
  void import(ImportRun& run, OvDbDatabase& database, const std::string& name,
              const std::string& text) {
    ovSetWorkingDatabase(&database);
    for (bool& s : run.selection.selected) s = true;
    run.siteName = "サイト";
    ASSERT_EQ(readFile(run, dir_.write(name, text), io::EncodingChoice::Auto), 0);
  }

  // The expected points (rows: station, offset, height, name): stations and section offsets in
  // file order, centre points last in their section when no offset is 0.
  std::vector<Placed> expected() const {
    std::vector<Placed> out;
    for (const auto& row : testing::corpusRows("route/cases/alignment_points.txt")) {
      Placed p{0, 0, row.number(2), row.fields.at(3), ""};
      atStation(row.number(0), row.number(1), p.x, p.y);
      out.push_back(p);
    }
    return out;
  }

  TempDir dir_;
};

// The file holds coordinates to 1e-6 m; the points land within 1e-5 m (well inside a millimetre).
// The log, derived by hand from the file and the messages, is compared byte for byte. The
// alignment written to LandXML and read back gives the same points.
TEST_F(AlignmentResults, PointsAgreeWithTheCurveTheLogWithTheHandDerivedOneAndAfterLandXml) {
  OvDbDatabase database;
  ImportRun run;
  import(run, database, "road.sim", simaFile());
  const auto placed = resultPoints(database);
  const auto want = expected();
  ASSERT_EQ(placed.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(placed[i].name, want[i].name) << i;
    EXPECT_NEAR(placed[i].x, want[i].x, 1e-5) << want[i].name;
    EXPECT_NEAR(placed[i].y, want[i].y, 1e-5) << want[i].name;
    EXPECT_EQ(placed[i].z, want[i].z) << want[i].name;
  }
  EXPECT_EQ(run.counters.verticalPoints, 7);
  EXPECT_EQ(run.counters.sectionPoints, 6);
  EXPECT_EQ(run.log.render(),
            readBytes(std::string(KESTREL_SOURCE_DIR) + "/tests/route/cases/alignment_results.log"));

  std::ostringstream xml;
  ovcivil::writeLandXml(ovcivil::civilApplication().activeDocument(), xml, "2026-12-06",
                        "12:00:00");

  // A later run: only the results, on the alignment opened from the file.
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  auto& document = ovcivil::civilApplication().activeDocument();
  ASSERT_TRUE(ovcivil::readLandXml(xml.str(), document));
  ASSERT_FALSE(document.sites().empty() || document.sites().front().alignments.empty());
  const auto& alignment = document.sites().front().alignments.front();
  EXPECT_EQ(alignment.name, "本線");

  std::string text = simaFile();
  text = text.substr(text.find("H00,"));  // no coordinates, no route
  OvDbDatabase second;
  ImportRun later;
  later.chosenAlignmentId = alignment.objectId;
  later.chosenAlignmentName = alignment.name;
  later.chosenAlignmentFlag = true;
  import(later, second, "results.sim", text);
  const auto placedSecond = resultPoints(second);
  ASSERT_EQ(placedSecond.size(), placed.size());
  for (std::size_t i = 0; i < placed.size(); ++i) {
    EXPECT_NEAR(placedSecond[i].x, placed[i].x, 1e-6) << placed[i].name;
    EXPECT_NEAR(placedSecond[i].y, placed[i].y, 1e-6) << placed[i].name;
  }
}

// ---- Route sections read from SIMA text and built into alignments: the cases that fail for a
// reason (rows of cases/route_sections.txt). ----

// P1 (0, 0), P2 100 m east, P3 on a left-hand arc of radius 150 from P2, P4 100 m on beyond it.
std::string points() {
  return testing::readBytes(std::string(KESTREL_SOURCE_DIR) + "/tests/route/cases/route_points.sim");
}

class RouteAlignment : public testing::FreshCivilDocument {
 protected:
  testing::TempDir dir_;
};

TEST_F(RouteAlignment, RouteSectionsBuildAsTheirPointsAndCurvesAllow) {
  for (const auto& row : testing::corpusRows("route/cases/route_sections.txt")) {
    SCOPED_TRACE(row.where);
    SetUp();
    ImportRun run;
    run.siteName = "サイト";
    for (bool& s : run.selection.selected) s = true;
    if (row.integer(0) == 0) run.selection.selected[routeTypeEntry(3)] = false;
    for (int i = 0; i < kLayerCount; ++i) drawing_.addLayer(run.layers[i] = "layer" + std::to_string(i));
    std::string text = points();
    for (std::size_t i = 6; i < row.fields.size(); ++i) text += row.fields[i] + "\n";
    const std::size_t drawn = drawing_.entityCount();
    ASSERT_EQ(readFile(run, dir_.write("road.sim", text), io::EncodingChoice::Auto), 0);
    EXPECT_EQ(run.counters.alignments, row.integer(1));
    std::string polylineLayers;
    for (std::size_t i = drawn; i < drawing_.entityCount(); ++i) {
      const OvDbEntity& entity = drawing_.entityAt(i);  // a spiral is drawn on the current layer "0"
      if (entity.kind() == OvDbEntityKind::Polyline && entity.layer() != "0") polylineLayers += entity.layer().back();
    }
    EXPECT_EQ(polylineLayers, row.fields[4] == "-" ? "" : row.fields[4]);
    int curvesRefused = 0;
    for (const auto& error : run.log.errors()) curvesRefused += error.code == "ErrF002";
    EXPECT_EQ(curvesRefused, row.integer(5));
    const auto& site = ovcivil::civilApplication().activeDocument().sites().front();
    if (row.integer(2) < 0) {
      EXPECT_TRUE(site.alignments.empty());
      for (const auto& route : run.routes) EXPECT_EQ(route.objectId, 0u);
      continue;
    }
    ASSERT_EQ(site.alignments.size(), 1u);
    const auto& alignment = site.alignments.front();
    EXPECT_EQ(alignment.name, "本線");
    EXPECT_EQ(alignment.description, "road-本線");
    ASSERT_EQ(static_cast<int>(alignment.entities.size()), row.integer(2));
    std::string kinds;
    for (const auto& entity : alignment.entities)
      kinds += entity.kind == ovcivil::EntityKind::Line ? 'L' : entity.kind == ovcivil::EntityKind::Curve ? 'C' : 'S';
    EXPECT_EQ(kinds, row.fields[3]);
    ASSERT_EQ(run.routes.size(), 1u);
    EXPECT_EQ(run.routes[0].objectId, static_cast<uint32_t>(alignment.objectId));
    TearDown();
  }
}

}  // namespace
}  // namespace kestrel
