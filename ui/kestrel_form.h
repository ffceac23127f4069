// The import dialog: file, site, the tree of data kinds with their counts, and the import rule.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sima/import_run.h"
#include "sima/messages.h"
#include "ui/import_settings.h"

namespace kestrel {

class DialogViews;

// The dialog's pre-scan of a file into its run; −1 when the file cannot be opened.
using PreScan = std::function<int(ImportRun& run, const std::string& path)>;

// One child of the series tree.
struct SeriesTreeItem {
  int entry = 0;     // SeriesEntry of the selection
  std::string text;  // label, or "%s [%d]" with the count
  bool checked = false;
  bool locked = true;  // no items: no tick, cannot be changed
};

// The import dialog's state and rules; a DialogViews back end shows it.
class KestrelForm {
 public:
  // Opens with the stored settings: pre-scans the stored file again only when it changed.
  KestrelForm(ImportSettings stored, std::vector<std::string> sites,
              std::vector<std::string> layers, PreScan preScanFunction, DialogViews& views,
              sima::Language language);

  // The path shown in the read-only edit.
  const std::string& filePath() const { return settings_.filePath; }
  const std::vector<std::string>& sites() const { return sites_; }
  const std::vector<std::string>& layers() const { return layers_; }
  int selectedSiteIndex() const { return siteIndex_; }
  // Picks a site of the list; false when the list has no such name.
  bool selectSite(const std::string& name);

  // The root's label (message 152), then the children A, D, route types 1..7, H, I.
  const std::string& rootLabel() const { return settings_.selection.labels[kSeriesRoot]; }
  const std::vector<SeriesTreeItem>& treeItems() const { return tree_; }
  // Ticks or unticks an entry (a locked one stays unticked), then re-runs the import rule.
  void setChecked(int entry, bool checked);
  // The root's check box: every entry that has items.
  void setAllChecked(bool checked);
  // "読み込み" is enabled: the counts add up to more than 0 and an entry is selected.
  bool importEnabled() const { return importEnabled_; }

  // A file chosen with "参照": accepted when it exists and ends in ".sim" in any case; it is then
  // pre-scanned and the tree refreshed. Else the invalid-file message; false.
  bool browse(const std::string& path);
  // "設定...": runs the settings dialog and takes its values when accepted.
  bool openSettings();
  // "読み込み": checks the path, takes ticks, site and file time; true when the dialog closes.
  bool pressImport();
  // "閉じる": closes without import.
  void close() { closed_ = true; }
  bool closed() const { return closed_; }

  // The settings as the dialog holds them (after "読み込み": what the driver keeps).
  const ImportSettings& settings() const { return settings_; }
  // Hands the settings over once the dialog is done with them (no copy of the pre-scanned run).
  ImportSettings takeSettings() { return std::move(settings_); }
  // The dialog's pre-scanned run.
  const ImportRun& run() const { return settings_.run; }
  // Set by "読み込み" when results need an alignment whose route type is not imported.
  bool alignmentChoiceRequested() const { return alignmentChoiceRequested_; }
  // How many times the dialog pre-scanned a file.
  int preScanCount() const { return preScanCount_; }

  // The last-modification time of a file as a 64-bit count; 0 when it cannot be read.
  static int64_t fileTimeStamp(const std::string& path);
  // The browse rule: an existing, readable regular file whose name ends in ".SIM" (any case).
  static bool isValidSimPath(const std::string& path);

 private:
  int preScan(const std::string& path);
  void buildTree();
  void readChecks();
  void updateImportEnabled();
  bool resultsNeedAlignment() const;

  ImportSettings settings_;
  std::vector<std::string> sites_;
  std::vector<std::string> layers_;
  PreScan preScan_;
  DialogViews& views_;
  sima::Language language_;
  std::vector<SeriesTreeItem> tree_;
  int siteIndex_ = -1;
  int preScanCount_ = 0;
  bool importEnabled_ = false;
  bool alignmentChoiceRequested_ = false;
  bool closed_ = false;
};

}  // namespace kestrel
