#include "ui/kestrel_form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/fake_views.h"

namespace kestrel {
namespace {

using testing::FakeViews;
using testing::TempDir;

// What the fake pre-scan finds in every file.
struct ScanContent {
  int elevatedPoints = 0;
  int flatPoints = 0;
  int lots = 0;
  std::vector<std::pair<int32_t, int32_t>> routes;  // route number, route type
  std::vector<std::pair<int32_t, int>> hSeries;     // route number, stations
  std::vector<std::pair<int32_t, int>> iSeries;     // route number, sections
};

void fill(ImportRun& run, const ScanContent& c) {
  for (int i = 0; i < c.elevatedPoints + c.flatPoints; ++i) run.pointStore.appendNumberOnly(i + 1);
  run.preScanCounts.pointsWithElevation = c.elevatedPoints;
  run.preScanCounts.lots = c.lots;
  for (const auto& [number, type] : c.routes) {
    SimaAlignment route;
    route.routeNumber = number;
    route.routeType = type;
    run.addRoute(route);
    ++run.counters.routesPerType[type];
  }
  for (const auto& [number, stations] : c.hSeries) {
    HSeriesData block;
    block.routeNumber = number;
    run.preScanCounts.stations += stations;
    block.found = run.findRoute(number) != nullptr;
    run.verticalSeries.append(block);
  }
  for (const auto& [number, sections] : c.iSeries) {
    IntersectionData block;
    block.routeNumber = number;
    run.preScanCounts.sections += sections;
    block.found = run.findRoute(number) != nullptr;
    run.crossSections.append(block);
  }
}

const ScanContent kMixed = {3, 2, 4, {{1, 1}, {2, 2}, {3, 2}, {4, 7}}, {{2, 3}, {9, 2}}, {{4, 4}}};

class KestrelFormTest : public ::testing::Test {
 protected:
  // A pre-scan that fails on a missing file and counts its calls.
  PreScan preScan() {
    return [this](ImportRun& run, const std::string& path) {
      ++scans_;
      if (!std::filesystem::exists(path)) return -1;
      fill(run, content_);
      return 0;
    };
  }

  KestrelForm open(ImportSettings stored = {}, std::vector<std::string> sites = {"サイト", "現場2"},
                   sima::Language language = sima::Language::Japanese) {
    return KestrelForm(std::move(stored), std::move(sites), {"0", "点"}, preScan(), views_,
                       language);
  }

  // Settings as the driver keeps them after a confirmed import of `path`.
  ImportSettings importedOnce(const std::string& path) {
    KestrelForm form = open();
    EXPECT_TRUE(form.browse(path));
    EXPECT_TRUE(form.pressImport());
    return form.settings();
  }

  static const SeriesTreeItem& item(const KestrelForm& form, int entry) {
    for (const auto& i : form.treeItems())
      if (i.entry == entry) return i;
    throw std::logic_error("no tree item");
  }

  TempDir dir_;
  FakeViews views_;
  ScanContent content_ = kMixed;
  int scans_ = 0;
};

TEST_F(KestrelFormTest, TreeShowsLabelsCountsTicksAndLocks) {
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
  EXPECT_EQ(form.rootLabel(), "全て ");
  struct Row {
    int entry;
    const char* text;
    bool checked, locked;
  };
  // A counts only points with an elevation; H and I add up stations and sections of all series.
  const Row rows[] = {
      {kSeriesA, "座標データ  [3]", true, false},
      {kSeriesD, "画地データ  [4]", true, false},
      {routeTypeEntry(1), "路線成果-IP線  [1]", true, false},
      {routeTypeEntry(2), "路線成果-主要線   [2]", true, false},
      {routeTypeEntry(3), "路線成果-中心線 ", false, true},
      {routeTypeEntry(4), "路線成果-幅杭線左 ", false, true},
      {routeTypeEntry(5), "路線成果-幅杭線右 ", false, true},
      {routeTypeEntry(6), "路線成果-連続線(直線のみ)　", false, true},
      {routeTypeEntry(7), "路線成果-連続線(曲線含み)  [1]", true, false},
      {kSeriesH, "縦断成果データ  [5]", true, false},
      {kSeriesI, "横断成果データ  [4]", true, false},
  };
  ASSERT_EQ(form.treeItems().size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const SeriesTreeItem& got = form.treeItems()[i];
    EXPECT_EQ(got.entry, rows[i].entry) << i;
    EXPECT_EQ(got.text, rows[i].text) << i;
    EXPECT_EQ(got.checked, rows[i].checked) << i;
    EXPECT_EQ(got.locked, rows[i].locked) << i;
  }
  EXPECT_TRUE(form.importEnabled());
}

TEST_F(KestrelFormTest, EnglishLabels) {
  KestrelForm form = open({}, {"s"}, sima::Language::English);
  ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
  EXPECT_EQ(form.rootLabel(), "ALL");
  EXPECT_EQ(item(form, kSeriesA).text, "A Series  [3]");
  EXPECT_EQ(item(form, routeTypeEntry(2)).text, "F Series Type 2  [2]");
  EXPECT_EQ(item(form, routeTypeEntry(7)).text, "路線成果-連続線(曲線含み)  [1]");
}

struct PathCase {
  const char* name;     // file created in the folder ("" = none)
  const char* browsed;  // path browsed, relative to the folder
  bool accepted;
};

class BrowseRule : public KestrelFormTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(BrowseRule, ExistingFileEndingInSimAnyCase) {
  const PathCase c = GetParam();
  if (*c.name) dir_.write(c.name, "");
  std::filesystem::create_directory(dir_.path() / "folder.sim");
  KestrelForm form = open();
  const std::string path = (dir_.path() / c.browsed).string();
  EXPECT_EQ(form.browse(path), c.accepted) << c.browsed;
  if (c.accepted) {
    EXPECT_TRUE(views_.boxes.empty());
    EXPECT_EQ(form.filePath(), path);
    EXPECT_EQ(scans_, 1);
  } else {
    ASSERT_EQ(views_.boxes.size(), 1u);
    EXPECT_EQ(views_.boxes[0].text, "Please browse for Valid SIM File.");
    EXPECT_EQ(views_.boxes[0].caption, "Invalid SIM File!");
    EXPECT_EQ(views_.boxes[0].icon, ovwin::MessageIcon::Exclamation);
    EXPECT_EQ(form.filePath(), "");
    EXPECT_EQ(scans_, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BrowseRule,
    ::testing::Values(PathCase{"a.sim", "a.sim", true}, PathCase{"B.SIM", "B.SIM", true},
                      PathCase{"c.SiM", "c.SiM", true}, PathCase{"名前.sim", "名前.sim", true},
                      PathCase{"d.sima", "d.sima", false}, PathCase{"e.txt", "e.txt", false},
                      PathCase{"sim", "sim", false}, PathCase{"", "missing.sim", false},
                      PathCase{"", "folder.sim", false},
                      PathCase{"f.sim.bak", "f.sim.bak", false}));

TEST_F(KestrelFormTest, ImportButtonFollowsTheTicks) {
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
  form.setAllChecked(false);
  EXPECT_FALSE(form.importEnabled());
  form.setChecked(routeTypeEntry(4), true);  // locked: no items
  EXPECT_FALSE(item(form, routeTypeEntry(4)).checked);
  EXPECT_FALSE(form.importEnabled());
  form.setChecked(kSeriesD, true);
  EXPECT_TRUE(form.importEnabled());
  EXPECT_TRUE(form.settings().selection.selected[kSeriesD]);
  form.setChecked(kSeriesD, false);
  EXPECT_FALSE(form.importEnabled());
  form.setAllChecked(true);
  EXPECT_TRUE(form.importEnabled());
  EXPECT_FALSE(form.settings().selection.selected[routeTypeEntry(3)]);
}

TEST_F(KestrelFormTest, FileWithNothingToImportKeepsTheButtonDisabled) {
  content_ = ScanContent{0, 5, 0, {}, {}, {}};  // points without elevation count for nothing
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.write("flat.sim", "")));
  for (const auto& i : form.treeItems()) EXPECT_TRUE(i.locked);
  form.setAllChecked(true);
  EXPECT_FALSE(form.importEnabled());
  EXPECT_FALSE(form.pressImport());
}

TEST_F(KestrelFormTest, UnchangedFileIsNotPreScannedAgain) {
  const std::string path = dir_.write("same.sim", "");
  KestrelForm first = open();
  ASSERT_TRUE(first.browse(path));
  first.setChecked(kSeriesD, false);  // the user's ticks are kept with the counts
  ASSERT_TRUE(first.pressImport());
  EXPECT_EQ(first.settings().fileTimeStamp, KestrelForm::fileTimeStamp(path));
  ASSERT_EQ(scans_, 1);

  KestrelForm again = open(first.settings());
  EXPECT_EQ(scans_, 1);
  EXPECT_EQ(again.preScanCount(), 0);
  EXPECT_EQ(again.filePath(), path);
  EXPECT_EQ(item(again, kSeriesA).text, "座標データ  [3]");
  EXPECT_FALSE(item(again, kSeriesD).checked);
  EXPECT_TRUE(item(again, kSeriesH).checked);
  EXPECT_TRUE(again.importEnabled());
}

TEST_F(KestrelFormTest, ChangedFileIsPreScannedOnOpening) {
  const std::string path = dir_.write("moved.sim", "");
  ImportSettings stored = importedOnce(path);
  ASSERT_EQ(scans_, 1);
  const auto later = std::filesystem::last_write_time(path) + std::chrono::hours(1);
  std::filesystem::last_write_time(path, later);
  content_.lots = 9;
  KestrelForm form = open(stored);
  EXPECT_EQ(scans_, 2);
  EXPECT_EQ(item(form, kSeriesD).text, "画地データ  [9]");
  EXPECT_EQ(form.filePath(), path);
}

TEST_F(KestrelFormTest, VanishedFileClearsThePath) {
  const std::string path = dir_.write("gone.sim", "");
  ImportSettings stored = importedOnce(path);
  std::filesystem::remove(path);
  KestrelForm form = open(stored);
  EXPECT_EQ(scans_, 2);
  EXPECT_EQ(form.filePath(), "");
  EXPECT_FALSE(form.importEnabled());
}

TEST_F(KestrelFormTest, EmptyStoredPathKeepsTheStoredCounts) {
  ImportSettings stored;
  stored.selection.counts[kSeriesD] = 2;
  stored.selection.selected[kSeriesD] = true;
  KestrelForm form = open(stored);
  EXPECT_EQ(scans_, 0);
  EXPECT_EQ(item(form, kSeriesD).text, "画地データ  [2]");
  EXPECT_TRUE(form.importEnabled());
  EXPECT_FALSE(form.pressImport());  // but there is no file to import
  EXPECT_EQ(views_.boxes.size(), 1u);
}

TEST_F(KestrelFormTest, BrowsingResetsTheSelection) {
  const std::string path = dir_.write("again.sim", "");
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(path));
  form.setAllChecked(false);
  ASSERT_TRUE(form.browse(path));
  EXPECT_TRUE(item(form, kSeriesA).checked);
  EXPECT_TRUE(form.importEnabled());
  EXPECT_EQ(scans_, 2);
}

struct SiteCase {
  std::vector<std::string> sites;
  const char* stored;
  int index;
};

class SiteRule : public KestrelFormTest, public ::testing::WithParamInterface<SiteCase> {};

TEST_P(SiteRule, StoredSiteOrTheFirst) {
  const SiteCase c = GetParam();
  ImportSettings stored;
  stored.siteName = c.stored;
  KestrelForm form = open(stored, c.sites);
  EXPECT_EQ(form.selectedSiteIndex(), c.index);
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteRule,
                         ::testing::Values(SiteCase{{"a", "b", "c"}, "b", 1},
                                           SiteCase{{"a", "b", "c"}, "z", 0},
                                           SiteCase{{"a", "b"}, "", 0}, SiteCase{{}, "a", -1}));

TEST_F(KestrelFormTest, ImportTakesTicksSiteAndTime) {
  const std::string path = dir_.write("take.sim", "");
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(path));
  ASSERT_TRUE(form.selectSite("現場2"));
  EXPECT_FALSE(form.selectSite("無い"));
  form.setChecked(kSeriesI, false);
  ASSERT_TRUE(form.pressImport());
  const ImportSettings& s = form.settings();
  EXPECT_EQ(s.siteName, "現場2");
  EXPECT_EQ(s.filePath, path);
  EXPECT_NE(s.fileTimeStamp, 0);
  EXPECT_FALSE(s.selection.selected[kSeriesI]);
  EXPECT_TRUE(s.selection.selected[kSeriesH]);
  EXPECT_EQ(s.selection.counts[kSeriesI], 4);
  EXPECT_EQ(s.selection.counts[kSeriesD], 4);
  EXPECT_TRUE(form.run().lots.empty()) << "counted lots are not kept with the settings";
  EXPECT_TRUE(form.closed());
}

TEST_F(KestrelFormTest, ImportChecksThePathAgain) {
  const std::string path = dir_.write("late.sim", "");
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(path));
  std::filesystem::remove(path);
  EXPECT_FALSE(form.pressImport());
  ASSERT_EQ(views_.boxes.size(), 1u);
  EXPECT_EQ(views_.boxes[0].text, "Please browse for Valid SIM File.");
  EXPECT_FALSE(form.closed());
}

struct FlagCase {
  const char* name;
  std::vector<std::pair<int32_t, int32_t>> routes;
  std::vector<std::pair<int32_t, int>> hSeries;
  std::vector<std::pair<int32_t, int>> iSeries;
  std::vector<int> untick;  // entries the user unticks
  bool requested;
};

class AlignmentChoiceFlag : public KestrelFormTest,
                            public ::testing::WithParamInterface<FlagCase> {};

TEST_P(AlignmentChoiceFlag, SetWhenResultsNeedAnUnimportedAlignment) {
  const FlagCase c = GetParam();
  content_ = ScanContent{1, 0, 0, c.routes, c.hSeries, c.iSeries};
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.write("flag.sim", "")));
  for (int entry : c.untick) form.setChecked(entry, false);
  ASSERT_TRUE(form.pressImport());
  EXPECT_EQ(form.alignmentChoiceRequested(), c.requested) << c.name;
}

const int F1 = kSeriesF1, F2 = kSeriesF1 + 1, F3 = kSeriesF1 + 2, F7 = kSeriesF1 + 6;

INSTANTIATE_TEST_SUITE_P(
    Cases, AlignmentChoiceFlag,
    ::testing::Values(
        FlagCase{"H on a ticked type 2 route", {{5, 2}}, {{5, 3}}, {}, {}, false},
        FlagCase{"H on an unticked type 2 route", {{5, 2}}, {{5, 3}}, {}, {F2}, true},
        FlagCase{"I on an unticked type 3 route", {{6, 3}}, {}, {{6, 2}}, {F3}, true},
        FlagCase{"I on an unticked type 7 route", {{6, 7}}, {}, {{6, 2}}, {F7}, true},
        FlagCase{"unticked H does not ask", {{5, 2}}, {{5, 3}}, {}, {F2, kSeriesH}, false},
        FlagCase{"unticked I does not ask", {{6, 3}}, {}, {{6, 1}}, {F3, kSeriesI}, false},
        FlagCase{"type 1 makes no alignment", {{5, 1}}, {{5, 3}}, {}, {F1}, false},
        FlagCase{"route not in the file", {{5, 2}}, {{8, 3}}, {}, {F2}, false},
        FlagCase{"first route of that number counts", {{5, 1}, {5, 2}}, {{5, 3}}, {}, {F2}, false},
        FlagCase{"second series needs it", {{5, 2}, {6, 3}}, {{5, 1}, {6, 1}}, {}, {F3}, true}));

TEST_F(KestrelFormTest, SettingsDialogValuesAreTakenOnlyWhenAccepted) {
  KestrelForm form = open();
  views_.settingsAction = [](KestrelSettingsForm& settings) {
    EXPECT_EQ(settings.shiftText(), "0.0001");
    settings.chooseLayer(kLayerPoints, "点");
    settings.setShiftText("2.5");
    return settings.accept();
  };
  EXPECT_TRUE(form.openSettings());
  EXPECT_EQ(form.settings().layers[kLayerPoints], "点");
  EXPECT_DOUBLE_EQ(form.settings().shiftDistance, 2.5);

  views_.settingsAction = [](KestrelSettingsForm& settings) {
    settings.chooseLayer(kLayerPoints, "0");
    settings.setShiftText("-1");
    return settings.accept();  // refused: the user then cancels
  };
  EXPECT_FALSE(form.openSettings());
  EXPECT_EQ(form.settings().layers[kLayerPoints], "点");
  EXPECT_DOUBLE_EQ(form.settings().shiftDistance, 2.5);
  ASSERT_EQ(views_.boxes.size(), 1u);
  EXPECT_EQ(views_.boxes[0].text, "0より大きい値を指定してください。");
  EXPECT_EQ(views_.settingsShown, 2);
}

}  // namespace
}  // namespace kestrel
