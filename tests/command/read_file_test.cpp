#include "command/read_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/drawing/drawing_database.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::TempDir;

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

  OvDbDatabase database_;
  TempDir dir_;
  ImportRun run_;
};

TEST_F(ReadFileTest, UnreadableFileReturnsMinusOneAndLogsNothing) {
  for (bool& s : run_.selection.selected) s = true;
  EXPECT_EQ(readFile(run_, (dir_.path() / "missing.sim").string(), io::EncodingChoice::Auto), -1);
  EXPECT_TRUE(run_.log.progressLines().empty());
  EXPECT_EQ(readFile(run_, dir_.path().string(), io::EncodingChoice::Auto), -1);
}

// A run's records and its log as text: what the golden files of cases/read_file hold.
std::string recordsAndLog(const ImportRun& run) {
  std::ostringstream out;
  out.precision(17);
  for (long i = 0; i < static_cast<long>(run.pointStore.size()); ++i) {
    const SimaPoint& p = run.pointStore.points()[i];
    out << "point " << p.number << " " << p.name << " " << p.north << " " << p.east << " "
        << p.elevation << (p.hasElevation ? "\n" : " (none)\n");
  }
  for (const LotData& lot : run.lots) {
    out << "lot " << lot.number << " " << lot.name << (lot.closed ? " closed:" : " open:");
    for (const SimaPoint& v : lot.vertices) out << " " << v.number << " " << v.name;
    out << "\n";
  }
  for (const SimaAlignment& route : run.routes) {
    out << "route " << route.routeNumber << " type " << route.routeType << " " << route.routeTitle
        << " from " << route.startStation << "\n";
    for (const EntityData& e : route.elements)
      out << "  " << e.Type << " " << e.Name << ">" << e.NextName << " at " << e.Station << " from "
          << e.StartPointX << "," << e.StartPointY << " to " << e.EndPointX << "," << e.EndPointY
          << " length " << e.Length << " pitch " << e.Pitch << " radius " << e.Radius << " "
          << e.RadiusStart << ">" << e.RadiusEnd << " A " << e.ParameterA << " " << e.Rotation << "\n";
  }
  out << "routes per type";
  for (int type = 1; type <= 7; ++type) out << " " << run.counters.routesPerType[type];
  out << "\n" << run.log.errorCount() << " errors\n" << run.log.render();
  return out.str();
}

// What a pre-scan of the file counts, strictly and tolerantly; it checks and logs nothing.
std::string preScanOf(const std::string& path) {
  std::ostringstream out;
  for (const bool tolerant : {false, true}) {
    ImportRun scan;
    scan.tolerant = tolerant;
    EXPECT_EQ(preScanFile(scan, path, io::EncodingChoice::Auto), 0);
    const PreScanCounts& counts = scan.preScanCounts;
    out << (tolerant ? "tolerant scan:" : "scan:") << " elevations " << counts.pointsWithElevation
        << " lots " << counts.lots << " stations " << counts.stations << " sections "
        << counts.sections << " knows points";
    for (int32_t number = 1; number <= 9; ++number)
      if (scan.pointStore.contains(number)) out << " " << number;
    out << " routes per type";
    for (int type = 1; type <= 7; ++type) out << " " << scan.counters.routesPerType[type];
    out << " vertical series found";
    for (const HSeriesData& series : scan.verticalSeries) out << " " << series.found;
    out << " log " << scan.log.progressLines().size() << " " << scan.log.errorCount() << "\n";
  }
  return out.str();
}

// Each SIMA file of cases/read_file gives the records, log and pre-scan counts of its .expected
// file, rewritten when KESTREL_UPDATE_GOLDEN is set.
TEST(ReadFile, FilesGiveTheirGoldenRecordsAndLog) {
  const std::filesystem::path folder =
      std::filesystem::path(KESTREL_SOURCE_DIR) / "tests/command/cases/read_file";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".sim") continue;
    SCOPED_TRACE(entry.path().string());
    ++files;
    OvDbDatabase drawing;
    ovSetWorkingDatabase(&drawing);
    ImportRun run;
    for (bool& s : run.selection.selected) s = true;
    ASSERT_EQ(readFile(run, entry.path().string(), io::EncodingChoice::Auto), 0);
    ovSetWorkingDatabase(nullptr);
    const std::string golden = std::filesystem::path(entry.path()).replace_extension(".expected");
    if (std::getenv("KESTREL_UPDATE_GOLDEN") != nullptr)
      std::ofstream(golden, std::ios::binary) << recordsAndLog(run) << preScanOf(entry.path());
    else
      EXPECT_EQ(recordsAndLog(run) + preScanOf(entry.path()), testing::readBytes(golden));
  }
  EXPECT_GE(files, 14);
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

}  // namespace
}  // namespace kestrel
