#include "ui/dialog_views.h"

#include <map>
#include <utility>

#include "ui/dialog_texts.h"
#include "ui/kestrel_form.h"
#include "ui/kestrel_settings_form.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {

namespace {

// A progress window nobody sees: it keeps its geometry so the profile rules still apply.
class HiddenProgressView : public ProgressView {
 public:
  void create(const std::string&, bool) override {}
  void destroy() override {}
  void setVisible(bool) override {}
  void setCaption(const std::string&) override {}
  void setText(const std::string&) override {}
  void setRange(int64_t, int64_t, int64_t) override {}
  void setBarPosition(int64_t) override {}
  void setModal(bool) override {}
  void keepFocus() override {}
  void repaint() override {}
  PumpResult pumpWaitingMessages() override { return PumpResult::Continue; }
  void activateMainWindow() override {}
  void move(int x, int y) override {
    x_ = x;
    y_ = y;
  }
  int x() const override { return x_; }
  int y() const override { return y_; }
  int width() const override { return 360; }
  int height() const override { return 140; }

 private:
  int x_ = 0;
  int y_ = 0;
};

// The tree entry a script names: "A", "D", "H", "I", "F1".."F7"; −1 when unknown.
int seriesEntryOf(const std::string& key) {
  if (key == "A") return kSeriesA;
  if (key == "D") return kSeriesD;
  if (key == "H") return kSeriesH;
  if (key == "I") return kSeriesI;
  if (key.size() == 2 && key[0] == 'F' && key[1] >= '1' && key[1] <= '7')
    return routeTypeEntry(key[1] - '0');
  return -1;
}

const DialogTexts& texts() { return dialogTexts(localeLanguage()); }

std::string joined(const std::map<std::string, int32_t>& alignments) {
  if (alignments.empty()) return texts().none;
  std::string text;
  for (const auto& entry : alignments) text += (text.empty() ? "" : ", ") + entry.first;
  return text;
}

// Clicks through the dialogs as the conversation's script says.
class ScriptedViews : public DialogViews {
 public:
  ScriptedViews(ovwin::WindowingSystem& windowing, module::Conversation& conversation)
      : windowing_(windowing), conversation_(conversation) {}

  bool showImportDialog(KestrelForm& form) override {
    const module::DialogScript& script = conversation_.script;
    // A file already shown (and unchanged since its pre-scan) is not browsed again.
    if (!script.filePath.empty() && script.filePath != form.filePath() &&
        !form.browse(script.filePath))
      return closeWith(form, module::DialogOutcome::PathRejected);

    if (script.siteName && !form.selectSite(*script.siteName))
      windowing_.notices.push_back(fillIn(texts().siteNotFound, {*script.siteName, siteShown(form)}));

    if (script.series) tickSeries(form, *script.series);

    bool settingsGiven = script.shiftDistance.has_value();
    for (const auto& layer : script.layers) settingsGiven = settingsGiven || layer.has_value();
    if (settingsGiven && !form.openSettings() &&
        conversation_.outcome == module::DialogOutcome::ShiftRejected) {
      form.close();
      return false;
    }

    if (script.cancelImportDialog) return closeWith(form, module::DialogOutcome::Cancelled);
    if (!form.importEnabled()) return closeWith(form, module::DialogOutcome::NothingToImport);
    if (!form.pressImport()) return closeWith(form, module::DialogOutcome::PathRejected);
    return true;
  }

  bool showSettingsDialog(KestrelSettingsForm& form) override {
    const module::DialogScript& script = conversation_.script;
    for (int i = 0; i < kLayerCount; ++i)
      if (script.layers[i]) form.chooseLayer(i, *script.layers[i]);
    if (script.shiftDistance) form.setShiftText(*script.shiftDistance);
    if (form.accept()) return true;
    // The refusal's message box is up; the user gives up and cancels.
    conversation_.outcome = module::DialogOutcome::ShiftRejected;
    return false;
  }

  int showAlignmentSelection(SelectAlignmentForm& form) override {
    const auto& name = conversation_.script.alignmentName;
    if (name) {
      if (form.select(*name) && form.confirm() == 0) return 0;
      windowing_.notices.push_back(
          fillIn(texts().alignmentNotFound, {*name, joined(form.alignments())}));
      return form.cancel();
    }
    windowing_.notices.push_back(fillIn(texts().alignmentCancelled, {joined(form.alignments())}));
    return form.cancel();
  }

  void showResult(SimaResultForm& form) override {
    // Without a log file there is nothing to append the result to.
    if (conversation_.script.writeLog) {
      if (const io::Result appended = form.open(); !appended) {
        const std::string line =
            fillIn(texts().logAppendFailed, {form.logPath(), appended.description});
        windowing_.notices.push_back(line);
        if (conversation_.report.logError.empty()) conversation_.report.logError = line;
      }
    }
    fillRunReport(form, conversation_.report);
    conversation_.outcome = module::DialogOutcome::Imported;
  }

  void messageBox(const std::string& text, const std::string& caption,
                  ovwin::MessageIcon icon) override {
    windowing_.messageBoxes.push_back({text, caption, icon});
  }

  std::unique_ptr<ProgressView> createProgressView() override {
    return std::make_unique<HiddenProgressView>();
  }

 private:
  bool closeWith(KestrelForm& form, module::DialogOutcome outcome) {
    conversation_.outcome = outcome;
    form.close();
    return false;
  }

  static std::string siteShown(const KestrelForm& form) {
    const int index = form.selectedSiteIndex();
    return index < 0 ? std::string() : form.sites()[static_cast<std::size_t>(index)];
  }

  // Ticks exactly the named entries ("all" names every one).
  void tickSeries(KestrelForm& form, const std::vector<std::string>& keys) {
    bool wanted[kSeriesCount] = {};
    for (const auto& key : keys) {
      if (key == "all") {
        for (bool& w : wanted) w = true;
        continue;
      }
      const int entry = seriesEntryOf(key);
      if (entry < 0) {
        windowing_.notices.push_back(fillIn(texts().seriesUnknown, {key}));
        continue;
      }
      wanted[entry] = true;
    }
    for (const auto& item : form.treeItems()) {
      if (wanted[item.entry] && item.locked && !containsAll(keys))
        windowing_.notices.push_back(fillIn(texts().seriesEmpty, {keyOf(item.entry)}));
      form.setChecked(item.entry, wanted[item.entry]);
    }
  }

  static bool containsAll(const std::vector<std::string>& keys) {
    for (const auto& key : keys)
      if (key == "all") return true;
    return false;
  }

  static std::string keyOf(int entry) {
    static const char* const kKeys[kSeriesCount] = {"A",  "D",  "H",  "I",  "F1", "F2",
                                                    "F3", "F4", "F5", "F6", "F7"};
    return kKeys[entry];
  }

  ovwin::WindowingSystem& windowing_;
  module::Conversation& conversation_;
};

std::map<ovwin::DialogMode, DialogViewsFactory>& registeredViews() {
  static std::map<ovwin::DialogMode, DialogViewsFactory> factories;
  return factories;
}

}  // namespace

void fillRunReport(const SimaResultForm& form, module::RunReport& report) {
  const SimaResultInputs& in = form.inputs();
  report.resultLines = form.lines();
  report.errorCount = in.errorCount;
  report.drawnPoints = in.drawnPoints;
  report.lotPolylines = in.lotPolylines;
  for (int type = 0; type < 8; ++type) {
    report.routePolylines[type] = in.routePolylines[type];
    report.routesPerType[type] = in.routesPerType[type];
  }
  report.alignments = in.alignmentNames;
  report.verticalPoints = in.verticalPoints;
  report.sectionPoints = in.sectionPoints;
  report.errors.clear();
  report.errors.reserve(in.errors.size());
  for (const auto& entry : in.errors) {
    // Only a point that was not found is logged without a code.
    const std::string code = entry.code.empty() && entry.messageId == 138
                                 ? std::string(module::kPointNotFoundCode)
                                 : entry.code;
    report.errors.push_back({code, entry.messageId, entry.lineNumber, entry.message, entry.lineText});
  }
  report.logPath = form.logPath();
  report.inputEncoding = in.inputEncoding == io::Encoding::Utf8 ? "utf-8" : "cp932";
  report.logEncoding = in.logEncoding == io::Encoding::Utf8 ? "utf-8" : "cp932";
  report.unplacedResults = in.unplacedResults;
  report.replacedCharacters = in.replacedCharacters;
  report.inputEncodingReason = in.encodingReason;
  report.tolerated.lastFieldAdded = in.tolerated.lastFieldAdded;
  report.tolerated.elevationWordDropped = in.tolerated.elevationWordDropped;
  report.wholeFileRead = in.wholeFileRead;
}

std::unique_ptr<DialogViews> makeScriptedViews(ovwin::WindowingSystem& windowing,
                                               module::Conversation& conversation) {
  return std::make_unique<ScriptedViews>(windowing, conversation);
}

void registerDialogViews(ovwin::DialogMode mode, DialogViewsFactory factory) {
  registeredViews()[mode] = std::move(factory);
}

std::unique_ptr<DialogViews> makeDialogViews(ovwin::WindowingSystem& windowing,
                                             module::Conversation& conversation) {
  if (windowing.mode != ovwin::DialogMode::Scripted) {
    const auto found = registeredViews().find(windowing.mode);
    if (found != registeredViews().end() && found->second) {
      if (auto views = found->second(windowing, conversation)) return views;
    }
  }
  return makeScriptedViews(windowing, conversation);
}

}  // namespace kestrel
