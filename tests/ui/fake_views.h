// A DialogViews double for the dialog-rule tests: records message boxes, answers the settings
// dialog with a test-given action. Also the tree entry a case table names.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/dialog_views.h"
#include "ui/kestrel_settings_form.h"

namespace kestrel::testing {

// The keys case tables name the selection's entries by, in entry order.
inline const char* const kSeriesKeys[kSeriesCount] = {"A",  "D",  "H",  "I",  "F1", "F2",
                                                      "F3", "F4", "F5", "F6", "F7"};
inline std::string seriesKey(int entry) {
  return kSeriesKeys[entry];
}
// The entry of a key; kSeriesRoot for "root".
inline int seriesEntry(const std::string& key) {
  for (int entry = 0; entry < kSeriesCount; ++entry)
    if (key == kSeriesKeys[entry]) return entry;
  return key == "root" ? kSeriesRoot : throw std::invalid_argument(key);
}

class FakeViews : public DialogViews {
 public:
  bool showImportDialog(KestrelForm&) override { return false; }
  bool showSettingsDialog(KestrelSettingsForm& form) override {
    ++settingsShown;
    return settingsAction ? settingsAction(form) : false;
  }
  int showAlignmentSelection(SelectAlignmentForm&) override { return -1; }
  void showResult(SimaResultForm&) override {}
  void messageBox(const std::string& text, const std::string& caption,
                  ovwin::MessageIcon icon) override {
    boxes.push_back({text, caption, icon});
  }
  std::unique_ptr<ProgressView> createProgressView() override { return nullptr; }

  std::vector<ovwin::MessageBoxRecord> boxes;
  std::function<bool(KestrelSettingsForm&)> settingsAction;
  int settingsShown = 0;
};

}  // namespace kestrel::testing
