#include "ui/sima_result_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/windowing.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::TempDir;

struct LinesCase {
  const char* name;
  SimaResultInputs inputs;
  std::vector<std::string> lines;
};

SimaResultInputs withCounts(int32_t errors, int32_t points, int32_t lots,
                            std::vector<std::string> alignments, int32_t type1, int32_t type4,
                            int32_t type5, int32_t type6, int32_t vertical, int32_t sections) {
  SimaResultInputs in;
  in.errorCount = errors;
  in.drawnPoints = points;
  in.lotPolylines = lots;
  in.alignmentNames = std::move(alignments);
  in.routePolylines[1] = type1;
  in.routePolylines[4] = type4;
  in.routePolylines[5] = type5;
  in.routePolylines[6] = type6;
  in.verticalPoints = vertical;
  in.sectionPoints = sections;
  return in;
}

class ResultLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ResultLines, InOrderWithZeroCountsLeftOut) {
  const LinesCase& c = GetParam();
  SimaResultForm form(c.inputs);
  EXPECT_EQ(form.lines(), c.lines) << c.name;
  EXPECT_EQ(resultLines(c.inputs), c.lines) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultLines,
    ::testing::Values(
        LinesCase{"nothing", withCounts(0, 0, 0, {}, 0, 0, 0, 0, 0, 0), {"エラー無し"}},
        LinesCase{"points only",
                  withCounts(0, 12, 0, {}, 0, 0, 0, 0, 0, 0),
                  {"エラー無し", "座標データから12個のポイントを作成"}},
        LinesCase{"five lots",
                  withCounts(0, 0, 5, {}, 0, 0, 0, 0, 0, 0),
                  {"エラー無し", "画地データから5個のポリラインを作成"}},
        LinesCase{"errors only", withCounts(3, 0, 0, {}, 0, 0, 0, 0, 0, 0), {"3個のエラー"}},
        LinesCase{"everything",
                  withCounts(1, 2, 3, {"本線", "R-2"}, 4, 5, 6, 7, 8, 9),
                  {"1個のエラー", "座標データから2個のポイントを作成",
                   "画地データから3個のポリラインを作成", "平面線形【本線】を作成",
                   "平面線形【R-2】を作成", "路線成果-IP線から4個のポリラインを作成",
                   "路線成果-幅杭線左から5個のポリラインを作成",
                   "路線成果-幅杭線右から6個のポリラインを作成",
                   "路線成果-連続線（直線のみ）から7個のポリラインを作成",
                   "縦断成果から8個のポイントを作成", "横断成果から9個のポイントを作成"}},
        LinesCase{"route types 2, 3 and 7 have no polyline line",
                  [] {
                    SimaResultInputs in = withCounts(0, 0, 0, {}, 0, 0, 0, 0, 0, 0);
                    in.routePolylines[2] = in.routePolylines[3] = in.routePolylines[7] = 4;
                    return in;
                  }(),
                  {"エラー無し"}},
        LinesCase{"only the cross sections",
                  withCounts(0, 0, 0, {}, 0, 0, 0, 0, 0, 11),
                  {"エラー無し", "横断成果から11個のポイントを作成"}},
        LinesCase{"everything in English",
                  [] {
                    SimaResultInputs in = withCounts(1, 2, 3, {"本線"}, 4, 5, 6, 7, 8, 9);
                    in.language = sima::Language::English;
                    return in;
                  }(),
                  {"Errors: 1", "Points made from the coordinate data: 2",
                   "Polylines made from the lot data: 3", "Alignment made: 本線",
                   "Polylines made from the route results (IP lines): 4",
                   "Polylines made from the route results (left width-stake lines): 5",
                   "Polylines made from the route results (right width-stake lines): 6",
                   "Polylines made from the route results (continuous lines, straights only): 7",
                   "Points made from the vertical results: 8",
                   "Points made from the cross-section results: 9"}}));

TEST(SimaResultForm, LogButtonOnlyWithErrors) {
  auto& shell = ovwin::windowing().openedInShell;
  shell.clear();
  SimaResultInputs clean;
  clean.simaPath = "/data/site.sim";
  SimaResultForm noErrors(clean);
  EXPECT_FALSE(noErrors.showLogEnabled());
  EXPECT_FALSE(noErrors.showLog());
  EXPECT_TRUE(shell.empty());

  SimaResultInputs failed = clean;
  failed.errorCount = 2;
  SimaResultForm withErrors(failed);
  EXPECT_TRUE(withErrors.showLogEnabled());
  EXPECT_TRUE(withErrors.showLog());
  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0], "/data/site_Input.log");
  shell.clear();
}

TEST(SimaResultForm, OpeningAppendsTheLinesToTheLog) {
  TempDir dir;
  const std::string sima = dir.write("run.SIM", "A00,\n");
  const std::string log = (dir.path() / "run_Input.log").string();

  SimaResultInputs first = withCounts(0, 2, 0, {}, 0, 0, 0, 0, 0, 0);
  first.simaPath = sima;
  SimaResultForm one(first);
  EXPECT_EQ(one.logPath(), log);
  kestrel::io::Result result;
  ASSERT_TRUE((result = one.open())) << result.message();  // created when missing
  EXPECT_EQ(testing::readBytes(log), "エラー無し\n座標データから2個のポイントを作成\n");

  SimaResultInputs second = withCounts(4, 0, 0, {}, 0, 0, 0, 0, 0, 0);
  second.simaPath = sima;
  SimaResultForm two(second);
  ASSERT_TRUE((result = two.open())) << result.message();  // written at the end
  EXPECT_EQ(testing::readBytes(log),
            "エラー無し\n座標データから2個のポイントを作成\n4個のエラー\n");
}

TEST(SimaResultForm, LogKeepsTheInputsEncoding) {
  TempDir dir;
  SimaResultInputs in;
  in.simaPath = dir.write("cp.sim", "");
  in.logEncoding = io::Encoding::Cp932;
  SimaResultForm form(in);
  ASSERT_TRUE(form.open());
  // "エラー無し" in CP932: エ 83 47, ラ 83 89, ー 81 5B, 無 96 B3, し 82 B5.
  EXPECT_EQ(testing::readBytes((dir.path() / "cp_Input.log").string()),
            "\x83\x47\x83\x89\x81\x5b\x96\xb3\x82\xb5\n");
}

TEST(SimaResultForm, UnwritableLogIsReported) {
  SimaResultInputs in;
  in.simaPath = "/nonexistent-folder-for-kestrel/x.sim";
  SimaResultForm form(in);
  kestrel::io::Result result;
  EXPECT_FALSE((result = form.open()));
  EXPECT_FALSE(result.message().empty());
}

TEST(SimaResultForm, FromRunReadsTheRunsCounters) {
  ImportRun run;
  run.counters.drawnPoints = 6;
  run.counters.lotPolylines = 2;
  run.counters.routePolylinesPerType[4] = 1;
  run.counters.routesPerType[3] = 2;
  run.counters.verticalPoints = 5;
  run.names = {"線形1"};
  run.inputEncoding = io::Encoding::Cp932;
  SimaResultForm form = SimaResultForm::fromRun(run, "/x/y.sim");
  const std::vector<std::string> expected = {"エラー無し",
                                             "座標データから6個のポイントを作成",
                                             "画地データから2個のポリラインを作成",
                                             "平面線形【線形1】を作成",
                                             "路線成果-幅杭線左から1個のポリラインを作成",
                                             "縦断成果から5個のポイントを作成"};
  EXPECT_EQ(form.lines(), expected);
  EXPECT_EQ(form.inputs().routesPerType[3], 2);
  EXPECT_EQ(form.inputs().logEncoding, io::Encoding::Cp932);
  EXPECT_EQ(form.logPath(), "/x/y_Input.log");
}

// A measure that makes widths easy to follow: 10 pixels per byte, tabs 40 when expanded.
int byteWidth(std::string_view text, bool expandTabs) {
  int width = 0;
  for (char c : text) width += (c == '\t' && expandTabs) ? 40 : 10;
  return width;
}

TEST(CHScrollListBox, ExtentFollowsTheWidestLine) {
  CHScrollListBox list(byteWidth);
  EXPECT_EQ(list.horizontalExtent(), 0);
  list.addString("abc");  // 30 + 3
  EXPECT_EQ(list.horizontalExtent(), 33);
  list.addString("a");  // narrower: unchanged
  EXPECT_EQ(list.horizontalExtent(), 33);
  list.insertString(0, "abcdefgh");  // 80 + 3
  EXPECT_EQ(list.horizontalExtent(), 83);
  EXPECT_EQ(list.lines().front(), "abcdefgh");
  EXPECT_EQ(list.deleteString(0), 2);  // recomputed from what is left
  EXPECT_EQ(list.horizontalExtent(), 33);
  EXPECT_EQ(list.deleteString(5), -1);
  list.resetContent();
  EXPECT_EQ(list.horizontalExtent(), 0);
  EXPECT_EQ(list.count(), 0);
}

TEST(CHScrollListBox, TabStopsExpandTabsAndAddTwo) {
  CHScrollListBox tabs(byteWidth, true);
  tabs.addString("a\tb");
  EXPECT_EQ(tabs.horizontalExtent(), 10 + 40 + 10 + 2);
  CHScrollListBox plain(byteWidth, false);
  plain.addString("a\tb");
  EXPECT_EQ(plain.horizontalExtent(), 30 + 3);
}

TEST(CHScrollListBox, FallbackMeasureCountsWideCharactersTwice) {
  EXPECT_EQ(CHScrollListBox::cellWidth("ab", false), 2 * 7);
  EXPECT_EQ(CHScrollListBox::cellWidth("エラー無し", false), 10 * 7);
  EXPECT_EQ(CHScrollListBox::cellWidth("a\tb", true), 9 * 7);       // tab to cell 8, then b
  EXPECT_EQ(CHScrollListBox::cellWidth("\xff\xfe", false), 2 * 7);  // bad bytes: one cell each
}

}  // namespace
}  // namespace kestrel
