// Points and lots as the drawing receives them: entities, layers, closure and records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/read_file.h"
#include "drawing/object_records.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::TempDir;

struct Record {
  int32_t number;
  std::string name;
  std::string type;
  std::string fileName;
};

class BuildersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ovSetWorkingDatabase(&database_);
    database_.addLayer("POINTS");
    database_.addLayer("LOTS");
  }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }

  // Imports a text with the given entries selected (A and D by default).
  ImportRun& import(const std::string& text, std::vector<int> selected = {kSeriesA, kSeriesD},
                    const std::string& name = "site.sim") {
    for (int entry : selected) run_.selection.selected[entry] = true;
    run_.layers[kLayerPoints] = "POINTS";
    run_.layers[kLayerLots] = "LOTS";
    EXPECT_EQ(readFile(run_, dir_.write(name, text), io::EncodingChoice::Auto), 0);
    return run_;
  }

  std::vector<const OvDbEntity*> entitiesOf(OvDbEntityKind kind) const {
    std::vector<const OvDbEntity*> found;
    for (std::size_t i = 0; i < database_.entityCount(); ++i)
      if (database_.entityAt(i).kind() == kind) found.push_back(&database_.entityAt(i));
    return found;
  }

  Record recordOf(const char* table, const OvDbEntity& entity) const {
    auto records = database_.objectDataTables().Records(table, entity.objectId());
    EXPECT_EQ(records.size(), 1u);
    if (records.empty()) return {};
    const auto& r = *records[0];
    return {r.Value(0).Int32Value(), r.Value(1).StrValue(), r.Value(2).StrValue(),
            r.Value(3).StrValue()};
  }

  OvDbDatabase database_;
  TempDir dir_;
  ImportRun run_;
};

TEST_F(BuildersTest, PointsWithElevationAreDrawnWithTheirRecord) {
  import("A00,\nA01,1,P1,100.5,200.25,3.0,\nA01,2,P2,100.5,200.25,,\nA99,\n");
  const auto points = entitiesOf(OvDbEntityKind::Point);
  ASSERT_EQ(points.size(), 1u);  // the point without elevation is stored, not drawn
  EXPECT_EQ(run_.pointStore.size(), 2u);
  const auto& p = static_cast<const OvDbPoint&>(*points[0]);
  EXPECT_EQ(p.position.x, 200.25);  // x is the easting (SIMA Y)
  EXPECT_EQ(p.position.y, 100.5);
  EXPECT_EQ(p.position.z, 3.0);
  EXPECT_EQ(p.layer(), "POINTS");
  const Record r = recordOf(kPointTable, p);
  EXPECT_EQ(r.number, 1);
  EXPECT_EQ(r.name, "P1");
  EXPECT_EQ(r.type, "座標");
  EXPECT_EQ(r.fileName, "site.sim");
  EXPECT_EQ(run_.counters.drawnPoints, 1);
}

TEST_F(BuildersTest, LotsAreOpenOrClosedByTheirKind) {
  const struct {
    const char* kind;
    bool closed;
  } cases[] = {{"1", true}, {" 1 ", true}, {"2", false}};
  std::string text = "A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,10,,\nA01,3,P3,10,10,3,\nA99,\n";
  int number = 1;
  for (const auto& c : cases)
    text += "D00," + std::to_string(number++) + ",L," + c.kind + ",\nB01,1,P1,\nB01,2,P2,\nB01,3,P3,\nD99,\n";
  import(text);
  const auto lots = entitiesOf(OvDbEntityKind::Polyline);
  ASSERT_EQ(lots.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& lot = static_cast<const OvDbPolyline&>(*lots[i]);
    EXPECT_EQ(lot.closed, cases[i].closed) << cases[i].kind;
    EXPECT_EQ(lot.layer(), "LOTS");
    ASSERT_EQ(lot.vertices.size(), 3u);
    EXPECT_EQ(lot.vertices[1].x, 10.0);  // a vertex from a point without elevation
    EXPECT_EQ(lot.elevation, 0.0);
    EXPECT_EQ(recordOf(kPolylineTable, lot).type, "画地");
  }
  EXPECT_EQ(run_.counters.lotPolylines, 3);
}

TEST_F(BuildersTest, LotBeforeItsPointsFailsWithMessage138) {
  import("D00,1,L,1,\nB01,1,P1,\nD99,\nA00,\nA01,1,P1,0,0,1,\nA99,\n");
  EXPECT_TRUE(entitiesOf(OvDbEntityKind::Polyline).empty());
  ASSERT_EQ(run_.log.errors().size(), 1u);
  EXPECT_EQ(run_.log.errors()[0].messageId, 138);
  EXPECT_EQ(run_.lots.size(), 0u);
}

TEST_F(BuildersTest, DuplicatePointNumbersResolveToTheFirst) {
  import("A00,\nA01,1,FIRST,0,0,1,\nA01,1,SECOND,50,50,1,\nA01,2,P2,0,10,1,\nA99,\n"
         "D00,1,L,2,\nB01,1,P1,\nB01,2,P2,\nD99,\n");
  const auto lots = entitiesOf(OvDbEntityKind::Polyline);
  ASSERT_EQ(lots.size(), 1u);
  EXPECT_EQ(static_cast<const OvDbPolyline&>(*lots[0]).vertices[0].x, 0.0);
}

TEST_F(BuildersTest, UnselectedSeriesAreReadAndLoggedButNotDrawn) {
  import("A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,10,1,\nA99,\nD00,1,L,1,\nB01,1,P1,\nB01,2,P2,\nD99,\n",
         {});
  EXPECT_EQ(database_.entityCount(), 0u);
  EXPECT_FALSE(database_.objectDataTables().IsTablePresent(kPointTable));
  EXPECT_EQ(run_.pointStore.size(), 2u);
  EXPECT_EQ(run_.lots.size(), 1u);
  EXPECT_EQ(run_.log.progressLines().size(), 4u + 3u + 1u);
}

TEST_F(BuildersTest, LotOfOneVertexIsStoredAndLoggedButNotDrawnOrCounted) {
  import("A00,\nA01,1,P1,0,0,1,\nA99,\nD00,1,L,1,\nB01,1,P1,\nD99,\n");
  EXPECT_TRUE(entitiesOf(OvDbEntityKind::Polyline).empty());
  EXPECT_EQ(run_.lots.size(), 1u);
  EXPECT_EQ(run_.counters.lotPolylines, 0);
}

TEST_F(BuildersTest, FailedLotCutOffByTheEndOfTheFileIsLoggedAsFailed) {
  import("A00,\nA01,1,P1,0,0,1,\nA99,\nD00,1,L,1,\nB01,1,P1,\nB01,5,P5,\n");
  EXPECT_EQ(run_.lots.size(), 0u);
  const auto& lines = run_.log.progressLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "ERROR     画地を作成できませんでした\n");
}

TEST_F(BuildersTest, PointsOfEverySeriesAreDrawnAndLotsFindThemAcrossSeries) {
  import("A00,\nA01,1,P1,0,0,1,\nA99,\nA00,\nA01,2,P2,0,10,2,\nA01,3,P3,5,5,,\nA99,\n"
         "D00,1,L,2,\nB01,1,P1,\nB01,2,P2,\nD99,\n");
  const auto points = entitiesOf(OvDbEntityKind::Point);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(recordOf(kPointTable, *points[0]).number, 1);
  EXPECT_EQ(recordOf(kPointTable, *points[1]).number, 2);
  EXPECT_EQ(run_.counters.drawnPoints, 2);
  EXPECT_EQ(run_.pointStore.size(), 3u);
  EXPECT_EQ(entitiesOf(OvDbEntityKind::Polyline).size(), 1u);
}

TEST_F(BuildersTest, GoodLotCutOffByTheEndOfTheFileIsDrawnAndLoggedAsMade) {
  import("A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,10,1,\nA99,\nD00,1,L,2,\nB01,1,P1,\nB01,2,P2,\n");
  ASSERT_EQ(run_.lots.size(), 1u);
  ASSERT_EQ(entitiesOf(OvDbEntityKind::Polyline).size(), 1u);
  EXPECT_EQ(run_.counters.lotPolylines, 1);
  const auto& lines = run_.log.progressLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "00007 D99 画地データの読み込み終了");
  EXPECT_EQ(lines[lines.size() - 2], "          2点の構成点");  // no blank line follows a lot
}

TEST_F(BuildersTest, FileNameIsThePathAfterItsFolder) {
  import("A00,\nA01,1,P1,0,0,1,\nA99,\n", {kSeriesA}, "plain.sim");
  const auto points = entitiesOf(OvDbEntityKind::Point);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(recordOf(kPointTable, *points[0]).fileName, "plain.sim");
}

}  // namespace
}  // namespace kestrel
