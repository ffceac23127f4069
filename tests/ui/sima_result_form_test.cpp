#include "ui/sima_result_form.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "io/text_encoding.h"
#include "platform/runtime/windowing.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/case_fields.h"

namespace kestrel {
namespace {

using testing::inputsOf;
using testing::resultCases;
using testing::TempDir;

TEST(SimaResultForm, LinesOfTheCaseTable) {
  for (const auto& [row, lines] : resultCases())
    EXPECT_EQ(SimaResultForm(inputsOf(row)).lines(), lines) << row.where << " " << row[1];
}

TEST(SimaResultForm, LogButtonOnlyWithErrors) {
  auto& shell = ovwin::windowing().openedInShell;
  shell.clear();
  SimaResultInputs in;
  in.simaPath = "/data/site.sim";
  for (int errors : {0, 1, 2}) {
    in.errorCount = errors;
    SimaResultForm form(in);
    EXPECT_EQ(form.showLogEnabled() + form.showLog(), errors > 0 ? 2 : 0);
    EXPECT_EQ(shell, std::vector<std::string>(errors > 0, "/data/site_Input.log"));
    shell.clear();
  }
}

// Opening appends the lines to the log beside the input, in the log's encoding; a log that cannot
// be written is reported.
TEST(SimaResultForm, OpeningAppendsTheLinesToTheLog) {
  TempDir dir;
  SimaResultInputs in;
  in.simaPath = dir.write("run.SIM", "A00,\n");
  in.logEncoding = io::Encoding::Cp932;
  in.errorCount = 4;
  in.drawnPoints = 2;
  dir.write("run_Input.log", "before\n");
  io::Result result;
  ASSERT_TRUE((result = SimaResultForm(in).open())) << result.message();
  EXPECT_EQ(testing::readBytes((dir.path() / "run_Input.log").string()),
            "before\n" + io::encode("4個のエラー\n座標データから2個のポイントを作成\n",
                                    io::Encoding::Cp932));
  in.simaPath = "/nonexistent-folder-for-kestrel/x.sim";
  EXPECT_FALSE((result = SimaResultForm(in).open()));
  EXPECT_FALSE(result.message().empty());
}

TEST(SimaResultForm, FromRunReadsTheRunsCounters) {
  ImportRun run;
  run.counters.drawnPoints = 6;
  run.counters.lotPolylines = 2;
  run.counters.routePolylinesPerType[4] = 1;
  run.counters.routesPerType[3] = 2;
  run.counters.verticalPoints = 5;
  run.counters.sectionPoints = 3;
  run.names = {"線形1"};
  run.inputEncoding = io::Encoding::Cp932;
  SimaResultForm form = SimaResultForm::fromRun(run, "/x/y.sim");
  EXPECT_EQ(form.lines(), resultCases().back().second) << "the last case of the table";
  EXPECT_EQ(std::tuple(form.inputs().routesPerType[3], form.inputs().inputEncoding,
                       form.inputs().logEncoding, form.logPath()),
            std::tuple(2, io::Encoding::Cp932, io::Encoding::Cp932, "/x/y_Input.log"));
}

// A measure that makes widths easy to follow: 10 pixels per byte, tabs 40 when expanded.
int byteWidth(std::string_view text, bool expandTabs) {
  int width = 0;
  for (char c : text) width += (c == '\t' && expandTabs) ? 40 : 10;
  return width;
}

// Runs cases/scroll_list.txt (its heads say what the rows mean).
TEST(CHScrollListBox, Cases) {
  std::optional<CHScrollListBox> list;
  int answer = 0;
  for (const auto& row : testing::textRows("ui/cases/scroll_list.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] == "case") list.emplace(byteWidth, row[1] == "yes");
    if (row[0] == "cell") {
      EXPECT_EQ(CHScrollListBox::cellWidth(row[1], row[2] == "yes"), std::stoi(row[3]));
    }
    if (row[0] == "do" && row[1] == "add") answer = list->addString(row[2]);
    if (row[0] == "do" && row[1] == "insert")
      answer = list->insertString(std::stoi(row[2]), row[3]);
    if (row[0] == "do" && row[1] == "delete") answer = list->deleteString(std::stoi(row[2]));
    if (row[0] == "do" && row[1] == "reset") list->resetContent();
    if (row[0] != "expect") continue;
    std::string lines;
    for (const auto& line : list->lines()) lines += (lines.empty() ? "" : " ") + line;
    EXPECT_EQ(std::to_string(list->horizontalExtent()) + "|" + std::to_string(list->count()) + "|" +
                  lines + "|" + (row[4] == "-" ? "-" : std::to_string(answer)),
              row[1] + "|" + row[2] + "|" + row[3] + "|" + row[4]);
  }
  // The result form's list has no measure: "エラー無し" is its widest line.
  EXPECT_EQ(SimaResultForm(SimaResultInputs{}).list().horizontalExtent(), 10 * 7 + 3);
}

}  // namespace
}  // namespace kestrel
