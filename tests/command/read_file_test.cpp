#include "command/read_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/drawing/drawing_database.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::TempDir;

constexpr const char* kHeader = "----- VUZI_Zovidazed\xe3\x80\x80Version1.0 -----\n\n";

// Reads a SIMA text into a fresh run with every series selected and a fresh drawing.
class ReadFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ovSetWorkingDatabase(&database_); }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }

  ImportRun& read(const std::string& text, const std::string& name = "t.sim") {
    const std::string path = dir_.write(name, text);
    for (bool& s : run_.selection.selected) s = true;
    EXPECT_EQ(readFile(run_, path, io::EncodingChoice::Auto), 0);
    return run_;
  }

  // The progress lines joined with "\n".
  std::string progress() const {
    std::string out;
    for (const auto& line : run_.log.progressLines()) out += line + "\n";
    return out;
  }

  OvDbDatabase database_;
  TempDir dir_;
  ImportRun run_;
};

TEST_F(ReadFileTest, FileOfOnlyZ00LogsHeaderAndEndLine) {
  read("Z00\n");
  EXPECT_EQ(run_.log.render(), std::string(kHeader) + "00001     読み込み終了\n");
  EXPECT_EQ(run_.pointStore.size(), 0u);
  EXPECT_EQ(run_.log.errorCount(), 0);
}

TEST_F(ReadFileTest, UnreadableFileReturnsMinusOneAndLogsNothing) {
  for (bool& s : run_.selection.selected) s = true;
  EXPECT_EQ(readFile(run_, (dir_.path() / "missing.sim").string(), io::EncodingChoice::Auto), -1);
  EXPECT_TRUE(run_.log.progressLines().empty());
  EXPECT_EQ(readFile(run_, dir_.path().string(), io::EncodingChoice::Auto), -1);
}

TEST_F(ReadFileTest, LinesAreNumberedAcrossBlankAndSkippedLines) {
  read("J00,x,\n\nZ00\nA00,\n\nA01,1,P1,1,2,3,\nA99,\n");
  // The blank line inside the series is rejected without a log entry but still counted.
  EXPECT_EQ(progress(),
            "00004 A00 座標データの読み込み開始\n"
            "00007 A99 座標データの読み込み終了\n"
            "          1点のポイント\n"
            "          0点の2次元ポイント\n\n"
            "00007     読み込み終了\n");
  EXPECT_EQ(run_.log.errorCount(), 0);
}

TEST_F(ReadFileTest, TwoCoordinateSeriesKeepFileOrderAndCheckDuplicatesAcrossSeries) {
  read("A00,\nA01,1,P1,1,2,3,\nA01,1,P1b,4,5,6,\nA99,\n"
       "A00,\nA01,2,P2,7,8,9,\nA01,1,P1c,1,1,1,\nA99,\n");
  ASSERT_EQ(run_.pointStore.size(), 3u);
  EXPECT_EQ(run_.pointStore.points()[0].name, "P1");
  EXPECT_EQ(run_.pointStore.points()[1].name, "P1b");  // repeats within one series pass
  EXPECT_EQ(run_.pointStore.points()[2].name, "P2");
  ASSERT_EQ(run_.log.errors().size(), 1u);
  EXPECT_EQ(run_.log.errors()[0].code, "ErrA002");
  EXPECT_EQ(run_.log.errors()[0].lineNumber, 7);
  EXPECT_EQ(run_.pointStore.find(1)->name, "P1");  // first match
}

// The line counter holds 2^31 - 1 lines; the limit is lowered here to reach it with a short file.
TEST_F(ReadFileTest, AFileLongerThanTheCounterIsReadUpToItsLimitAndSaysSo) {
  for (const auto& [text, stopped] : {std::pair{"A00,\nA01,1,P1,1,2,3,\nA99,\n", false},
                                      std::pair{"A00,\nA01,1,P1,1,2,3,\nA99,\nA00,\nA99,\n", true}}) {
    run_.lineLimit = 3;
    read(text);
    EXPECT_EQ(run_.stoppedAtLineLimit, stopped) << text;
    EXPECT_EQ(run_.lineCounter, 3) << text;
    const auto& lines = run_.log.progressLines();
    EXPECT_EQ(lines[lines.size() - 1], "00003     読み込み終了");
  }
}

TEST_F(ReadFileTest, LowerCaseCodesStartNoSeries) {
  read("a00,\nA01,1,P1,1,2,3,\nA99,\n");
  EXPECT_EQ(run_.pointStore.size(), 0u);
  EXPECT_EQ(progress(), "00003     読み込み終了\n");
}

TEST_F(ReadFileTest, ElementSectionBetweenSeriesProducesNothing) {
  read("A00,\nA01,1,P1,1,2,3,\nA99,\nC00,x,\nC01,1,2,\nC99,\nA00,\nA01,2,P2,1,2,3,\nA99,\n");
  EXPECT_EQ(run_.pointStore.size(), 2u);
  EXPECT_EQ(run_.log.progressLines().size(), 2u * 4u + 1u);
  EXPECT_EQ(run_.log.errorCount(), 0);
}

TEST_F(ReadFileTest, A99WithoutCommaStillClosesItsSeries) {
  read("A00,\nA01,1,P1,1,2,3,\nA99\nD00,1,L,1,\nB01,1,P1,\nD99,\n");
  ASSERT_EQ(run_.log.errors().size(), 1u);
  EXPECT_EQ(run_.log.errors()[0].code, "ErrX001");
  EXPECT_EQ(run_.log.errors()[0].lineNumber, 3);
  EXPECT_EQ(run_.lots.size(), 1u);  // the lot after it is read as a lot
}

TEST_F(ReadFileTest, SeriesCutOffByTheEndOfTheFileKeepWhatTheyRead) {
  read("A00,\nA01,1,P1,1,2,3,\nA01,2,P2,4,5,6,\nD00,7,L7,2,\nB01,1,P1,\nB01,2,P2,\n");
  // D00 inside the A series is a rejected line: the A series runs to the end of the file.
  EXPECT_EQ(run_.pointStore.size(), 2u);
  EXPECT_EQ(run_.lots.size(), 0u);
  ImportRun second;
  for (bool& s : second.selection.selected) s = true;
  const std::string path = dir_.write("lot.sim", "A00,\nA01,1,P1,1,2,3,\nA01,2,P2,4,5,6,\nA99,\n"
                                                 "D00,7,L7,2,\nB01,1,P1,\nB01,2,P2,\n");
  ASSERT_EQ(readFile(second, path, io::EncodingChoice::Auto), 0);
  ASSERT_EQ(second.lots.size(), 1u);
  EXPECT_EQ(second.lots[0].vertices.size(), 2u);
  EXPECT_FALSE(second.lots[0].closed);
  EXPECT_EQ(second.log.progressLines()[5], "00007 D99 画地データの読み込み終了");
}

TEST_F(ReadFileTest, LotWithMissingPointFailsAndConsumesToD99) {
  read("A00,\nA01,1,P1,1,2,3,\nA99,\nD00,5,L5,1,\nB01,1,P1,\nB01,9,P9,\nB01,1,P1,\nD99,\n"
       "D00,6,L6, 1 ,\nB01,1,P1,\nD99,\n");
  ASSERT_EQ(run_.lots.size(), 1u);
  EXPECT_EQ(run_.lots[0].number, 6);
  EXPECT_TRUE(run_.lots[0].closed);  // " 1 " is trimmed by the reader...
  ASSERT_EQ(run_.log.errors().size(), 2u);
  EXPECT_EQ(run_.log.errors()[0].code, "");
  EXPECT_EQ(run_.log.errorLines()[1], "参照する座標が見つかりません。");
  EXPECT_EQ(run_.log.errorLines()[2], "00006 B01,9,P9,");
  EXPECT_EQ(run_.log.errors()[1].code, "ErrD00-2");  // ...though the choice check wants it exact
}

TEST_F(ReadFileTest, RouteSectionBecomesElements) {
  read("A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,100,2,\nA01,3,P3,50,150,3,\nA01,4,P4,100,200,4,\nA99,\n"
       "F00,9,1,本線,3,\nF03,1200,\nB01,1,P1,\nB01,2,P2,\nC01,0,-150,\nB01,3,P3,\nB01,4,P4,\nF99,\n",
       "road.sim");
  ASSERT_EQ(run_.routes.size(), 1u);
  const SimaAlignment& route = run_.routes[0];
  EXPECT_EQ(route.routeNumber, 9);
  EXPECT_EQ(route.routeType, 3);
  EXPECT_DOUBLE_EQ(route.startStation, 1200.0);
  EXPECT_EQ(route.routeTitle, "road-本線");
  ASSERT_EQ(route.elements.size(), 4u);
  const char* types[] = {"S", "R", "S", "S"};
  for (long i = 0; i < 4; ++i) EXPECT_EQ(route.elements[i].Type, types[i]) << i;
  EXPECT_EQ(route.elements[1].Radius, "-150");
  EXPECT_EQ(route.elements[1].Rotation, "L");
  EXPECT_EQ(route.elements[1].StartPointX, "100.000000000000");  // drawing x is the easting
  EXPECT_EQ(route.elements[1].StartPointY, "0.000000000000");
  EXPECT_EQ(route.elements[1].EndPointX, "150.000000000000");
  EXPECT_EQ(route.elements[0].Pitch, 100.0);
  EXPECT_EQ(route.elements[3].EndPointX, "");  // the open straight the last point started
}

TEST_F(ReadFileTest, ClothoidLineFillsParameterAndRotation) {
  read("A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,100,2,\nA99,\n"
       "F00,1,1,R,3,\nB01,1,P1,\nC02,60,0,　-150,\nB01,2,P2,\nF99,\n");
  const EntityData& clothoid = run_.routes[0].elements[0];
  EXPECT_EQ(clothoid.Type, "A");
  EXPECT_EQ(clothoid.ParameterA, "60");
  EXPECT_EQ(clothoid.RadiusStart, "0");
  EXPECT_EQ(clothoid.RadiusEnd, "-150");
  EXPECT_EQ(clothoid.Rotation, "L");
}

TEST_F(ReadFileTest, RouteWithMissingPointFailsAtF99AndCurvesInStraightRoutesAreRefused) {
  read("A00,\nA01,1,P1,0,0,1,\nA01,2,P2,0,100,2,\nA99,\n"
       "F00,1,1,W,4,\nB01,1,P1,\nC01,0,100,\nC00,block,\nC04,x,\nC99,\nB01,2,P2,\nF99,\n"
       "F00,2,1,M,2,\nB01,1,P1,\nB01,8,P8,\nB01,2,P2,\nF99,\n");
  ASSERT_EQ(run_.routes.size(), 1u);  // the failed route is not kept
  EXPECT_EQ(run_.routes[0].elements.size(), 2u);
  ASSERT_EQ(run_.log.errors().size(), 2u);
  EXPECT_EQ(run_.log.errors()[0].code, "ErrF002");
  EXPECT_EQ(run_.log.errors()[0].lineNumber, 7);
  EXPECT_EQ(run_.log.errors()[1].code, "");
  EXPECT_EQ(run_.log.errors()[1].lineNumber, 15);
  EXPECT_EQ(run_.counters.routesPerType[4], 1);
  EXPECT_EQ(run_.counters.routesPerType[2], 1);
}

// The same points, in the same order and field by field.
template <typename Points>
void expectSamePoints(const Points& a, const Points& b) {
  ASSERT_EQ(a.size(), b.size());
  for (long i = 0; i < static_cast<long>(a.size()); ++i) {
    SCOPED_TRACE(a[i].name);
    EXPECT_EQ(a[i].number, b[i].number);
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].north, b[i].north);
    EXPECT_EQ(a[i].east, b[i].east);
    EXPECT_EQ(a[i].elevation, b[i].elevation);
  }
}

// Real samples padded with blanks in fixed-width fields give the records and the log of their
// unpadded partners, without an error.
TEST_F(ReadFileTest, PaddedFieldsGiveTheSameRecordsAsUnpadded) {
  const std::string samples = std::string(KESTREL_SOURCE_DIR) + "/tests/sima/samples/";
  for (const char* base : {"test-pointObject_simasplited", "test-polygonGeoJSON_simaObj"}) {
    SCOPED_TRACE(base);
    ImportRun plain;
    ImportRun padded;
    for (bool& s : plain.selection.selected) s = true;
    padded.selection = plain.selection;
    ASSERT_EQ(readFile(plain, samples + base + ".sim", io::EncodingChoice::Auto), 0);
    ASSERT_EQ(readFile(padded, samples + base + "Spaced.sim", io::EncodingChoice::Auto), 0);
    EXPECT_EQ(padded.inputEncoding, io::Encoding::Utf8);
    ASSERT_GT(plain.pointStore.size(), 0u);
    expectSamePoints(plain.pointStore.points(), padded.pointStore.points());
    ASSERT_EQ(plain.lots.size(), padded.lots.size());
    ASSERT_GT(plain.lots.size(), 0u);
    for (long i = 0; i < static_cast<long>(plain.lots.size()); ++i) {
      EXPECT_EQ(plain.lots[i].number, padded.lots[i].number);
      EXPECT_EQ(plain.lots[i].name, padded.lots[i].name);
      EXPECT_EQ(plain.lots[i].closed, padded.lots[i].closed);
      expectSamePoints(plain.lots[i].vertices, padded.lots[i].vertices);
    }
    EXPECT_EQ(plain.log.render(), padded.log.render());
    EXPECT_EQ(padded.log.errorCount(), 0);
  }
}

TEST_F(ReadFileTest, Cp932AndUtf8FormsOfTheExampleGiveTheSameRecords) {
  const std::string examples = std::string(KESTREL_SOURCE_DIR) + "/examples/";
  ImportRun cp932;
  ImportRun utf8;
  for (bool& s : cp932.selection.selected) s = true;
  utf8.selection = cp932.selection;
  ASSERT_EQ(readFile(cp932, examples + "road.sim", io::EncodingChoice::Auto), 0);
  ASSERT_EQ(readFile(utf8, examples + "road.utf8.sim", io::EncodingChoice::Auto), 0);
  EXPECT_EQ(cp932.inputEncoding, io::Encoding::Cp932);
  EXPECT_EQ(utf8.inputEncoding, io::Encoding::Utf8);
  expectSamePoints(cp932.pointStore.points(), utf8.pointStore.points());
  ASSERT_EQ(cp932.lots.size(), utf8.lots.size());
  EXPECT_EQ(cp932.lots[0].name, "画地1");
  ASSERT_EQ(cp932.routes.size(), utf8.routes.size());
  EXPECT_EQ(cp932.routes[2].routeName, "中心線");
  EXPECT_EQ(cp932.log.render(), utf8.log.render());
}

TEST(FileTitle, DropsFolderAndExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"/data/road.sim", "road"}, {"C:\\data\\road.sim", "road"}, {"/data/roadfile", "roadfile"},
      {"road.v2.sim", "road.v2"}, {"plain", "plain"}};
  for (const auto& [path, title] : cases) EXPECT_EQ(fileTitleOf(path), title) << path;
}

TEST(PreScan, CountsWithoutLogging) {
  TempDir dir;
  ImportRun run;
  const std::string path = dir.write(
      "p.sim", "A00,\nA01,1,P1,0,0,1,\nA01,2,P2,x,0,\nA99,\nD00,1,L,1,\nB01,1,P1,\nD99,\n"
               "F00,3,1,C,3,\nB01,1,P1,\nF99,\nH00,3,h,\nH01,a,0,1,1,1,\nH01,b,10,1,1,1,\nH99,\n"
               "H00,8,h,\nH01,c,0,1,1,1,\nH99,\n");
  ASSERT_EQ(preScanFile(run, path, io::EncodingChoice::Auto), 0);
  EXPECT_EQ(run.preScanCounts.pointsWithElevation, 1);  // no check rejects the bad X here
  EXPECT_TRUE(run.pointStore.contains(2));
  EXPECT_EQ(run.preScanCounts.lots, 1);
  EXPECT_EQ(run.preScanCounts.stations, 3);
  EXPECT_EQ(run.counters.routesPerType[3], 1);
  ASSERT_EQ(run.verticalSeries.size(), 2u);
  EXPECT_TRUE(run.verticalSeries[0].found);
  EXPECT_FALSE(run.verticalSeries[1].found);
  EXPECT_TRUE(run.log.progressLines().empty());
  EXPECT_EQ(run.log.errorCount(), 0);
  // A tolerant reading counts an elevation word (here also in a line one field short) as none.
  const std::string words = dir.write("w.sim", "A00,\nA01,1,P1,0,0,NaN,\nA01,2,P2,0,0,null\nA99,\n");
  for (const bool tolerant : {false, true}) {
    ImportRun scan;
    scan.tolerant = tolerant;
    ASSERT_EQ(preScanFile(scan, words, io::EncodingChoice::Auto), 0);
    EXPECT_EQ(scan.preScanCounts.pointsWithElevation, tolerant ? 0 : 2) << tolerant;
  }
}

}  // namespace
}  // namespace kestrel
