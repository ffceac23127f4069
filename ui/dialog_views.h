// How a host shows the import module's dialogs; the forms keep the rules, views only show them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "module_api/import_module.h"
#include "platform/runtime/windowing.h"
#include "ui/progress_wnd.h"

namespace kestrel {

class KestrelForm;
class KestrelSettingsForm;
class SelectAlignmentForm;
class SimaResultForm;

// One host's way of showing the dialogs, modally.
class DialogViews {
 public:
  virtual ~DialogViews() = default;
  // True when the dialog was closed with "読み込み".
  virtual bool showImportDialog(KestrelForm& form) = 0;
  // True when the settings were accepted with "設定".
  virtual bool showSettingsDialog(KestrelSettingsForm& form) = 0;
  // 0 when an alignment was confirmed, −1 when the choice was cancelled.
  virtual int showAlignmentSelection(SelectAlignmentForm& form) = 0;
  virtual void showResult(SimaResultForm& form) = 0;
  virtual void messageBox(const std::string& text, const std::string& caption,
                          ovwin::MessageIcon icon) = 0;
  virtual std::unique_ptr<ProgressView> createProgressView() = 0;
};

// The back end that answers every dialog from the conversation's script, as the user would have
// clicked, and records how the run ended and what the result dialog showed.
std::unique_ptr<DialogViews> makeScriptedViews(ovwin::WindowingSystem& windowing,
                                               module::Conversation& conversation);

// What the result dialog showed, as the report a host reads (every error with a code).
void fillRunReport(const SimaResultForm& form, module::RunReport& report);

// Makes the views of a host whose windowing mode is not scripted (the desktop host registers it);
// null when they cannot be shown.
using DialogViewsFactory = std::function<std::unique_ptr<DialogViews>(ovwin::WindowingSystem&,
                                                                      module::Conversation&)>;
void registerDialogViews(ovwin::DialogMode mode, DialogViewsFactory factory);

// The views for the host's current windowing mode; scripted when no other is registered.
std::unique_ptr<DialogViews> makeDialogViews(ovwin::WindowingSystem& windowing,
                                             module::Conversation& conversation);

}  // namespace kestrel
