#include "command/read_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/drawing/drawing_database.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

using testing::TempDir;

// Reads a file with every series selected into a fresh drawing; what readFile returned in `status`.
ImportRun readAll(const std::string& path, int32_t lineLimit = INT32_MAX, int* status = nullptr) {
  OvDbDatabase drawing;
  ovSetWorkingDatabase(&drawing);
  ImportRun run;
  for (bool& s : run.selection.selected) s = true;
  run.lineLimit = lineLimit;
  const int result = readFile(run, path, io::EncodingChoice::Auto);
  if (status != nullptr) *status = result;
  else EXPECT_EQ(result, 0) << path;
  ovSetWorkingDatabase(nullptr);
  return run;
}

// A missing file or a folder: -1 and nothing logged. The line counter holds 2^31 - 1 lines; the
// limit is lowered here to reach it with a short file.
TEST(ReadFile, UnreadableFilesAndTheLineCountersLimit) {
  TempDir dir;
  for (const auto& path : {(dir.path() / "missing.sim").string(), dir.path().string()}) {
    int status = 0;
    EXPECT_TRUE(readAll(path, INT32_MAX, &status).log.progressLines().empty());
    EXPECT_EQ(status, -1) << path;
  }
  for (const auto& [text, stopped] : {std::pair{"A00,\nA01,1,P1,1,2,3,\nA99,\n", false},
                                      std::pair{"A00,\nA01,1,P1,1,2,3,\nA99,\nA00,\nA99,\n", true}}) {
    const ImportRun run = readAll(dir.write("t.sim", text), 3);
    EXPECT_EQ(run.stoppedAtLineLimit, stopped) << text;
    EXPECT_EQ(run.lineCounter, 3) << text;
    const auto& lines = run.log.progressLines();
    EXPECT_EQ(lines[lines.size() - 1], "00003     読み込み終了");
  }
}

// A run's records and its log as text: what the golden files of cases/read_file hold.
std::string recordsAndLog(const ImportRun& run) {
  std::ostringstream out;
  out.precision(17);
  for (long i = 0; i < static_cast<long>(run.pointStore.size()); ++i) {
    const SimaPoint p = run.pointStore.at(static_cast<std::size_t>(i));
    out << "point " << p.number << " " << p.name << " " << p.north << " " << p.east << " "
        << p.elevation << (p.hasElevation ? "\n" : " (none)\n");
  }
  for (const LotData& lot : run.lots) {
    out << "lot " << lot.number << " " << lot.name << (lot.closed ? " closed:" : " open:");
    for (const uint32_t at : lot.vertices) {
      const SimaPoint v = run.pointStore.at(at);
      out << " " << v.number << " " << v.name;
    }
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
    const ImportRun run = readAll(entry.path());
    const std::string golden = std::filesystem::path(entry.path()).replace_extension(".expected");
    if (std::getenv("KESTREL_UPDATE_GOLDEN") != nullptr)
      std::ofstream(golden, std::ios::binary) << recordsAndLog(run) << preScanOf(entry.path());
    else
      EXPECT_EQ(recordsAndLog(run) + preScanOf(entry.path()), testing::readBytes(golden));
  }
  EXPECT_GE(files, 14);
}

// Two forms of one file (cases/two_forms.txt), real samples and their copies padded with blanks
// in fixed-width fields, and the CP932 example and its UTF-8 copy, give the same records and log.
// Each is read under the first's name, which route titles carry.
TEST(ReadFile, TwoFormsOfOneFileGiveTheSameRecordsAndLog) {
  TempDir dir;
  for (const auto& row : testing::textRows("command/cases/two_forms.txt")) {
    SCOPED_TRACE(row.where);
    std::string records[2];
    for (const int form : {0, 1}) {
      std::filesystem::create_directories(dir.path() / std::to_string(form));
      const std::string bytes = testing::readBytes(KESTREL_SOURCE_DIR "/" + row[form]);
      const ImportRun run = readAll(dir.write(std::to_string(form) + "/form.sim", bytes));
      const bool utf8 = form == 1 || row[2] == "utf-8";
      EXPECT_EQ(run.inputEncoding, utf8 ? io::Encoding::Utf8 : io::Encoding::Cp932);
      EXPECT_EQ(run.log.errorCount(), std::stoi(row[3]));
      EXPECT_GT(run.pointStore.size(), 0u);
      EXPECT_GT(run.lots.size(), 0u);
      records[form] = recordsAndLog(run);
    }
    EXPECT_EQ(records[0], records[1]);
  }
}

// Points and lots are drawn on a thread of their own while reading goes on: lots before a long
// point series (several blocks of the store) are drawn from the points they name, and every
// entity comes in file order, as a drawing made line by line has them.
TEST(ReadFile, LotsBeforeLaterPointSeriesAreDrawnFromTheirPointsInFileOrder) {
  TempDir dir;
  std::string text;
  // Points per A series and lots of the D series after it: the first lots are many enough to be
  // handed to the drawing thread before the next points come.
  const std::pair<int, int> series[] = {{10, 1500}, {9000, 40}};
  int number = 0;
  std::vector<OvDbEntityKind> kinds;
  std::vector<std::vector<int>> lotPoints;
  for (const auto& [count, lots] : series) {
    text += "A00,\n";
    const int first = number + 1;
    for (int i = 0; i < count; ++i, ++number) {
      text += "A01," + std::to_string(number + 1) + ",P," + std::to_string((number + 1) * 1.5) +
              "," + std::to_string((number + 1) * 2.25 + 0.5) + ",1,\n";
      kinds.push_back(OvDbEntityKind::Point);
    }
    text += "A99,\n";
    for (int lot = 0; lot < lots; ++lot) {
      std::vector<int> vertices;
      text += "D00,1,L,1,\n";
      for (int k = 0; k < 3; ++k) {
        vertices.push_back(first + (lot * 7 + k * 3) % count);
        text += "B01," + std::to_string(vertices.back()) + ",P,\n";
      }
      text += "D99,\n";
      lotPoints.push_back(vertices);
      kinds.push_back(OvDbEntityKind::Polyline);
    }
  }
  OvDbDatabase drawing;
  ovSetWorkingDatabase(&drawing);
  ImportRun run;
  for (bool& s : run.selection.selected) s = true;
  ASSERT_EQ(readFile(run, dir.write("mixed.sim", text), io::EncodingChoice::Auto), 0);
  ovSetWorkingDatabase(nullptr);
  ASSERT_EQ(drawing.entityCount(), kinds.size());
  std::size_t lot = 0;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    ASSERT_EQ(drawing.kindAt(i), kinds[i]) << i;
    if (kinds[i] != OvDbEntityKind::Polyline) continue;
    const OvDbStoredEntity entity = drawing.storedEntity(i);
    ASSERT_EQ(entity.vertices.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(entity.vertices[k].x, lotPoints[lot][k] * 2.25 + 0.5) << i;
      EXPECT_EQ(entity.vertices[k].y, lotPoints[lot][k] * 1.5) << i;
    }
    ++lot;
  }
  EXPECT_EQ(run.counters.drawnPoints, 9010);
  EXPECT_EQ(run.counters.lotPolylines, 1540);
}

// A file's title drops its folder and extension; the run's file name, the folder alone.
TEST(FileTitle, DropsFolderAndExtension) {
  const std::tuple<const char*, const char*, const char*> cases[] = {  // path, title, file name
      {"/data/road.sim", "road", "road.sim"}, {"C:\\data\\road.sim", "road", "road.sim"},
      {"/data/roadfile", "roadfile", "roadfile"}, {"road.v2.sim", "road.v2", "road.v2.sim"},
      {"plain", "plain", "plain"}};
  for (const auto& [path, title, name] : cases) {
    EXPECT_EQ(fileTitleOf(path), title) << path;
    ImportRun run;
    run.filePath = path;
    EXPECT_EQ(run.fileName(), name) << path;
  }
}

}  // namespace
}  // namespace kestrel
