#include "command/run_command.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "civil/automation.h"
#include "command/import_module.h"
#include "command/read_file.h"
#include "platform/drawing/drawing_database.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"
#include "ui/dialog_texts.h"
#include "ui/dialog_views.h"
#include "ui/import_settings.h"
#include "ui/kestrel_form.h"
#include "ui/progress_wnd.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {

namespace {

constexpr const char* kDefaultSite = "サイト";

// Module-wide settings: they live from load to unload and are never written to disk.
ImportSettings& importSettings() {
  static ImportSettings settings;
  return settings;
}

io::EncodingChoice encodingChoice() { return importModule().encodingChoice(); }

std::unique_ptr<DialogViews> makeViews() {
  // The desktop host's views register themselves; everything else is answered by script.
  return makeDialogViews(ovwin::windowing(), importModule().conversation());
}

// Lists the civil sites, creating "サイト" in a document without any. False when the sites
// cannot be read (the user has been told).
bool gatherSites(std::vector<std::string>& sites, DialogViews& views, const DialogTexts& texts) {
  CivilConnection connection;
  int status = -1;
  try {
    connection.connect();
    status = connection.listSiteNames(sites);
    if (status == 0 && sites.empty()) {
      connection.addSite(kDefaultSite);
      status = connection.listSiteNames(sites);
    }
  } catch (const OrvoException&) {
    status = -1;
  }
  connection.release();
  if (status != 0) {
    views.messageBox(texts.siteListError, texts.siteListCaption, ovwin::MessageIcon::Exclamation);
    return false;
  }
  return true;
}

// Whether a pre-scanned result block of a ticked kind refers to no route of the file.
bool resultsNeedAlignment(const ImportRun& run, const SeriesSelection& s) {
  bool need = false;
  if (s.isSelected(kSeriesH) && s.counts[kSeriesH] > 0)
    for (const auto& block : run.verticalSeries) need = need || !block.found;
  if (s.isSelected(kSeriesI) && s.counts[kSeriesI] > 0)
    for (const auto& block : run.crossSections) need = need || !block.found;
  return need;
}

std::map<std::string, int32_t> listAlignments() {
  std::map<std::string, int32_t> alignments;
  CivilConnection connection;
  try {
    connection.connect();
    connection.listAlignments(alignments);
  } catch (const OrvoException&) {
  }
  return alignments;
}

// Reports the percentage to the host as the progress window moves.
class ProgressRelay : public ProgressSink {
 public:
  ProgressRelay(CProgressWnd& window, std::size_t total) : window_(window), total_(total) {}
  void setPosition(std::size_t position) override {
    window_.setPosition(static_cast<int64_t>(position));
    auto& hook = ovwin::windowing().progressHook;
    if (hook && total_ > 0) hook(static_cast<int>(position * 100 / total_));
  }
  void pumpMessages() override { window_.pumpMessages(); }

 private:
  CProgressWnd& window_;
  std::size_t total_;
};

// Read file under the progress window.
void readWithProgress(ImportRun& run, const std::string& path, DialogViews& views,
                      const DialogTexts& texts) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  const std::size_t length = error ? 0 : static_cast<std::size_t>(size);
  CProgressWnd window(views.createProgressView(), ovwin::windowing().profile,
                      ovwin::windowing().screenWidth, ovwin::windowing().screenHeight);
  window.create(ovwin::windowing().hasMainWindow, texts.progressTitle);
  window.goModal(texts.progressTitle);
  window.setRange(0, static_cast<int64_t>(length), 1);
  window.setText(texts.progressText);
  ProgressRelay relay(window, length);
  run.progress = &relay;
  readFile(run, path, encodingChoice());
  run.progress = nullptr;
  window.destroy();
}

// What the drawing does not show, for the host: points without elevation (when points were
// imported) and where each result point went.
void keepRecords(ImportRun& run, module::RunRecords& records) {
  if (run.selection.isSelected(kSeriesA)) {
    const PointStore& store = run.pointStore;
    for (std::size_t i = 0; i < store.size(); ++i) {
      const StoredPoint& point = store.row(i);
      if (!point.hasElevation())
        records.pointsWithoutElevation.push_back(
            {point.number, std::string(store.name(point)), point.north, point.east});
    }
  }
  records.results.reserve(run.placements.size());
  for (PlacedResult& placed : run.placements) {
    records.results.push_back({placed.entity, std::move(placed.blockName),
                               std::move(placed.alignmentName), placed.station, placed.offset,
                               placed.hasStakeHeadHeight
                                   ? std::optional<double>(placed.stakeHeadHeight)
                                   : std::nullopt});
  }
}

}  // namespace

void resetImportSettings() { importSettings() = ImportSettings{}; }

void runKestrelCommand() {
  auto& windowing = ovwin::windowing();
  windowing.beginRun();
  module::Conversation& conversation = importModule().conversation();
  conversation.beginRun();
  const sima::Language language = threadLanguage();
  const DialogTexts& texts = dialogTexts(language);
  std::unique_ptr<DialogViews> views = makeViews();
  ImportRun run;
  run.log.setLanguage(language);
  ovrx::docManager().pushResourceHandle(&importSettings());

  std::vector<std::string> sites;
  if (!gatherSites(sites, *views, texts)) {
    conversation.outcome = module::DialogOutcome::SiteListFailed;
    ovrx::docManager().popResourceHandle();
    return;
  }
  const std::vector<std::string> layers = ovdraw::listLayers();

  ImportSettings& settings = importSettings();
  settings.run.log.setLanguage(language);
  auto preScan = [](ImportRun& target, const std::string& path) {
    target.tolerant = importModule().tolerantReading();
    return preScanFile(target, path, encodingChoice());
  };
  KestrelForm form(settings, sites, layers, preScan, *views, language);
  if (!views->showImportDialog(form)) {
    ovrx::docManager().popResourceHandle();
    return;
  }
  settings = form.takeSettings();
  // The run takes the dialog's run; its records are emptied by Read file before anything reads
  // them, so only the run's own settings are carried over (step 9), not a copy of the records.
  run.log.setLanguage(language);

  // Alignment choice: first when results refer to no route of the file, then when the
  // dialog asks for one because the route type they need is not imported.
  int32_t alignmentId = 0;
  std::string alignmentName;
  if (resultsNeedAlignment(settings.run, settings.selection)) {
    SelectAlignmentForm selection(listAlignments());
    if (views->showAlignmentSelection(selection) == 0) {
      alignmentId = selection.chosenId();
      alignmentName = selection.chosenName();
    }
  }
  bool chosenFlag = false;
  if (form.alignmentChoiceRequested()) {
    SelectAlignmentForm selection(listAlignments());
    if (views->showAlignmentSelection(selection) == 0) {
      alignmentId = selection.chosenId();
      alignmentName = selection.chosenName();
      chosenFlag = true;
    }
  }

  run.chosenAlignmentId = alignmentId;
  run.chosenAlignmentName = alignmentName;
  run.chosenAlignmentFlag = chosenFlag;
  for (int i = 0; i < kLayerCount; ++i) run.layers[i] = settings.layers[i];
  run.shiftDistance = settings.shiftDistance;
  run.siteName = settings.siteName;
  run.selection = settings.selection;
  run.keepPlacements = conversation.script.keepRecords;
  run.tolerant = importModule().tolerantReading();

  // Where the log goes and how it is encoded are the host's to say; the module's rule otherwise.
  const module::LogTarget& logTarget = conversation.log;
  run.logInUtf8 = logTarget.utf8;
  readWithProgress(run, settings.filePath, *views, texts);
  // A scripted host tells it from the run report (wholeFileRead) in its own words.
  if (run.stoppedAtLineLimit && windowing.mode != ovwin::DialogMode::Scripted)
    windowing.notices.push_back(
        fillIn(texts.lineLimitReached, {settings.filePath, std::to_string(run.lineLimit)}));

  ImportLog& log = run.log;
  log.setPath(settings.filePath);
  if (!logTarget.path.empty()) log.setFilePath(logTarget.path);
  SimaResultForm result(SimaResultForm::fromRun(run, settings.filePath));
  if (conversation.script.writeLog) {
    // The result dialog's lines end the log: written with it, the log is written once.
    if (const io::Result written = writeLogFile(log, run.logEncoding(), result.lines()); !written) {
      const std::string line = fillIn(texts.logWriteFailed, {log.path(), written.description});
      windowing.notices.push_back(line);
      conversation.report.logError = line;
    } else {
      result.linesWrittenWithLog();
    }
  }
  if (conversation.script.keepRecords) keepRecords(run, conversation.records);

  views->showResult(result);
  ovrx::docManager().popResourceHandle();
}

}  // namespace kestrel
