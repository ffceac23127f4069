// Route sections read from SIMA text and built into alignments: the cases that fail for a reason
// (rows of cases/route_sections.txt).
#include <gtest/gtest.h>

#include <string>

#include "command/read_file.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "tests/civil/fresh_document.h"
#include "tests/support/corpus_rows.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

// P1 (0, 0), P2 100 m east, P3 on a left-hand arc of radius 150 from P2, P4 100 m on beyond it.
std::string points() {
  return testing::readBytes(std::string(KESTREL_SOURCE_DIR) + "/tests/civil/cases/route_points.sim");
}

class RouteAlignment : public testing::FreshCivilDocument {
 protected:
  testing::TempDir dir_;
};

TEST_F(RouteAlignment, RouteSectionsBuildAsTheirPointsAndCurvesAllow) {
  for (const auto& row : testing::corpusRows("civil/cases/route_sections.txt")) {
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

TEST_F(RouteAlignment, VerticalResultsAreReadOnTheAlignmentsStationing) {
  ImportRun run;
  run.siteName = "サイト";
  for (bool& s : run.selection.selected) s = true;
  const std::string path = dir_.write(
      "road.sim", points() +
                      "F00,1,1,本線,3,\nF03,1000,20,10,\nB01,1,P1,\nB01,2,P2,\nC01,0,-150,\nB01,3,P3,\nF99,\n"
                      "H00,1,本線,\nH01,No.0,1000.0,10.50,10.60,1,\nH01,No.5,1100.0,10.80,10.90,1,\n"
                      "H01,No.9,1999.0,10.80,10.90,1,\nH99,\n");
  ASSERT_EQ(readFile(run, path, io::EncodingChoice::Auto), 0);
  // Station 1000 is the route's start, 1100 is the end of the first straight; 1999 is beyond.
  EXPECT_EQ(run.counters.verticalPoints, 2);
  std::vector<OvGePoint3d> placed;
  for (std::size_t i = 0; i < drawing_.entityCount(); ++i)
    if (const auto* point = dynamic_cast<const OvDbPoint*>(&drawing_.entityAt(i)))
      if (point->position.z == 10.5 || point->position.z == 10.8) placed.push_back(point->position);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_NEAR(placed[0].x, 0.0, 1e-9);
  EXPECT_NEAR(placed[0].y, 0.0, 1e-9);
  EXPECT_NEAR(placed[1].x, 100.0, 1e-9);
  EXPECT_NEAR(placed[1].y, 0.0, 1e-9);
}

}  // namespace
}  // namespace kestrel
