#include "ui/kestrel_form.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

#include "ui/dialog_resources.h"
#include "ui/dialog_views.h"
#include "ui/kestrel_settings_form.h"
#include "ui/series_counts.h"

namespace kestrel {

namespace {

namespace text = resources::import_dialog;

// The tree's order of children: A, D, route types 1 to 7, H, I.
constexpr int kTreeOrder[kSeriesCount] = {kSeriesA, kSeriesD, 4,  5,        6,       7,
                                          8,        9,        10, kSeriesH, kSeriesI};

std::optional<int64_t> lastWriteCount(const std::string& path) {
  std::error_code error;
  const auto time = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return static_cast<int64_t>(time.time_since_epoch().count());
}

bool endsWithSimInUpperCase(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return tail == ".SIM";
}

// A route type whose routes become alignments (and so can carry results).
bool makesAlignment(int32_t routeType) {
  return routeType == 2 || routeType == 3 || routeType == 7;
}

}  // namespace

KestrelForm::KestrelForm(ImportSettings stored, std::vector<std::string> sites,
                         std::vector<std::string> layers, PreScan preScanFunction,
                         DialogViews& views, sima::Language language)
    : settings_(std::move(stored)),
      sites_(std::move(sites)),
      layers_(std::move(layers)),
      preScan_(std::move(preScanFunction)),
      views_(views),
      language_(language) {
  // Labels follow the current language even when the counts are kept.
  for (int i = 0; i <= kSeriesCount; ++i)
    settings_.selection.labels[i] = std::string(sima::message(kSeriesLabelMessage[i], language_));

  if (!settings_.filePath.empty()) {
    const std::optional<int64_t> stamp = lastWriteCount(settings_.filePath);
    if (!stamp || *stamp != settings_.fileTimeStamp) {
      if (preScan(settings_.filePath) != 0) settings_.filePath.clear();
    }
  }

  if (!sites_.empty()) {
    siteIndex_ = 0;
    selectSite(settings_.siteName);
  }
  buildTree();
  updateImportEnabled();
}

int64_t KestrelForm::fileTimeStamp(const std::string& path) {
  return lastWriteCount(path).value_or(0);
}

bool KestrelForm::isValidSimPath(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) || error) return false;
  if (!endsWithSimInUpperCase(path)) return false;
  std::ifstream probe(path, std::ios::binary);
  return probe.is_open();
}

bool KestrelForm::selectSite(const std::string& name) {
  for (std::size_t i = 0; i < sites_.size(); ++i)
    if (sites_[i] == name) {
      siteIndex_ = static_cast<int>(i);
      return true;
    }
  return false;
}

// Pre-scans into a fresh run and takes the counts (and the starting ticks) from it.
int KestrelForm::preScan(const std::string& path) {
  settings_.run = ImportRun{};
  settings_.run.log.setLanguage(language_);
  ++preScanCount_;
  const int status = preScan_ ? preScan_(settings_.run, path) : -1;
  settings_.selection = countSeries(settings_.run, language_);
  // Past the counts only the routes and the result series are consulted: the points and lots
  // are given back instead of living on with the document's settings.
  settings_.run.pointStore = PointStore{};
  settings_.run.lots = StableArray<LotData>{};
  settings_.run.routeElements = GrowingArray<EntityData>{};
  return status;
}

void KestrelForm::buildTree() {
  const SeriesSelection& selection = settings_.selection;
  tree_.clear();
  for (int entry : kTreeOrder) {
    SeriesTreeItem item;
    item.entry = entry;
    const int32_t count = selection.counts[entry];
    item.locked = count < 1;
    item.text = item.locked ? selection.labels[entry]
                            : selection.labels[entry] + " [" + std::to_string(count) + "]";
    item.checked = !item.locked && selection.selected[entry];
    tree_.push_back(std::move(item));
  }
}

void KestrelForm::readChecks() {
  for (const auto& item : tree_)
    settings_.selection.selected[item.entry] = item.checked && !item.locked;
}

void KestrelForm::updateImportEnabled() {
  readChecks();
  int64_t total = 0;
  bool anySelected = false;
  for (int entry = 0; entry < kSeriesCount; ++entry) {
    total += settings_.selection.counts[entry];
    anySelected = anySelected || settings_.selection.selected[entry];
  }
  importEnabled_ = total > 0 && anySelected;
}

void KestrelForm::setChecked(int entry, bool checked) {
  for (auto& item : tree_)
    if (item.entry == entry && !item.locked) item.checked = checked;
  updateImportEnabled();
}

void KestrelForm::setAllChecked(bool checked) {
  for (auto& item : tree_)
    if (!item.locked) item.checked = checked;
  updateImportEnabled();
}

bool KestrelForm::browse(const std::string& path) {
  if (!isValidSimPath(path)) {
    views_.messageBox(text::kInvalidPathText, text::kInvalidPathCaption,
                      ovwin::MessageIcon::Exclamation);
    return false;
  }
  settings_.selection = SeriesSelection{};
  settings_.filePath = path;
  preScan(path);
  buildTree();
  updateImportEnabled();
  return true;
}

bool KestrelForm::openSettings() {
  KestrelSettingsForm form(layers_, settings_.layers, settings_.shiftDistance, &views_, language_);
  if (!views_.showSettingsDialog(form)) return false;
  for (int i = 0; i < kLayerCount; ++i) settings_.layers[i] = form.acceptedLayer(i);
  settings_.shiftDistance = form.shiftDistance();
  return true;
}

// Results of a selected kind that refer to a route of type 2, 3 or 7 the user left unticked.
bool KestrelForm::resultsNeedAlignment() const {
  const SeriesSelection& selection = settings_.selection;
  const ImportRun& run = settings_.run;
  auto unselectedAlignmentRoute = [&](int32_t routeNumber) {
    const SimaAlignment* route = run.findRoute(routeNumber);
    return route != nullptr && makesAlignment(route->routeType) &&
           !selection.routeTypeSelected(route->routeType);
  };
  if (selection.isSelected(kSeriesH))
    for (const auto& block : run.verticalSeries)
      if (unselectedAlignmentRoute(block.routeNumber)) return true;
  if (selection.isSelected(kSeriesI))
    for (const auto& block : run.crossSections)
      if (unselectedAlignmentRoute(block.routeNumber)) return true;
  return false;
}

bool KestrelForm::pressImport() {
  if (closed_ || !importEnabled_) return false;
  if (!isValidSimPath(settings_.filePath)) {
    views_.messageBox(text::kInvalidPathText, text::kInvalidPathCaption,
                      ovwin::MessageIcon::Exclamation);
    return false;
  }
  readChecks();
  settings_.siteName =
      siteIndex_ >= 0 ? sites_[static_cast<std::size_t>(siteIndex_)] : std::string();
  settings_.fileTimeStamp = fileTimeStamp(settings_.filePath);
  alignmentChoiceRequested_ = resultsNeedAlignment();
  settings_.run.selection = settings_.selection;
  closed_ = true;
  return true;
}

}  // namespace kestrel
