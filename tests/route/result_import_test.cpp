// Vertical and cross-section results placed along an alignment built in the same run.
#include "route/result_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "command/read_file.h"
#include "drawing/object_records.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "tests/civil/fresh_document.h"
#include "tests/route/result_points.h"
#include "tests/support/call_table.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::TempDir;

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

// A straight centre line along the drawing's x axis from x = 0 to 1000, stationed from 100.
constexpr const char* kRoute =
    "A00,\nA01,1,S,0,0,0,\nA01,2,E,0,1000,0,\nA99,\n"
    "F00,3,1,本線,3,\nF03,100,\nB01,1,S,\nB01,2,E,\nF99,\n";

class ResultsTest : public testing::FreshCivilDocument {
 protected:

  void import(const std::string& results, bool selectResults = true) {
    for (int entry : {static_cast<int>(kSeriesA), routeTypeEntry(3)}) run_.selection.selected[entry] = true;
    run_.selection.selected[kSeriesH] = selectResults;
    run_.selection.selected[kSeriesI] = selectResults;
    run_.siteName = "サイト";
    run_.shiftDistance = 0.01;
    ASSERT_EQ(readFile(run_, dir_.write("r.sim", std::string(kRoute) + results),
                       io::EncodingChoice::Auto),
              0);
  }

  std::vector<testing::Placed> placed() const { return testing::resultPoints(drawing_); }

  TempDir dir_;
  ImportRun run_;
};

TEST_F(ResultsTest, StationsArePlacedInTheRoutesOwnStationing) {
  import("H00,3,縦断,\nH01,A,100,10,10,1,\nH01,B,350,11,11,1,\nH01,C,350,12,12,1,\n"
         "H01,D,99,13,13,1,\nH99,\n");
  const auto points = placed();
  ASSERT_EQ(points.size(), 3u);
  const double expected[][3] = {{0, 0, 10}, {250, 0, 11}, {250.01, 0, 12}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(points[i].x, expected[i][0], 1e-6);
    EXPECT_NEAR(points[i].y, expected[i][1], 1e-6);
    EXPECT_EQ(points[i].z, expected[i][2]);
    EXPECT_EQ(points[i].type, "縦断成果");
  }
  ASSERT_EQ(run_.log.errors().size(), 1u);  // station 99 lies before the alignment
  EXPECT_EQ(run_.log.errors()[0].messageId, 141);
  EXPECT_EQ(run_.log.errors()[0].lineNumber, 14);
  EXPECT_EQ(run_.counters.verticalPoints, 3);
}

TEST_F(ResultsTest, SectionPointsSitAtTheirOffsetsRightOfTravel) {
  import("I00,3,横断,\nI01,S1,200,9,9,\nI02,L,-10,1,\nI02,,10,2,\nI01,S2,300,8,8,\nI99,\n");
  const auto points = placed();
  ASSERT_EQ(points.size(), 4u);
  // Travelling along +x, the right-hand side is -y.
  EXPECT_NEAR(points[0].y, 10.0, 1e-6);
  EXPECT_NEAR(points[1].y, -10.0, 1e-6);
  EXPECT_EQ(points[1].name, "S1");  // an empty point name takes the section's
  EXPECT_NEAR(points[2].x, 100.0, 1e-6);  // the centre point of S1
  EXPECT_EQ(points[2].z, 9.0);
  EXPECT_EQ(points[3].name, "S2");  // a section without points gives its centre point alone
  EXPECT_NEAR(points[3].x, 200.0, 1e-6);
  EXPECT_EQ(run_.counters.sectionPoints, 4);
}

TEST_F(ResultsTest, BlocksCutOffByTheEndOfTheFileDrawNothingButAreLogged) {
  import("H00,3,縦断,\nH01,A,100,10,10,1,\n");
  EXPECT_TRUE(placed().empty());
  const auto& lines = run_.log.progressLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "00011 H99 縦断成果データの読み込み終了");
}

TEST_F(ResultsTest, UnselectedResultsAreReadAndLoggedButNotPlaced) {
  import("H00,3,縦断,\nH01,A,100,10,10,1,\nH99,\nI00,3,横断,\nI01,S1,200,9,9,\nI99,\n", false);
  EXPECT_TRUE(placed().empty());
  EXPECT_EQ(run_.verticalSeries.size(), 1u);
  EXPECT_EQ(run_.crossSections.size(), 1u);
  EXPECT_EQ(run_.log.errorCount(), 0);
}

TEST_F(ResultsTest, ConfirmedChoiceOverridesTheRouteNumber) {
  // A second alignment, made before the run, running north from (0, 0) and stationed from 0.
  auto& document = ovcivil::civilApplication().activeDocument();
  auto& other = document.addAlignment(*document.findSite("サイト"), "Other");
  other.startingStation = 0.0;
  ovcivil::AlignmentEntity* made = nullptr;
  ASSERT_EQ(document.addFixedLine(other, {0, 0}, {0, 1000}, made), ovcivil::kOk);
  run_.chosenAlignmentId = other.objectId;
  run_.chosenAlignmentName = "Other";
  run_.chosenAlignmentFlag = true;
  import("H00,3,縦断,\nH01,A,100,10,10,1,\nH99,\n");
  const auto points = placed();
  ASSERT_EQ(points.size(), 1u);
  EXPECT_NEAR(points[0].x, 0.0, 1e-6);
  EXPECT_NEAR(points[0].y, 100.0, 1e-6);
  // The H00 line names the chosen alignment, not the route's.
  bool named = false;
  for (const auto& line : run_.log.progressLines()) named = named || line == "          中心線”Other”の縦断成果データ";
  EXPECT_TRUE(named);
}

}  // namespace
}  // namespace kestrel
