// A DialogViews double for the dialog-rule tests: records message boxes, answers the settings
// dialog with a test-given action. Also the tree entry a case table names.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_views.h"
#include "ui/kestrel_settings_form.h"

namespace kestrel::testing {

// "A", "D", "H", "I", "F1".."F7" as the selection's entry; kSeriesRoot for "root".
inline int seriesEntry(const std::string& key) {
  if (key == "root") return kSeriesRoot;
  if (key.size() == 2 && key[0] == 'F') return routeTypeEntry(key[1] - '0');
  const std::string order = "ADHI";  // kSeriesA, kSeriesD, kSeriesH, kSeriesI
  return static_cast<int>(order.find(key.at(0)));
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
