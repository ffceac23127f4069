#include "ui/dialog_views.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/case_fields.h"
#include "ui/kestrel_form.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {
namespace {

using Outcome = module::DialogOutcome;

// Pre-scan double: two points with elevation, one lot and one type 1 route in every file.
int fakePreScan(ImportRun& run, const std::string& path) {
  if (!std::filesystem::exists(path)) return -1;
  run.preScanCounts.pointsWithElevation = 2;
  run.preScanCounts.lots = 1;
  run.counters.routesPerType[1] = 1;
  return 0;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : " / ") + part;
  return text.empty() ? "-" : text;
}

class ScriptedViewsTest : public ::testing::Test {
 protected:
  void reset() {
    windowing_ = {};
    conversation_ = {};
    views_ = makeScriptedViews(windowing_, conversation_);
  }
  KestrelForm form(ImportSettings stored = {}) {
    return KestrelForm(std::move(stored), {"サイト", "第二"}, {"0", "点", "画地"}, fakePreScan,
                       *views_, sima::Language::Japanese);
  }

  testing::TempDir dir_;
  ovwin::WindowingSystem windowing_;
  module::Conversation conversation_;
  std::unique_ptr<DialogViews> views_ = makeScriptedViews(windowing_, conversation_);
};

TEST_F(ScriptedViewsTest, ConversationsOfTheCaseTable) {
  const char* outcomes[] = {"NotRun",        "SiteListFailed", "PathRejected", "NothingToImport",
                            "ShiftRejected", "Cancelled",      "Imported"};
  for (const auto& row :
       testing::textRows("ui/cases/scripted_dialogs.txt")) {
    SCOPED_TRACE(row.where);
    reset();
    std::vector<std::string> notices;
    if (row[0] == "alignment") {
      std::map<std::string, int32_t> alignments;
      for (const auto& pair : testing::split(row[1]))
        alignments[pair.substr(0, pair.find(':'))] = std::stoi(pair.substr(pair.find(':') + 1));
      if (row[2] != "-") conversation_.script.alignmentName = row[2];
      SelectAlignmentForm selection(alignments);
      EXPECT_EQ(views_->showAlignmentSelection(selection), std::stoi(row[3]));
      EXPECT_EQ(selection.chosenId(), std::stoi(row[4]));
      if (row[5] != "-") notices.push_back(row[5]);
      EXPECT_EQ(windowing_.notices, notices);
      continue;
    }
    module::DialogScript& script = conversation_.script;
    for (const auto& step : testing::split(row[1], ';')) {
      const std::string key = step.substr(0, step.find('=')),
                        value = step.substr(step.find('=') + 1);
      if (key == "file") dir_.write(value, "Z00\n");
      if (key == "file" || key == "path") script.filePath = (dir_.path() / value).string();
      if (key == "series") script.series = testing::split(value, ',');
      if (key == "site") script.siteName = value;
      if (key.starts_with("layer")) script.layers[std::stoi(key.substr(5))] = value;
      if (key == "shift") script.shiftDistance = value;
      script.cancelImportDialog = script.cancelImportDialog || key == "cancel";
    }
    KestrelForm dialog = form();
    EXPECT_EQ(views_->showImportDialog(dialog), row[2] == "yes");
    EXPECT_EQ(outcomes[static_cast<int>(conversation_.outcome)], row[3]);
    EXPECT_TRUE(dialog.closed());
    const ImportSettings& s = dialog.settings();
    EXPECT_EQ(dialog.sites()[static_cast<std::size_t>(dialog.selectedSiteIndex())], row[4]);
    if (row[2] == "yes") {
      EXPECT_EQ(s.siteName, row[4]);
      EXPECT_EQ(s.filePath, script.filePath);
    }
    std::string ticked;
    for (const auto& item : dialog.treeItems())
      if (s.selection.selected[item.entry])
        ticked += (ticked.empty() ? "" : " ") + testing::seriesKey(item.entry);
    EXPECT_EQ(ticked.empty() ? "-" : ticked, row[5]);
    EXPECT_EQ(testing::split(row[6]),
              std::vector<std::string>(s.layers, s.layers + kLayerCount));
    EXPECT_DOUBLE_EQ(s.shiftDistance, std::stod(row[7]));
    std::vector<std::string> boxes;
    for (const auto& box : windowing_.messageBoxes) boxes.push_back(box.text);
    EXPECT_EQ(joined(boxes), row[8]);
    EXPECT_EQ(joined(windowing_.notices), row[9]);
  }
}

TEST_F(ScriptedViewsTest, SameUnchangedFileIsNotBrowsedAgain) {
  conversation_.script.filePath = dir_.write("survey.sim", "Z00\n");
  KestrelForm first = form();
  ASSERT_TRUE(views_->showImportDialog(first));
  EXPECT_EQ(first.preScanCount(), 1);
  KestrelForm second = form(first.settings());
  ASSERT_TRUE(views_->showImportDialog(second));
  EXPECT_EQ(second.preScanCount(), 0);
}

TEST_F(ScriptedViewsTest, ResultGoesToTheReportAndTheLog) {
  SimaResultInputs in;
  for (const auto& [row, lines] : testing::resultCases())
    if (row[1] == "everything") in = testing::inputsOf(row);
  in.simaPath = dir_.write("result.sim", "Z00\n");
  in.routesPerType[5] = 4;
  in.logEncoding = io::Encoding::Cp932;
  in.errors.push_back({"ErrA01-2", 101, "msg", 7, "A01,x"});
  in.errors.push_back({"", 138, "missing", 9, "D01,1"});
  in.errors.push_back({"", 139, "other", 10, "F01,1"});
  SimaResultForm result(in);
  views_->showResult(result);
  const module::RunReport& r = conversation_.report;
  EXPECT_EQ(conversation_.outcome, Outcome::Imported);
  EXPECT_EQ(r.resultLines, result.lines());
  EXPECT_EQ((std::vector<int>{r.errorCount, r.drawnPoints, r.lotPolylines, r.routePolylines[5],
                              r.routesPerType[5], r.verticalPoints, r.sectionPoints}),
            (std::vector<int>{in.errorCount, in.drawnPoints, in.lotPolylines, in.routePolylines[5],
                              4, in.verticalPoints, in.sectionPoints}));
  EXPECT_EQ(r.alignments, in.alignmentNames);
  // A missing point gets its code here: the log has none for it.
  std::string errors;
  for (const auto& error : r.errors)
    errors += error.code + " " + std::to_string(error.lineNumber) + " " + error.lineText + "|";
  EXPECT_EQ(errors, "ErrA01-2 7 A01,x|" + std::string(module::kPointNotFoundCode) +
                        " 9 D01,1| 10 F01,1|");
  EXPECT_EQ(r.inputEncoding + " " + r.logEncoding, "utf-8 cp932");
  EXPECT_EQ(r.logPath, (dir_.path() / "result_Input.log").string());
  EXPECT_TRUE(std::filesystem::exists(r.logPath));
  EXPECT_TRUE(windowing_.notices.empty());
  in.simaPath = "/nonexistent-folder-for-kestrel/x.sim";
  SimaResultForm unwritable(in);
  views_->showResult(unwritable);
  ASSERT_EQ(windowing_.notices.size(), 1u);
  EXPECT_EQ(conversation_.report.logError, windowing_.notices[0]);
}

TEST_F(ScriptedViewsTest, HiddenProgressViewKeepsItsPlace) {
  ovwin::WindowingSystem& w = windowing_;
  CProgressWnd window(views_->createProgressView(), w.profile, w.screenWidth, w.screenHeight);
  window.goModal("SIMAファイル読み込み中");  // centred: the hidden window has a size
  window.pumpMessages();
  window.destroy();
  EXPECT_EQ(w.profile["Settings"]["X"], (w.screenWidth - 360) / 2);
  EXPECT_EQ(w.profile["Settings"]["Y"], (w.screenHeight - 140) / 2);
}

TEST(MakeDialogViews, RegisteredViewsServeTheirModeOnly) {
  ovwin::WindowingSystem w;
  module::Conversation c;
  w.mode = ovwin::DialogMode::Qt;
  SelectAlignmentForm selection({{"本線", 1}});
  // Nothing registered: scripted answers (no alignment named: cancel).
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), -1);
  registerDialogViews(
      ovwin::DialogMode::Qt, [](ovwin::WindowingSystem& windowing, module::Conversation&) {
        static module::Conversation answering;  // views of their own that confirm 本線
        answering.script.alignmentName = "本線";
        return makeScriptedViews(windowing, answering);
      });
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), 0);
  w.mode = ovwin::DialogMode::Scripted;
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), -1);
  registerDialogViews(ovwin::DialogMode::Qt, nullptr);
}

}  // namespace
}  // namespace kestrel
