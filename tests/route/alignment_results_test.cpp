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

std::string a01(int number, const char* name, double east, double north) {
  char line[160];
  std::snprintf(line, sizeof line, "A01,%d,%s,%.6f,%.6f,50.000,", number, name, north, east);
  return line;
}

std::string simaFile() {
  const char* names[5] = {"BP", "TS", "SC", "CS", "EP"};
  std::string text = "A00,\n";
  for (int i = 0; i < 5; ++i)
    text += a01(i + 1, names[i], double(kRoad.poses[i].x), double(kRoad.poses[i].y)) + "\n";
  text +=
      "A99,\n"                                         // 7
      "F00,3,1,本線,3,\nF03,1000,\n"                    // 8, 9
      "B01,1,BP,\nB01,2,TS,\nC02,60,0,150,\n"          // 10-12
      "B01,3,SC,\nC01,0,150,\nB01,4,CS,\nB01,5,EP,\n"  // 13-16
      "F99,\n"                                         // 17
      "H00,3,縦断,\n"                                   // 18
      "H01,No.0,1000,10.0,10.1,1,\n"                   // 19
      "H01,No.1,1100,10.5,10.6,1,\n"                   // 20
      "H01,TS+10,1210,11.0,11.1,2,\n"                  // 21
      "H01,SC,1224,11.2,11.3,2,\n"                     // 22
      "H01,R,1250,11.4,11.5,2,\n"                      // 23
      "H01,E,1300,11.6,11.7,1,\n"                      // 24
      "H01,EP,1434,11.8,11.9,1,\n"                     // 25
      "H01,OUT,1434.5,12.0,12.1,1,\n"                  // 26
      "H99,\n"                                         // 27
      "I00,3,横断,\n"                                   // 28
      "I01,S1,1215,20.0,20.1,\n"                       // 29
      "I02,L,-5,19.0,\nI02,C,0,20.0,\nI02,R,7.5,21.0,\n"  // 30-32
      "I01,S2,1260,22.0,22.1,\n"                       // 33
      "I02,L,-3,21.5,\nI02,R,3,22.5,\n"                // 34, 35
      "I01,OUT,999,0,0,\n"                             // 36
      "I99,\n";                                        // 37
  return text;
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

  // The expected points: stations and section offsets in file order, centre points last in
  // their section when no offset is 0.
  std::vector<Placed> expected() const {
    std::vector<Placed> out;
    auto add = [&](double station, double offset, double z, const char* name) {
      Placed p{0, 0, z, name, ""};
      atStation(station, offset, p.x, p.y);
      out.push_back(p);
    };
    add(1000, 0, 10.0, "No.0");
    add(1100, 0, 10.5, "No.1");
    add(1210, 0, 11.0, "TS+10");
    add(1224, 0, 11.2, "SC");
    add(1250, 0, 11.4, "R");
    add(1300, 0, 11.6, "E");
    add(1434, 0, 11.8, "EP");
    add(1215, -5, 19.0, "L");
    add(1215, 0, 20.0, "C");
    add(1215, 7.5, 21.0, "R");
    add(1260, -3, 21.5, "L");
    add(1260, 3, 22.5, "R");
    add(1260, 0, 22.0, "S2");
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
