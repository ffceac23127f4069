#include "ui/dialog_views.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "ui/kestrel_form.h"
#include "ui/kestrel_settings_form.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {
namespace {

using testing::TempDir;
using Outcome = module::DialogOutcome;

// Pre-scan double: two points with elevation, one lot and one type 1 route in every file.
int fakePreScan(ImportRun& run, const std::string& path) {
  if (!std::filesystem::exists(path)) return -1;
  run.preScanCounts.pointsWithElevation = 2;
  run.preScanCounts.lots = 1;
  run.counters.routesPerType[1] = 1;
  return 0;
}

class ScriptedViewsTest : public ::testing::Test {
 protected:
  ScriptedViewsTest() : views_(makeScriptedViews(windowing_, conversation_)) {}

  KestrelForm form(ImportSettings stored = {}) {
    return KestrelForm(std::move(stored), {"サイト", "第二"}, {"0", "点", "画地"}, fakePreScan,
                       *views_, sima::Language::Japanese);
  }

  std::string simFile(const std::string& name = "survey.sim") { return dir_.write(name, "Z00\n"); }

  TempDir dir_;
  ovwin::WindowingSystem windowing_;
  module::Conversation conversation_;
  std::unique_ptr<DialogViews> views_;
};

TEST_F(ScriptedViewsTest, ImportsWhatTheDialogTicksByDefault) {
  conversation_.script.filePath = simFile();
  KestrelForm dialog = form();
  ASSERT_TRUE(views_->showImportDialog(dialog));
  const ImportSettings& s = dialog.settings();
  EXPECT_EQ(s.filePath, conversation_.script.filePath);
  EXPECT_EQ(s.siteName, "サイト");
  EXPECT_TRUE(s.selection.selected[kSeriesA]);
  EXPECT_TRUE(s.selection.selected[kSeriesD]);
  EXPECT_TRUE(s.selection.selected[routeTypeEntry(1)]);
  EXPECT_FALSE(s.selection.selected[kSeriesH]);
  EXPECT_TRUE(windowing_.messageBoxes.empty());
  EXPECT_EQ(conversation_.outcome, Outcome::NotRun);  // set by the result dialog
}

struct PathCase {
  const char* file;  // created when not empty
  const char* browsed;
};

class ScriptedPathRejected : public ScriptedViewsTest,
                             public ::testing::WithParamInterface<PathCase> {};

TEST_P(ScriptedPathRejected, ShowsTheMessageAndClosesWithoutImport) {
  if (*GetParam().file) dir_.write(GetParam().file, "");
  conversation_.script.filePath = (dir_.path() / GetParam().browsed).string();
  KestrelForm dialog = form();
  EXPECT_FALSE(views_->showImportDialog(dialog));
  EXPECT_EQ(conversation_.outcome, Outcome::PathRejected);
  ASSERT_EQ(windowing_.messageBoxes.size(), 1u);
  EXPECT_EQ(windowing_.messageBoxes[0].text, "Please browse for Valid SIM File.");
  EXPECT_EQ(windowing_.messageBoxes[0].caption, "Invalid SIM File!");
  EXPECT_TRUE(dialog.closed());
}

INSTANTIATE_TEST_SUITE_P(Paths, ScriptedPathRejected,
                         ::testing::Values(PathCase{"", "missing.sim"},
                                           PathCase{"x.sima", "x.sima"}, PathCase{"", "."}));

TEST_F(ScriptedViewsTest, TicksExactlyTheScriptedSeries) {
  conversation_.script.filePath = simFile();
  conversation_.script.series = std::vector<std::string>{"D", "H"};
  KestrelForm dialog = form();
  ASSERT_TRUE(views_->showImportDialog(dialog));
  const SeriesSelection& s = dialog.settings().selection;
  for (int entry = 0; entry < kSeriesCount; ++entry)
    EXPECT_EQ(s.selected[entry], entry == kSeriesD) << entry;  // H has no items: stays unticked
  ASSERT_EQ(windowing_.notices.size(), 1u);
  EXPECT_EQ(windowing_.notices[0], "series H: the file holds none");
}

TEST_F(ScriptedViewsTest, NothingTickedIsNothingToImport) {
  conversation_.script.filePath = simFile();
  conversation_.script.series = std::vector<std::string>{"I"};
  KestrelForm dialog = form();
  EXPECT_FALSE(views_->showImportDialog(dialog));
  EXPECT_EQ(conversation_.outcome, Outcome::NothingToImport);
}

TEST_F(ScriptedViewsTest, PicksTheScriptedSite) {
  conversation_.script.filePath = simFile();
  conversation_.script.siteName = "第二";
  KestrelForm dialog = form();
  ASSERT_TRUE(views_->showImportDialog(dialog));
  EXPECT_EQ(dialog.settings().siteName, "第二");

  conversation_.script.siteName = "無い";
  KestrelForm other = form();
  ASSERT_TRUE(views_->showImportDialog(other));
  EXPECT_EQ(other.settings().siteName, "サイト");
  ASSERT_EQ(windowing_.notices.size(), 1u);
  EXPECT_EQ(windowing_.notices[0], "site \"無い\" not found; using \"サイト\"");
}

TEST_F(ScriptedViewsTest, SettingsFromTheScript) {
  conversation_.script.filePath = simFile();
  conversation_.script.layers[kLayerLots] = "画地";
  conversation_.script.layers[kLayerIpLines] = "追加した画層";
  conversation_.script.shiftDistance = "0.5";
  KestrelForm dialog = form();
  ASSERT_TRUE(views_->showImportDialog(dialog));
  const ImportSettings& s = dialog.settings();
  EXPECT_EQ(s.layers[kLayerLots], "画地");
  EXPECT_EQ(s.layers[kLayerIpLines], "追加した画層");
  EXPECT_EQ(s.layers[kLayerPoints], "0");
  EXPECT_DOUBLE_EQ(s.shiftDistance, 0.5);
}

TEST_F(ScriptedViewsTest, RefusedShiftEndsTheDialog) {
  conversation_.script.filePath = simFile();
  conversation_.script.shiftDistance = "1.2.3";
  KestrelForm dialog = form();
  EXPECT_FALSE(views_->showImportDialog(dialog));
  EXPECT_EQ(conversation_.outcome, Outcome::ShiftRejected);
  ASSERT_EQ(windowing_.messageBoxes.size(), 1u);
  EXPECT_EQ(windowing_.messageBoxes[0].text, "0より大きい値を指定してください。");
  EXPECT_DOUBLE_EQ(dialog.settings().shiftDistance, 0.0001);
}

TEST_F(ScriptedViewsTest, CancelledDialog) {
  conversation_.script.filePath = simFile();
  conversation_.script.cancelImportDialog = true;
  KestrelForm dialog = form();
  EXPECT_FALSE(views_->showImportDialog(dialog));
  EXPECT_EQ(conversation_.outcome, Outcome::Cancelled);
}

TEST_F(ScriptedViewsTest, SameUnchangedFileIsNotBrowsedAgain) {
  const std::string path = simFile();
  conversation_.script.filePath = path;
  KestrelForm first = form();
  ASSERT_TRUE(views_->showImportDialog(first));
  EXPECT_EQ(first.preScanCount(), 1);
  KestrelForm second = form(first.settings());
  ASSERT_TRUE(views_->showImportDialog(second));
  EXPECT_EQ(second.preScanCount(), 0);
}

struct AlignmentCase {
  std::map<std::string, int32_t> alignments;
  std::optional<std::string> answer;
  int status;
  int32_t id;
  const char* notice;  // "" when none
};

class ScriptedAlignment : public ScriptedViewsTest,
                          public ::testing::WithParamInterface<AlignmentCase> {};

TEST_P(ScriptedAlignment, AnswersFromTheScript) {
  const AlignmentCase& c = GetParam();
  conversation_.script.alignmentName = c.answer;
  SelectAlignmentForm selection(c.alignments);
  EXPECT_EQ(views_->showAlignmentSelection(selection), c.status);
  EXPECT_EQ(selection.chosenId(), c.id);
  if (*c.notice) {
    ASSERT_EQ(windowing_.notices.size(), 1u);
    EXPECT_EQ(windowing_.notices[0], c.notice);
  } else {
    EXPECT_TRUE(windowing_.notices.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptedAlignment,
    ::testing::Values(
        AlignmentCase{{{"A", 1}, {"B", 2}}, "B", 0, 2, ""},
        AlignmentCase{{{"A", 1}, {"B", 2}},
                      "C",
                      -1,
                      0,
                      "alignment \"C\" not found; alignments available: A, B"},
        AlignmentCase{{{"A", 1}, {"B", 2}},
                      std::nullopt,
                      -1,
                      0,
                      "alignment choice cancelled; alignments available: A, B"},
        AlignmentCase{
            {}, std::nullopt, -1, 0, "alignment choice cancelled; alignments available: none"},
        AlignmentCase{{}, "", -1, 0, "alignment \"\" not found; alignments available: none"}));

TEST_F(ScriptedViewsTest, ResultGoesToTheReportAndTheLog) {
  const std::string path = simFile("result.sim");
  SimaResultInputs in;
  in.simaPath = path;
  in.errorCount = 1;
  in.drawnPoints = 2;
  in.routePolylines[5] = 3;
  in.routesPerType[5] = 4;
  in.alignmentNames = {"本線"};
  in.errors.push_back({"ErrA01-2", 101, "msg", 7, "A01,x"});
  in.errors.push_back({"", 138, "missing", 9, "D01,1"});
  SimaResultForm result(in);
  views_->showResult(result);
  const module::RunReport& r = conversation_.report;
  EXPECT_EQ(conversation_.outcome, Outcome::Imported);
  EXPECT_EQ(r.resultLines, result.lines());
  EXPECT_EQ(r.errorCount, 1);
  EXPECT_EQ(r.drawnPoints, 2);
  EXPECT_EQ(r.routePolylines[5], 3);
  EXPECT_EQ(r.routesPerType[5], 4);
  EXPECT_EQ(r.alignments, std::vector<std::string>{"本線"});
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_EQ(r.errors[0].code, "ErrA01-2");
  EXPECT_EQ(r.errors[0].lineNumber, 7);
  EXPECT_EQ(r.errors[1].code, module::kPointNotFoundCode);  // the log has no code for it
  EXPECT_EQ(r.errors[1].lineText, "D01,1");
  EXPECT_EQ(r.inputEncoding, "utf-8");
  const std::string log = (dir_.path() / "result_Input.log").string();
  EXPECT_EQ(r.logPath, log);
  std::string expected;
  for (const auto& line : result.lines()) expected += line + "\n";
  EXPECT_EQ(testing::readBytes(log), expected);
}

TEST_F(ScriptedViewsTest, ProgressViewKeepsItsPlace) {
  ovwin::WindowingSystem& w = windowing_;
  CProgressWnd window(views_->createProgressView(), w.profile, w.screenWidth, w.screenHeight);
  window.create(false, "SIMAファイル読み込み中");
  window.goModal("SIMAファイル読み込み中");
  window.setRange(0, 10, 1);
  window.setPosition(5);
  window.pumpMessages();
  EXPECT_EQ(window.caption(), "SIMAファイル読み込み中 [50%]");
  window.destroy();
  EXPECT_EQ(w.profile["Settings"].count("X"), 1u);
  EXPECT_EQ(w.profile["Settings"].count("Y"), 1u);
}

class RecordingViews : public DialogViews {
 public:
  bool showImportDialog(KestrelForm&) override { return false; }
  bool showSettingsDialog(KestrelSettingsForm&) override { return false; }
  int showAlignmentSelection(SelectAlignmentForm&) override { return 42; }
  void showResult(SimaResultForm&) override {}
  void messageBox(const std::string&, const std::string&, ovwin::MessageIcon) override {}
  std::unique_ptr<ProgressView> createProgressView() override { return nullptr; }
};

TEST(MakeDialogViews, RegisteredViewsServeTheirModeOnly) {
  ovwin::WindowingSystem w;
  module::Conversation c;
  w.mode = ovwin::DialogMode::Qt;
  SelectAlignmentForm selection({});
  // Nothing registered: scripted answers (cancel).
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), -1);
  registerDialogViews(ovwin::DialogMode::Qt, [](ovwin::WindowingSystem&, module::Conversation&) {
    return std::make_unique<RecordingViews>();
  });
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), 42);
  w.mode = ovwin::DialogMode::Scripted;
  EXPECT_EQ(makeDialogViews(w, c)->showAlignmentSelection(selection), -1);
  registerDialogViews(ovwin::DialogMode::Qt, nullptr);
}

}  // namespace
}  // namespace kestrel
