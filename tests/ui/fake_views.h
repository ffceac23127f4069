// A DialogViews double for the dialog-rule tests: records message boxes, answers the settings
// dialog with a test-given action.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_views.h"
#include "ui/kestrel_settings_form.h"

namespace kestrel::testing {

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
