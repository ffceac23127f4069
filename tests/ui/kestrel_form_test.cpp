#include "ui/kestrel_form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/fake_views.h"

namespace kestrel {
namespace {

using testing::FakeViews;
using testing::seriesEntry;
using testing::TempDir;

const std::string kCases = "ui/cases/import_dialog.txt";

// "5:2 6:3" as pairs.
std::vector<std::pair<int32_t, int32_t>> pairsOf(const std::string& text) {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (const auto& pair : testing::split(text))
    pairs.emplace_back(std::stoi(pair), std::stoi(pair.substr(pair.find(':') + 1)));
  return pairs;
}

// What the fake pre-scan finds in every file: points with an elevation, lots, routes
// (number:type), vertical results (route:stations), cross sections (route:sections).
struct ScanContent {
  int points = 0, lots = 0;
  std::string routes, hSeries, iSeries;
};

void fill(ImportRun& run, const ScanContent& c) {
  run.preScanCounts.pointsWithElevation = c.points;
  run.preScanCounts.lots = c.lots;
  for (const auto& [number, type] : pairsOf(c.routes)) {
    SimaAlignment route;
    route.routeType = type, route.routeNumber = number;
    run.addRoute(route);
    ++run.counters.routesPerType[type];
  }
  for (const auto& [number, stations] : pairsOf(c.hSeries)) {
    run.verticalSeries.append(HSeriesData{});
    run.verticalSeries[run.verticalSeries.size() - 1].routeNumber = number;
    run.preScanCounts.stations += stations;
  }
  for (const auto& [number, sections] : pairsOf(c.iSeries)) {
    run.crossSections.append(IntersectionData{});
    run.crossSections[run.crossSections.size() - 1].routeNumber = number;
    run.preScanCounts.sections += sections;
  }
}

const ScanContent kMixed = {3, 4, "1:1 2:2 3:2 4:7", "2:3 9:2", "4:4"};

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

  static const SeriesTreeItem& item(const KestrelForm& form, int entry) {
    for (const auto& i : form.treeItems())
      if (i.entry == entry) return i;
    throw std::logic_error("no tree item");
  }

  // The message boxes shown since the last call, as "text|caption|icon" lines.
  std::string boxes() {
    std::string shown;
    for (const auto& box : views_.boxes)
      shown += box.text + "|" + box.caption + "|" + std::to_string(int(box.icon)) + "\n";
    views_.boxes.clear();
    return shown;
  }
  const std::string kInvalidPathBox = "Please browse for Valid SIM File.|Invalid SIM File!|" +
                                      std::to_string(int(ovwin::MessageIcon::Exclamation)) + "\n";

  TempDir dir_;
  FakeViews views_;
  ScanContent content_ = kMixed;
  int scans_ = 0;
};

// Every row of the case table: the tree shown, the browse rule, the alignment choice, the ticks
// and the stored site.
TEST_F(KestrelFormTest, RulesOfTheCaseTable) {
  std::vector<int> japaneseOrder;
  std::filesystem::create_directory(dir_.path() / "folder.sim");
  for (const auto& row : testing::textRows(kCases)) {
    SCOPED_TRACE(row.where);
    content_ = kMixed;
    scans_ = 0;
    if (row[0] == "tree") {
      KestrelForm form = open({}, {"s"}, row[1] == "ja" ? sima::Language::Japanese
                                                       : sima::Language::English);
      ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
      EXPECT_TRUE(form.importEnabled());
      if (row[2] == "root") {
        EXPECT_EQ(form.rootLabel(), row[3]);
        continue;
      }
      const SeriesTreeItem& got = item(form, seriesEntry(row[2]));
      EXPECT_EQ(got.text + "|" + (got.checked ? "yes" : "no") + "|" + (got.locked ? "yes" : "no"),
                row[3] + "|" + row[4] + "|" + row[5]);
      if (row[1] == "ja") japaneseOrder.push_back(got.entry);
    } else if (row[0] == "browse") {
      if (row[1] != "-") dir_.write(row[1], "");
      KestrelForm form = open();
      const std::string path = (dir_.path() / row[2]).string();
      const bool accepted = row[3] == "yes";
      EXPECT_EQ(form.browse(path), accepted);
      EXPECT_EQ(form.filePath() + "|" + std::to_string(scans_) + "|" + boxes(),
                accepted ? path + "|1|" : "|0|" + kInvalidPathBox);
    } else if (row[0] == "flag") {
      content_ = ScanContent{1, 0, row[2], row[3], row[4]};
      KestrelForm form = open();
      ASSERT_TRUE(form.browse(dir_.write("flag.sim", "")));
      for (const auto& key : testing::split(row[5])) form.setChecked(seriesEntry(key), false);
      ASSERT_TRUE(form.pressImport());
      EXPECT_EQ(form.alignmentChoiceRequested(), row[6] == "yes") << row[1];
    } else if (row[0] == "ticks") {
      KestrelForm form = open();
      ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
      for (const auto& click : testing::split(row[1]))
        if (click == "none" || click == "all")
          form.setAllChecked(click == "all");
        else
          form.setChecked(seriesEntry(click.substr(1)), click[0] == '+');
      std::string selected = form.importEnabled() ? "yes |" : "no |";
      for (const auto& item : form.treeItems())
        if (form.settings().selection.selected[item.entry] && item.checked)
          selected += " " + testing::seriesKey(item.entry);
      EXPECT_EQ(selected.ends_with("|") ? selected + " -" : selected, row[2] + " | " + row[3]);
    } else if (row[0] == "site") {
      ImportSettings stored;
      stored.siteName = row[2];
      EXPECT_EQ(open(stored, testing::split(row[1])).selectedSiteIndex(), std::stoi(row[3]));
    }
  }
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.path() / "mixed.sim"));
  std::vector<int> shown;
  for (const auto& i : form.treeItems()) shown.push_back(i.entry);
  EXPECT_EQ(shown, japaneseOrder) << "the tree's order is the table's";
}

TEST_F(KestrelFormTest, BrowsingResetsTheTicksAndAFileWithNothingToImportLocksAll) {
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(dir_.write("mixed.sim", "")));
  form.setAllChecked(false);
  ASSERT_TRUE(form.browse(dir_.path() / "mixed.sim"));
  EXPECT_TRUE(item(form, kSeriesA).checked && form.importEnabled());
  content_ = ScanContent{0, 0, "", "", ""};
  ASSERT_TRUE(form.browse(dir_.write("flat.sim", "")));
  for (const auto& i : form.treeItems()) EXPECT_TRUE(i.locked);
  form.setAllChecked(true);
  EXPECT_FALSE(form.importEnabled() || form.pressImport());
}

// The stored file is pre-scanned again on opening only when its time changed; a vanished file
// clears the path; the user's ticks are kept with unchanged counts.
TEST_F(KestrelFormTest, StoredFileIsPreScannedAgainOnlyWhenChanged) {
  const std::string path = dir_.write("same.sim", "");
  KestrelForm first = open();
  ASSERT_TRUE(first.browse(path));
  first.setChecked(kSeriesD, false);
  ASSERT_TRUE(first.pressImport());
  const ImportSettings stored = first.settings();
  EXPECT_EQ(stored.fileTimeStamp, KestrelForm::fileTimeStamp(path));
  EXPECT_NE(stored.fileTimeStamp, 0);
  // Scans so far | the form's scans | path | D's text | import enabled
  const auto state = [&](const KestrelForm& form) {
    return std::to_string(scans_) + "|" + std::to_string(form.preScanCount()) + "|" +
           form.filePath() + "|" + item(form, kSeriesD).text + "|" +
           std::to_string(form.importEnabled());
  };
  KestrelForm again = open(stored);
  EXPECT_EQ(state(again), "1|0|" + path + "|画地データ  [4]|1");
  EXPECT_TRUE(!item(again, kSeriesD).checked && item(again, kSeriesH).checked);

  std::filesystem::last_write_time(path,
                                   std::filesystem::last_write_time(path) + std::chrono::hours(1));
  content_.lots = 9;
  EXPECT_EQ(state(open(stored)), "2|1|" + path + "|画地データ  [9]|1");

  std::filesystem::remove(path);
  KestrelForm gone = open(stored);
  EXPECT_EQ(scans_, 3);
  EXPECT_EQ(gone.filePath() + "|" + std::to_string(gone.importEnabled()), "|0");
  EXPECT_EQ(KestrelForm::fileTimeStamp(path), 0);
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
  EXPECT_EQ(boxes(), kInvalidPathBox);
}

TEST_F(KestrelFormTest, ImportTakesTicksSiteAndTimeAfterCheckingThePathAgain) {
  const std::string path = dir_.write("take.sim", "");
  KestrelForm form = open();
  ASSERT_TRUE(form.browse(path));
  ASSERT_TRUE(form.selectSite("現場2"));
  EXPECT_FALSE(form.selectSite("無い"));
  form.setChecked(kSeriesI, false);
  std::filesystem::rename(path, path + ".away");
  EXPECT_FALSE(form.pressImport() || form.closed());
  EXPECT_EQ(boxes(), kInvalidPathBox);
  std::filesystem::rename(path + ".away", path);
  ASSERT_TRUE(form.pressImport());
  const ImportSettings& s = form.settings();
  EXPECT_EQ(s.siteName + " " + s.filePath, "現場2 " + path);
  EXPECT_EQ(s.fileTimeStamp, KestrelForm::fileTimeStamp(path));
  EXPECT_EQ(s.selection.counts[kSeriesI], 4);
  for (const SeriesSelection& imported : {s.selection, form.run().selection})
    EXPECT_TRUE(!imported.selected[kSeriesI] && imported.selected[kSeriesH]) << "what is ticked";
  EXPECT_TRUE(form.run().lots.empty()) << "counted lots are not kept with the settings";
  EXPECT_TRUE(form.closed());
  EXPECT_FALSE(form.pressImport()) << "a closed dialog imports nothing";
}

}  // namespace
}  // namespace kestrel
