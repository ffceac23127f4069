// Vertical and cross-section results placed along an alignment built in the same run.
#include "route/result_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "command/read_file.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "tests/civil/fresh_document.h"
#include "tests/route/result_points.h"
#include "tests/support/call_table.h"
#include "tests/support/text_rows.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {


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
    for (const auto& p : testing::resultPoints(drawing)) {
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

}  // namespace
}  // namespace kestrel
