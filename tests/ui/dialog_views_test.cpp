#include "ui/dialog_views.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/case_fields.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {
namespace {

using Outcome = module::DialogOutcome;

// The scripted views' answers to the import dialog are scripts of cases/import_dialog.txt.
class ScriptedViewsTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  ovwin::WindowingSystem windowing_;
  module::Conversation conversation_;
  std::unique_ptr<DialogViews> views_ = makeScriptedViews(windowing_, conversation_);
};

TEST_F(ScriptedViewsTest, AlignmentChoicesOfTheCaseTable) {
  for (const auto& row : testing::textRows("ui/cases/scripted_alignment.txt")) {
    SCOPED_TRACE(row.where);
    windowing_ = {};
    std::map<std::string, int32_t> alignments;
    for (const auto& pair : testing::split(row[0]))
      alignments[pair.substr(0, pair.find(':'))] = std::stoi(pair.substr(pair.find(':') + 1));
    conversation_.script.alignmentName.reset();
    if (row[1] != "-") conversation_.script.alignmentName = row[1];
    SelectAlignmentForm selection(alignments);
    EXPECT_EQ(views_->showAlignmentSelection(selection), std::stoi(row[2]));
    EXPECT_EQ(selection.chosenId(), std::stoi(row[3]));
    EXPECT_EQ(windowing_.notices, std::vector<std::string>(row[4] != "-", row[4]));
  }
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
  EXPECT_EQ(errors,
            "ErrA01-2 7 A01,x|" + std::string(module::kPointNotFoundCode) + " 9 D01,1| 10 F01,1|");
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
