// A centre line with a clothoid and an arc, built from its route, with vertical and
// cross-section results on it: the placed points against the curve integrated independently
// here, the log against one derived by hand, and the same results on the alignment read back
// from LandXML.
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
#include "tests/route/result_points.h"
#include "tests/civil/reference_curves.h"
#include "tests/support/corpus_rows.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

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

using testing::Placed;
using testing::resultPoints;

class AlignmentResults : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::freshCivilDocument();
  }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }

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
TEST_F(AlignmentResults, PointsAgreeWithTheIndependentCurveToAMillimetre) {
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
}

TEST_F(AlignmentResults, LogMatchesTheHandDerivedLog) {
  OvDbDatabase database;
  ImportRun run;
  import(run, database, "road.sim", simaFile());
  // Derived by hand from the file and the messages; compared byte for byte.
  EXPECT_EQ(run.log.render(),
            readBytes(std::string(KESTREL_SOURCE_DIR) + "/tests/route/cases/alignment_results.log"));
}

TEST_F(AlignmentResults, TheAlignmentReadBackFromLandXmlGivesTheSamePoints) {
  OvDbDatabase first;
  ImportRun run;
  import(run, first, "road.sim", simaFile());
  const auto placedFirst = resultPoints(first);
  std::ostringstream xml;
  ovcivil::writeLandXml(ovcivil::civilApplication().activeDocument(), xml, "2026-12-06",
                        "12:00:00");

  // A later run: only the results, on the alignment opened from the file.
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  auto& document = ovcivil::civilApplication().activeDocument();
  ASSERT_TRUE(ovcivil::readLandXml(xml.str(), document));
  ASSERT_FALSE(document.sites().empty());
  ASSERT_FALSE(document.sites().front().alignments.empty());
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
  ASSERT_EQ(placedSecond.size(), placedFirst.size());
  for (std::size_t i = 0; i < placedFirst.size(); ++i) {
    EXPECT_NEAR(placedSecond[i].x, placedFirst[i].x, 1e-6) << placedFirst[i].name;
    EXPECT_NEAR(placedSecond[i].y, placedFirst[i].y, 1e-6) << placedFirst[i].name;
  }
}

}  // namespace
}  // namespace kestrel
