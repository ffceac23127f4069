// A DialogViews double for the dialog-rule tests: records message boxes, answers the settings
// dialog with a test-given action. Also the tree entry a case table names, and a field's parts.
#pragma once

#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/dialog_views.h"
#include "tests/support/text_rows.h"
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

// The trimmed parts of a case field split at `separator`; at blanks, empty parts are dropped.
inline std::vector<std::string> split(const std::string& text, char separator = ' ') {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);)
    if (separator != ' ' || !part.empty()) parts.push_back(unescapeTextField(part));
  return parts;
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
