#include "apps/kestrel/host_import.h"

#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <latch>
#include <optional>
#include <thread>

#include "apps/kestrel/cogo_points.h"
#include "apps/kestrel/exit_status.h"
#include "apps/kestrel/gis_outputs.h"
#include "apps/kestrel/report.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace kestrel::cli {

namespace fs = std::filesystem;

namespace {

// KESTREL_MODULE names another module than the host's own.
std::string modulePath() {
  if (const char* env = std::getenv("KESTREL_MODULE"); env != nullptr && *env != '\0') return env;
  return privateLibraryPath("libkestrel_module.so");
}

// The drawing every file of the run is imported into: empty, or the --drawing opened.
OvDbDatabase& runDrawing() {
  static OvDbDatabase drawing;
  return drawing;
}

// Draws "Reading [#####.....] 40%" on a terminal; the line is ended when the reading is.
class TerminalProgress {
 public:
  TerminalProgress(bool enabled, std::string label) : enabled_(enabled), label_(std::move(label)) {}
  void show(int percent) {
    if (!enabled_ || percent == last_) return;
    last_ = percent;
    const int width = 40;
    const int filled = std::clamp(percent, 0, 100) * width / 100;
    std::cerr << "\r" << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << percent
              << "%" << std::flush;
  }
  void finish() {
    if (enabled_ && last_ >= 0) std::cerr << "\n" << std::flush;
    last_ = -1;
  }

 private:
  bool enabled_;
  std::string label_;
  int last_ = -1;
};

// SOURCE_DATE_EPOCH as the LandXML date and time (UTC), so that runs can be repeated byte for
// byte; false when it is not set or not a number.
bool fixedStamp(std::string& date, std::string& time) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return false;
  char* end = nullptr;
  const long long seconds = std::strtoll(epoch, &end, 10);
  if (*end != '\0' || seconds < 0) return false;
  const std::time_t at = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&at, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
  date = text;
  std::strftime(text, sizeof text, "%H:%M:%S", &utc);
  time = text;
  return true;
}

// Writes the drawing and the civil document the plan names: the DXF on a second thread while this
// one writes the LandXML (they only read the drawing). The second thread first gives the memory
// of the run's records back to the system (they went with the command; else that memory would
// stand beside the drawing while the outputs are written) and finds the lots the LandXML takes,
// while this one finds the survey points: the LandXML is the longer of the two. The first
// failure, or nothing.
std::optional<std::string> saveOutputs(const FilePlan& plan, module::ImportModule& importModule) {
  OvDbDatabase& drawing = runDrawing();
  auto& civil = ovcivil::civilApplication().activeDocument();
  const OutputFile* dxf = plan.output("DXF");
  const OutputFile* landxml = plan.output("LandXML");
  kestrel::io::Result dxfSaved;
  kestrel::io::Result landxmlSaved;
  {
    // The survey points go into the LandXML straight from the drawing, not through a copy. The
    // lots likewise, as parcels.
    std::optional<DrawingLots> lots;
    std::latch lotsFound(1);
    std::jthread dxfWriter([&] {
      malloc_trim(0);
      if (landxml != nullptr) lots.emplace(drawing, importModule.surveyPointTable());
      lotsFound.count_down();
      if (dxf != nullptr) dxfSaved = saveDxf(drawing, dxf->path);
    });
    if (landxml != nullptr) {
      const DrawingCogoPoints points(drawing, importModule.surveyPointTable());
      lotsFound.wait();
      if (points.size() > 0 || lots->size() > 0) civil.markModified();
      if (std::string date, time; fixedStamp(date, time)) civil.setFileStamp(date, time);
      landxmlSaved = ovcivil::saveLandXml(civil, landxml->path, &points, &*lots);
    }
  }
  if (!dxfSaved) return dxfSaved.message();
  if (!landxmlSaved) return landxmlSaved.message();
  return std::nullopt;
}

// How the dialogs ended, as a problem of the file; none when it was imported.
std::optional<std::pair<int, Problem>> dialogProblem(const module::Conversation& conversation,
                                                     const FilePlan& plan, const ImportOptions& o) {
  const auto& boxes = ovwin::windowing().messageBoxes;
  const std::string shown = boxes.empty() ? std::string() : boxes.back().text;
  switch (conversation.outcome) {
    case module::DialogOutcome::Imported:
      return std::nullopt;
    case module::DialogOutcome::PathRejected:
      return std::pair{kUsage, Problem{Text::PathRejected, {plan.input}}};
    case module::DialogOutcome::NothingToImport:
      return std::pair{kNothingToImport, Problem{Text::NothingToImport, {plan.input}}};
    case module::DialogOutcome::ShiftRejected:
      return std::pair{kUsage, Problem{Text::ShiftRefused, {o.shift.value_or(""), shown}}};
    case module::DialogOutcome::SiteListFailed:
      return std::pair{kFailed, Problem{Text::SiteListFailed, {shown}}};
    default:
      return std::pair{kFailed, Problem{Text::ImportNotRun, {plan.input}}};
  }
}

// Stored little-endian lengths and bytes, for the outcome a child hands its parent.
void putText(std::string& out, const std::string& text) {
  const uint64_t size = text.size();
  out.append(reinterpret_cast<const char*>(&size), sizeof size);
  out += text;
}

bool takeText(const std::string& in, std::size_t& at, std::string& text) {
  uint64_t size = 0;
  if (in.size() - at < sizeof size) return false;
  std::copy_n(in.data() + at, sizeof size, reinterpret_cast<char*>(&size));
  at += sizeof size;
  if (in.size() - at < size) return false;
  text.assign(in, at, size);
  at += size;
  return true;
}

}  // namespace

std::string privateLibraryPath(const std::string& name) {
  std::error_code error;
  const fs::path prefix = fs::read_symlink("/proc/self/exe", error).parent_path().parent_path();
  const fs::path installed = prefix / KESTREL_MODULE_DIR / name;
  if (fs::exists(installed, error)) return installed.string();
  return (prefix / "lib" / name).string();
}

std::string FileOutcome::serialize(int reportLevel) const {
  std::string bytes;
  putText(bytes, std::to_string(status));
  putText(bytes, report.dump(reportLevel));
  for (const auto* lines : {&out, &err}) {
    putText(bytes, std::to_string(lines->size()));
    for (const auto& line : *lines) putText(bytes, line);
  }
  return bytes;
}

std::optional<FileOutcome> FileOutcome::deserialize(const std::string& bytes) {
  FileOutcome outcome;
  std::size_t at = 0;
  std::string text;
  if (!takeText(bytes, at, text)) return std::nullopt;
  outcome.status = std::atoi(text.c_str());
  if (!takeText(bytes, at, text)) return std::nullopt;
  outcome.report = Json::raw(text);
  for (auto* lines : {&outcome.out, &outcome.err}) {
    if (!takeText(bytes, at, text)) return std::nullopt;
    const long count = std::atol(text.c_str());
    for (long i = 0; i < count; ++i) {
      if (!takeText(bytes, at, text)) return std::nullopt;
      lines->push_back(text);
    }
  }
  return outcome;
}

module::ImportModule* loadImportModule(Language language, const std::string& encoding,
                                       bool tolerant, std::optional<Problem>& problem) {
  static module::ImportModule* loaded = nullptr;
  if (loaded == nullptr) {
    ovrx::initializeHost();
    const std::string path = modulePath();
    auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
    const kestrel::io::Result result =
        linker == nullptr
            ? kestrel::io::failed(kestrel::io::Failure::Open, path, "no dynamic linker")
            : linker->loadModule(path);
    if (!result) {
      problem = Problem{Text::ModuleUnavailable, {path, result.description}};
      return nullptr;
    }
    const auto find = reinterpret_cast<module::ImportModuleFunction>(
        dlsym(linker->moduleHandle(path), module::kImportModuleSymbol));
    if (find == nullptr) {
      problem = Problem{Text::ModuleUnavailable, {path, module::kImportModuleSymbol}};
      return nullptr;
    }
    loaded = find();
  }
  // The module sets Japanese when it starts; the host switches afterwards.
  ovwin::setThreadLocale(language == Language::English ? ovwin::kEnglishLocale
                                                       : ovwin::kJapaneseLocale);
  loaded->setInputEncoding(encoding);
  loaded->setTolerantReading(tolerant);
  return loaded;
}

int openSession(const ImportOptions& o, Session& session, std::optional<Problem>& problem) {
  session.module = loadImportModule(o.language, o.encoding, o.tolerant, problem);
  if (session.module == nullptr) return kFailed;
  if (std::string refusal; o.shift && !session.module->checkShiftDistance(*o.shift, refusal)) {
    problem = Problem{Text::ShiftRefused, {*o.shift, refusal}};
    return kUsage;
  }
  OvDbDatabase& drawing = runDrawing();
  if (o.drawing) {
    if (const kestrel::io::Result opened = openDxf(*o.drawing, drawing); !opened) {
      problem = Problem{Text::OptionInputUnreadable, {"--drawing", opened.message()}};
      return kUsage;
    }
  }
  auto& civil = ovcivil::civilApplication().activeDocument();
  if (o.alignments) {
    if (const kestrel::io::Result opened = ovcivil::openLandXml(*o.alignments, civil); !opened) {
      problem = Problem{Text::OptionInputUnreadable, {"--alignments", opened.message()}};
      return kUsage;
    }
  }
  // The alignments a user can choose are those the civil document holds before the run.
  if (o.alignment) {
    std::string names;
    bool known = false;
    for (const auto& site : civil.sites())
      for (const auto& alignment : site.alignments) {
        names += (names.empty() ? "" : ", ") + alignment.name;
        known = known || alignment.name == *o.alignment;
      }
    if (!known) {
      problem = Problem{Text::UnknownAlignment,
                        {*o.alignment, names.empty() ? say(o.language, Text::None) : names}};
      return kUsage;
    }
  }
  // A site the user names is made when the document lacks it, as the layers named are.
  if (o.site && civil.findSite(*o.site) == nullptr) {
    civil.addSite(*o.site);
    civil.markModified();
    session.warnings.push_back(Problem{Text::SiteCreated, {*o.site}});
  }
  ovSetWorkingDatabase(&drawing);
  for (const auto& layer : o.layers) {
    if (layer && !drawing.hasLayer(*layer)) {
      drawing.addLayer(*layer);
      session.warnings.push_back(Problem{Text::LayerAdded, {*layer}});
    }
  }
  ovwin::windowing().mode = ovwin::DialogMode::Scripted;
  module::Conversation& conversation = session.module->conversation();
  conversation.script = module::DialogScript{};
  conversation.script.siteName = o.site;
  conversation.script.series = o.series;
  for (std::size_t i = 0; i < o.layers.size(); ++i) conversation.script.layers[i] = o.layers[i];
  conversation.script.shiftDistance = o.shift;
  conversation.script.alignmentName = o.alignment;
  // GIS outputs show what the drawing does not: points without elevation, where results lie.
  conversation.script.keepRecords = o.wantsGis();
  conversation.log = module::LogTarget{};
  conversation.log.utf8 = o.logUtf8;
  return kImported;
}

FileOutcome failedFile(const std::string& file, int status, const Problem& problem,
                       Language language) {
  FileOutcome outcome;
  outcome.status = status;
  outcome.report = failedImportReport(file, status, problem, language);
  outcome.err.push_back(problem.say(language));
  return outcome;
}

FileOutcome importFile(Session& session, const FilePlan& plan, const ImportOptions& o,
                       const std::vector<Problem>& warnings, bool showProgress) {
  const Language language = o.language;
  module::Conversation& conversation = session.module->conversation();
  conversation.script.filePath = plan.input;
  // An explicit --log is passed on; otherwise the module keeps its own rule (the plan agrees).
  conversation.log.path = o.log ? plan.output("log")->path : std::string();

  auto& windowing = ovwin::windowing();
  TerminalProgress progress(showProgress, say(language, Text::Reading));
  GisPreparation gis(plan.outputs, o);
  // Progress comes once the reading's threads run, which a library load would hold up.
  windowing.progressHook = [&progress, &gis](int percent) {
    gis.start();
    progress.show(percent);
  };
  auto* stack =
      dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
  const bool invoked = stack != nullptr && stack->invoke("Kestrel");
  windowing.progressHook = nullptr;
  progress.finish();
  if (!invoked) return failedFile(plan.input, kFailed, Problem{Text::CommandMissing, {}}, language);

  // Warnings go into the report, and before any error on stderr unless --quiet.
  std::vector<Problem> said = warnings;
  for (const auto& notice : windowing.notices)
    said.push_back(Problem{Text::ModuleNotice, {plan.input + ": " + notice}});
  auto finish = [&](FileOutcome outcome) {
    Json& list = outcome.report["warnings"] = Json::array();
    std::vector<std::string> lines;
    for (const Problem& warning : said) {
      list.push(problemJson(warning, language));
      if (!o.quiet) lines.push_back(warning.say(language));
    }
    outcome.err.insert(outcome.err.begin(), lines.begin(), lines.end());
    return outcome;
  };
  if (auto ended = dialogProblem(conversation, plan, o))
    return finish(failedFile(plan.input, ended->first, ended->second, language));

  const module::RunReport& report = conversation.report;
  if (report.replacedCharacters > 0) {
    const char* encoding = report.inputEncoding == "utf-8" ? "UTF-8" : "CP932";
    said.push_back(Problem{Text::CharactersReplaced,
                           {plan.input, encoding, std::to_string(report.replacedCharacters)}});
  }
  if (report.unplacedResults > 0)
    said.push_back(
        Problem{Text::ResultsUnplaced, {plan.input, std::to_string(report.unplacedResults)}});

  FileOutcome outcome;
  outcome.status = report.unplacedResults > 0 ? kPartial : kImported;
  std::optional<Problem> failure;
  FilePlan written = plan;  // with the files the GIS outputs made
  if (auto error = saveOutputs(plan, *session.module)) {
    failure = Problem{Text::OutputWriteFailed, {*error}};
  } else {
    gis::SurveySource source;
    source.drawing = &runDrawing();
    source.civil = &ovcivil::civilApplication().activeDocument();
    source.tables = session.module->surveyPointTable();
    source.records = &conversation.records;
    source.fileName = fs::path(plan.input).filename().string();
    failure =
        writeGisOutputs(written.outputs, o, source, plan.input, report.inputEncoding, said, gis);
  }
  if (!failure && !report.logError.empty())
    failure = Problem{Text::LogWriteFailed, {report.logError}};
  // What was read is imported and written; that the rest was not is a failure of the run.
  if (!failure && !report.wholeFileRead) failure = Problem{Text::LineLimitReached, {plan.input}};
  if (failure) outcome.status = kFailed;
  outcome.report = importReport(written, report, outcome.status);
  if (failure) {
    outcome.report["error"] = problemJson(*failure, language);
    outcome.err.push_back(failure->say(language));
  }
  if (!o.quiet && !o.json) outcome.out = report.resultLines;
  return finish(std::move(outcome));
}

}  // namespace kestrel::cli
