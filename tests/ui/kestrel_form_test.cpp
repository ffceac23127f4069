#include "ui/kestrel_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/case_fields.h"

namespace kestrel {
namespace {

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
    return KestrelForm(std::move(stored), std::move(sites), {"0", "点"}, preScan(), *views_,
                       language);
  }

  // "none"/"all" the root's box, "+E"/"-E" an entry's.
  static void click(KestrelForm& form, const std::string& clicks) {
    for (const auto& click : testing::split(clicks))
      if (click == "none" || click == "all")
        form.setAllChecked(click == "all");
      else
        form.setChecked(seriesEntry(click.substr(1)), click[0] == '+');
  }

  static const SeriesTreeItem& item(const KestrelForm& form, int entry) {
    for (const auto& i : form.treeItems())
      if (i.entry == entry) return i;
    throw std::logic_error("no tree item");
  }

  // The message boxes shown since the last call, as "text|caption|icon" ("-": none), or
  // "invalid-path" for "Please browse for Valid SIM File." captioned "Invalid SIM File!" with an
  // exclamation mark (2).
  std::string boxes() {
    std::vector<std::string> shown;
    for (const auto& box : windowing_.messageBoxes)
      shown.push_back(box.text + "|" + box.caption + "|" + std::to_string(int(box.icon)));
    windowing_.messageBoxes.clear();
    const std::string text = joined(shown);
    return text == "Please browse for Valid SIM File.|Invalid SIM File!|2" ? "invalid-path" : text;
  }
  static std::string joined(const std::vector<std::string>& parts, const char* separator = " / ") {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : separator) + part;
    return text.empty() ? "-" : text;
  }

  TempDir dir_;
  ovwin::WindowingSystem windowing_;
  module::Conversation conversation_;
  std::unique_ptr<DialogViews> views_ = makeScriptedViews(windowing_, conversation_);
  ScanContent content_ = kMixed;
  int scans_ = 0;
};

// Every row of the case table: the tree shown, the browse rule, the alignment choice, the ticks,
// the stored site, and the scripts on one dialog, the scripted views' answers among them.
TEST_F(KestrelFormTest, RulesOfTheCaseTable) {
  std::filesystem::create_directory(dir_.path() / "folder.sim");
  std::optional<KestrelForm> dialog;
  ImportSettings stored;
  std::string file;  // the file a step named last
  bool result = false;
  const char* outcomes[] = {"NotRun",        "SiteListFailed", "PathRejected", "NothingToImport",
                            "ShiftRejected", "Cancelled",      "Imported"};
  const auto state = [&](const std::string& key, const std::string& shown) -> std::string {
    const auto yes = [](bool b) { return std::string(b ? "yes" : "no"); };
    const ImportSettings& s = dialog->settings();
    const int64_t stamp = KestrelForm::fileTimeStamp(dir_.path() / file);
    const int e = seriesEntry(key.find('_') == key.npos ? "A" : key.substr(key.find('_') + 1));
    std::vector<std::string> selection, order, checked;
    for (const auto& i : dialog->treeItems()) {
      order.push_back(testing::seriesKey(i.entry));
      if (s.selection.selected[i.entry]) selection.push_back(order.back());
      if (i.checked) checked.push_back(order.back());
    }
    const std::map<std::string, std::string> states = {
        {"scans", std::to_string(scans_)},
        {"form-scans", std::to_string(dialog->preScanCount())},
        {"path", s.filePath.empty() ? "-" : std::filesystem::path(s.filePath).filename().string()},
        {"enabled", yes(dialog->importEnabled())},
        {"result", yes(result)},
        {"closed", yes(dialog->closed())},
        {"box", shown},
        {"locked", yes(std::ranges::all_of(dialog->treeItems(), [](auto& i) { return i.locked; }))},
        {"stamp",
         s.fileTimeStamp && s.fileTimeStamp == stamp ? "file" : std::to_string(s.fileTimeStamp)},
        {"file-stamp", stamp == 0 ? "0" : "set"},
        {"site", s.siteName},
        {"lots", std::to_string(dialog->run().lots.size())},
        {"text", item(*dialog, e).text},
        {"ticked", yes(item(*dialog, e).checked)},
        {"lock", yes(item(*dialog, e).locked)},
        {"root", dialog->rootLabel()},
        {"count", std::to_string(s.selection.counts[e])},
        {"selected", yes(s.selection.selected[e])},
        {"run-selected", yes(dialog->run().selection.selected[e])},
        {"outcome", outcomes[static_cast<int>(conversation_.outcome)]},
        {"shown-site", dialog->sites().at(static_cast<std::size_t>(dialog->selectedSiteIndex()))},
        {"selection", joined(selection, " ")},
        {"order", joined(order, " ")},
        {"ticks-agree", yes(selection == checked)},
        {"layers", joined({s.layers, s.layers + kLayerCount}, " ")},
        {"shift", (std::ostringstream() << s.shiftDistance).str()},
        {"notices", joined(windowing_.notices)}};
    const auto found = states.find(key.substr(0, key.find('_')));
    return found == states.end() ? "no state " + key : found->second;
  };
  const std::string steps =
      " open browse press site ticks nothing lots keep stored touch remove rename show ";
  for (const auto& row : testing::textRows(kCases)) {
    SCOPED_TRACE(row.where);
    if (row[0] == "expect") {
      std::string joined;
      const std::string shown = boxes();
      for (const auto& key : testing::split(row[1]))
        joined += (joined.empty() ? "" : " ") + state(key, shown);
      EXPECT_EQ(joined, row[2]) << row[1];
    }
    if (row[0] == "do") {
      const std::vector<std::string> step = testing::split(row[1]);
      const auto language =
          step.size() > 1 && step[1] == "en" ? sima::Language::English : sima::Language::Japanese;
      const std::string& verb = step[0];
      const auto path = [&](std::size_t i) { return (dir_.path() / (file = step.at(i))).string(); };
      ASSERT_NE(steps.find(" " + verb + " "), std::string::npos) << "no step " << verb;
      if (verb == "open")
        dialog.reset(), dialog.emplace(open(stored, {"サイト", "現場2"}, language));
      if (verb == "browse") result = dialog->browse(dir_.write(step.at(1), "")), file = step[1];
      if (verb == "press") result = dialog->pressImport();
      if (verb == "site") result = dialog->selectSite(step.at(1));
      if (verb == "ticks") click(*dialog, row[1].substr(6));
      if (verb == "nothing") content_ = ScanContent{};
      if (verb == "lots") content_.lots = std::stoi(step.at(1));
      if (verb == "keep") stored = dialog->settings();
      if (verb == "stored")
        stored.selection.counts[seriesEntry(step.at(1))] = std::stoi(step.at(2));
      if (verb == "stored") stored.selection.selected[seriesEntry(step.at(1))] = true;
      if (verb == "touch")
        std::filesystem::last_write_time(
            path(1), std::filesystem::last_write_time(path(1)) + std::chrono::hours(1));
      if (verb == "remove") std::filesystem::remove(path(1));
      if (verb == "rename") std::filesystem::rename(path(1), path(2)), file = step[2];
      module::DialogScript& script = conversation_.script = {};
      for (const auto& given : testing::split(verb == "show" ? row[1].substr(5) : "", ';')) {
        const std::string key = given.substr(0, given.find('=')),
                          value = given.substr(given.find('=') + 1);
        if (key == "file") dir_.write(value, "");
        if (key == "file" || key == "path")
          script.filePath = (dir_.path() / (file = value)).string();
        if (key == "series") script.series = testing::split(value, ',');
        if (key == "site") script.siteName = value;
        if (key.starts_with("layer")) script.layers[std::stoi(key.substr(5))] = value;
        if (key == "shift") script.shiftDistance = value;
        script.cancelImportDialog = script.cancelImportDialog || key == "cancel";
      }
      if (verb == "show") result = views_->showImportDialog(*dialog);
    }
    if (row[0] == "do" || row[0] == "expect") continue;
    content_ = kMixed;
    scans_ = 0;
    if (row[0] == "case") dialog.reset(), stored = {}, boxes(), conversation_ = {}, windowing_ = {};
    if (row[0] == "browse") {
      if (row[1] != "-") dir_.write(row[1], "");
      KestrelForm form = open();
      const std::string path = (dir_.path() / row[2]).string();
      const bool accepted = row[3] == "yes";
      EXPECT_EQ(form.browse(path), accepted);
      EXPECT_EQ(form.filePath() + "|" + std::to_string(scans_) + "|" + boxes(),
                accepted ? path + "|1|-" : "|0|invalid-path");
    } else if (row[0] == "flag") {
      content_ = ScanContent{1, 0, row[2], row[3], row[4]};
      KestrelForm form = open();
      ASSERT_TRUE(form.browse(dir_.write("flag.sim", "")));
      for (const auto& key : testing::split(row[5])) form.setChecked(seriesEntry(key), false);
      ASSERT_TRUE(form.pressImport());
      EXPECT_EQ(form.alignmentChoiceRequested(), row[6] == "yes") << row[1];
    } else if (row[0] == "site") {
      ImportSettings stored;
      stored.siteName = row[2];
      EXPECT_EQ(open(stored, testing::split(row[1])).selectedSiteIndex(), std::stoi(row[3]));
    }
  }
}

}  // namespace
}  // namespace kestrel
