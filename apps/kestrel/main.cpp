// kestrel: the command line host. Loads the import module, answers its dialogs from options,
// runs the command "Kestrel" and saves what it made.
#include <dlfcn.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "apps/kestrel/cogo_points.h"
#include "apps/kestrel/export_command.h"
#include "apps/kestrel/gis_outputs.h"
#include "apps/kestrel/report.h"
#include "module_api/import_module.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace fs = std::filesystem;
namespace cli = kestrel::cli;
namespace module = kestrel::module;

namespace {

constexpr int kKeepFreedBytes = 32 << 20;  // the largest mmap threshold malloc accepts

struct ImportOptions {
  std::string file;
  std::optional<std::string> site;
  std::optional<std::string> series;
  std::array<std::optional<std::string>, 5> layers;
  std::optional<std::string> shift;
  std::string encoding = "auto";
  std::string language = "ja";
  bool json = false;
  std::vector<std::string> outputs;       // the drawing (.dxf) and any GIS outputs
  cli::GisOutputs gis;
  std::optional<std::string> drawing;
  std::optional<std::string> landxml;     // the civil document's LandXML (default: beside the drawing)
  std::optional<std::string> alignments;  // a LandXML opened into the civil document first
  std::optional<std::string> alignment;   // answer to the alignment selection
};

// The series keys the --series option takes, in the selection's order.
const std::array<const char*, 11> kSeriesKeys = {"A", "D", "H", "I", "F1", "F2",
                                                  "F3", "F4", "F5", "F6", "F7"};

int fail(int status, const std::string& line) {
  std::cerr << "kestrel: " << line << "\n";
  return status;
}

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Why a path cannot be imported, or empty when it can.
std::string pathProblem(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "no such file";
  if (S_ISDIR(info.st_mode)) return "is a directory";
  if (!S_ISREG(info.st_mode)) return "not a regular file";
  if (access(path.c_str(), R_OK) != 0) return "not readable";
  const std::string name = upper(path);
  if (name.size() < 4 || name.compare(name.size() - 4, 4, ".SIM") != 0)
    return "name does not end in .sim";
  return {};
}

// The module sits in lib/ beside the host's bin/ folder, unless KESTREL_MODULE says otherwise.
std::string modulePath() {
  if (const char* env = std::getenv("KESTREL_MODULE"); env != nullptr && *env != '\0') return env;
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return (exe.parent_path().parent_path() / "lib" / "libkestrel_module.so").string();
}

// The path with its extension (after the last "." of the file name) replaced.
std::string replaceExtension(const std::string& path, const std::string& extension) {
  fs::path p(path);
  p.replace_extension(extension);
  return p.string();
}

// Whether two paths name the same file (also when one of them does not exist yet).
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

bool parseSeries(const std::string& text, std::vector<std::string>& out, std::string& bad) {
  out.clear();
  if (text == "all") {
    out.assign(kSeriesKeys.begin(), kSeriesKeys.end());
    return true;
  }
  std::stringstream stream(text);
  for (std::string item; std::getline(stream, item, ',');) {
    std::string key = upper(item);
    if (std::find(kSeriesKeys.begin(), kSeriesKeys.end(), key) == kSeriesKeys.end()) {
      bad = item;
      return false;
    }
    out.push_back(key);
  }
  return !out.empty();
}

class TerminalProgress {
 public:
  explicit TerminalProgress(bool enabled) : enabled_(enabled) {}
  ~TerminalProgress() {
    if (enabled_ && shown_) std::cerr << "\r\033[K" << std::flush;
  }
  void show(int percent) {
    if (!enabled_ || percent == last_) return;
    last_ = percent;
    shown_ = true;
    const int width = 40;
    const int filled = std::clamp(percent, 0, 100) * width / 100;
    std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << percent
              << "%" << std::flush;
  }

 private:
  bool enabled_;
  bool shown_ = false;
  int last_ = -1;
};

// Loads the module (once per process) and finds its side of the conversation; null with the
// reason in `error` when it cannot.
module::ImportModule* loadModule(std::string& error) {
  ovrx::initializeHost();
  auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  if (linker == nullptr) {
    error = "the host has no dynamic linker";
    return nullptr;
  }
  if (const kestrel::io::Result loaded = linker->loadModule(modulePath()); !loaded) {
    error = loaded.description;
    return nullptr;
  }
  const auto find = reinterpret_cast<module::ImportModuleFunction>(
      dlsym(linker->moduleHandle(modulePath()), module::kImportModuleSymbol));
  if (find == nullptr) {
    error = std::string("the module does not export ") + module::kImportModuleSymbol;
    return nullptr;
  }
  return find();
}

// Loads the module and gives it the language and input encoding of the options; null after
// telling the user why not (the exit status in `status`).
module::ImportModule* prepareModule(const std::string& language, const std::string& encoding,
                                    int& status) {
  std::string error;
  module::ImportModule* importModule = loadModule(error);
  if (importModule == nullptr) {
    status = fail(1, modulePath() + ": cannot load the module: " + error);
    return nullptr;
  }
  // The module sets Japanese when it starts; the host may switch afterwards.
  if (language == "en") ovwin::setThreadLocale(ovwin::kEnglishLocale);
  if (!importModule->setInputEncoding(encoding)) {
    status = fail(2, "--encoding " + encoding + ": expected auto, utf-8 or cp932");
    return nullptr;
  }
  return importModule;
}

int runImport(ImportOptions& o) {
  if (const std::string problem = pathProblem(o.file); !problem.empty())
    return fail(2, o.file + ": " + problem + ": Please browse for Valid SIM File.");
  int status = 0;
  module::ImportModule* importModule = prepareModule(o.language, o.encoding, status);
  if (importModule == nullptr) return status;
  std::vector<std::string> series;
  if (o.series) {
    std::string bad;
    if (!parseSeries(*o.series, series, bad))
      return fail(2, "--series " + *o.series + ": unknown entry \"" + bad +
                         "\" (expected all, or A,D,H,I,F1..F7)");
  }

  // Outputs: never the input, never the base drawing. Without -o the drawing goes beside the
  // input; with -o only what it names is written (the LandXML with a drawing or --landxml).
  std::vector<std::string> drawings = o.outputs;
  if (std::string error; !o.gis.prepare(drawings, o.file, error)) return fail(2, error);
  const bool writeDrawing = o.outputs.empty() || !drawings.empty();
  const bool writeLandXml = writeDrawing || o.landxml.has_value();
  const std::string output = drawings.empty() ? replaceExtension(o.file, ".dxf") : drawings[0];
  if (sameFile(output, o.file)) return fail(2, output + ": the output would overwrite the input");
  if (writeDrawing && o.drawing && sameFile(output, *o.drawing))
    return fail(2, output + ": the output would overwrite the base drawing");

  static OvDbDatabase drawing;
  if (o.drawing) {
    if (const kestrel::io::Result opened = openDxf(*o.drawing, drawing); !opened)
      return fail(2, opened.message());
  }
  // The civil document: alignments made earlier, then what this run adds, saved as LandXML.
  const std::string landxml = o.landxml ? *o.landxml : replaceExtension(output, ".xml");
  for (const auto* input : {&std::as_const(o.file), &output})
    if (sameFile(landxml, *input)) return fail(2, landxml + ": the LandXML output would overwrite " + *input);
  if (o.alignments && sameFile(landxml, *o.alignments))
    return fail(2, landxml + ": the LandXML output would overwrite the alignments it opens");
  auto& civil = ovcivil::civilApplication().activeDocument();
  if (o.alignments) {
    if (const kestrel::io::Result opened = ovcivil::openLandXml(*o.alignments, civil); !opened)
      return fail(2, opened.message());
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
    if (!known)
      return fail(2, "--alignment " + *o.alignment + ": no such alignment; alignments: " +
                         (names.empty() ? std::string("none") : names));
  }
  ovSetWorkingDatabase(&drawing);

  // Layers the options name must exist in the drawing the dialog lists them from.
  OvDbDatabase& database = ovWorkingDatabase();
  for (const auto& layer : o.layers) {
    if (layer && !database.hasLayer(*layer)) {
      database.addLayer(*layer);
      std::cerr << "kestrel: layer \"" << *layer << "\" added to the drawing\n";
    }
  }

  auto& windowing = ovwin::windowing();
  windowing.mode = ovwin::DialogMode::Scripted;
  module::Conversation& conversation = importModule->conversation();
  conversation.script = module::DialogScript{};
  conversation.script.filePath = o.file;
  conversation.script.siteName = o.site;
  if (o.series) conversation.script.series = series;
  for (int i = 0; i < 5; ++i) conversation.script.layers[i] = o.layers[static_cast<std::size_t>(i)];
  conversation.script.shiftDistance = o.shift;
  conversation.script.alignmentName = o.alignment;
  o.gis.prepareScript(conversation.script);
  TerminalProgress progress(isatty(STDERR_FILENO) != 0 && !o.json);
  windowing.progressHook = [&progress](int percent) { progress.show(percent); };

  auto* stack =
      dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
  if (stack == nullptr || !stack->invoke("Kestrel"))
    return fail(1, "the module did not register the command Kestrel");
  windowing.progressHook = nullptr;

  for (const auto& notice : windowing.notices) std::cerr << "kestrel: " << notice << "\n";
  switch (conversation.outcome) {
    case module::DialogOutcome::Imported:
      break;
    case module::DialogOutcome::PathRejected:
      return fail(2, o.file + ": Please browse for Valid SIM File.");
    case module::DialogOutcome::NothingToImport:
      return fail(3, o.file + ": nothing to import: the file holds no series this import reads");
    case module::DialogOutcome::ShiftRejected:
      return fail(2, "--shift " + o.shift.value_or("") + ": " +
                         (windowing.messageBoxes.empty() ? std::string("invalid shift distance")
                                                         : windowing.messageBoxes.back().text));
    case module::DialogOutcome::SiteListFailed:
      return fail(1, windowing.messageBoxes.empty() ? std::string("civil sites cannot be read")
                                                    : windowing.messageBoxes.back().text);
    default:
      return fail(1, o.file + ": the import did not run");
  }

  const auto& report = conversation.report;
  if (std::string error; o.gis.any() && !o.gis.check(error)) return fail(2, error);
  // The drawing and the civil document are separate files that only read the drawing: the DXF is
  // written on a second thread while this one writes the LandXML.
  kestrel::io::Result dxfSaved;
  kestrel::io::Result landxmlSaved;
  std::vector<std::string> outputs;
  if (writeLandXml) {
    std::jthread dxfWriter([&] {
      if (writeDrawing) dxfSaved = saveDxf(drawing, output);
    });
    auto points = cli::drawingCogoPoints(drawing, importModule->surveyPointTable());
    if (!points.empty()) civil.markModified();
    civil.points().insert(civil.points().end(), std::make_move_iterator(points.begin()),
                          std::make_move_iterator(points.end()));
    landxmlSaved = ovcivil::saveLandXml(civil, landxml);
  }
  if (!dxfSaved) return fail(1, dxfSaved.message());
  if (!landxmlSaved) return fail(1, landxmlSaved.message());
  if (writeDrawing) outputs.push_back(output);
  if (writeLandXml) outputs.push_back(landxml);
  if (o.gis.any()) {
    const kestrel::io::Result written =
        o.gis.write(drawing, civil, importModule->surveyPointTable(), conversation.records, o.file,
                    report.inputEncoding, outputs);
    if (!written) return fail(written.failure == kestrel::io::Failure::Content ? 2 : 1, written.message());
  }
  if (o.json) {
    cli::writeImportJson(std::cout, o.file, report, outputs);
  } else {
    for (const auto& line : report.resultLines) std::cout << line << "\n";
  }
  return 0;
}

int runScan(const std::string& file, const std::string& encoding, const std::string& language,
            bool json) {
  if (const std::string problem = pathProblem(file); !problem.empty())
    return fail(2, file + ": " + problem + ": Please browse for Valid SIM File.");
  int status = 0;
  module::ImportModule* importModule = prepareModule(language, encoding, status);
  if (importModule == nullptr) return status;
  module::ScanReport scan;
  if (!importModule->scan(file, scan)) return fail(2, file + ": cannot be read");
  if (json)
    cli::writeScanJson(std::cout, file, scan);
  else
    cli::writeScanText(std::cout, scan);
  return 0;
}

// Ends the process once every output is written.
int leave(int status) {
#if !defined(__SANITIZE_ADDRESS__)
  // Every output is written, closed and renamed into place by now; tearing down a drawing of a
  // hundred thousand entities one allocation at a time would only delay the exit.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::_Exit(status);
#else
  return status;  // sanitizer builds tear down so that leaks are still reported
#endif
}

}  // namespace

int main(int argc, char** argv) {
  // A batch run frees a pre-scan's worth of records and then builds a drawing of the same size:
  // memory given back stays with the process for reuse instead of being returned to the system
  // and faulted in again page by page.
  mallopt(M_TRIM_THRESHOLD, kKeepFreedBytes);
  mallopt(M_MMAP_THRESHOLD, kKeepFreedBytes);
  CLI::App app{"kestrel: imports SIMA survey files (*.sim) into a drawing"};
  app.set_version_flag("--version", std::string("kestrel ") + KESTREL_VERSION);
  app.require_subcommand(1);

  ImportOptions o;
  auto* import = app.add_subcommand("import", "Import a SIMA file: points, lots, routes, results");
  import->add_option("file", o.file, "The SIMA file (*.sim)")->required();
  import->add_option("--site", o.site, "Civil site to build alignments in");
  import->add_option("--series", o.series,
                     "What to import: all, or a list of A,D,H,I,F1..F7 (default: what the file holds)");
  const char* layerOptions[5] = {"--layer-points", "--layer-ip-lines", "--layer-lots",
                                 "--layer-width-stakes", "--layer-continuous"};
  const char* layerHelp[5] = {"Layer for points", "Layer for IP lines", "Layer for lots",
                              "Layer for width-stake lines",
                              "Layer for continuous lines without curves"};
  for (int i = 0; i < 5; ++i)
    import->add_option(layerOptions[i], o.layers[static_cast<std::size_t>(i)], layerHelp[i]);
  import->add_option("--shift", o.shift,
                     "Shift distance of vertical walls in metres (default 0.0001)");
  import->add_option("--encoding", o.encoding, "Input encoding: auto, utf-8 or cp932");
  import->add_option("--lang", o.language, "Message language: ja or en")
      ->check(CLI::IsMember({"ja", "en"}));
  import->add_flag("--json", o.json, "Print a machine-readable report instead of the result lines");
  import
      ->add_option("-o,--output", o.outputs,
                   "An output: the drawing (.dxf) or a GIS dataset (.gpkg, .geojson, .shp, .fgb, "
                   ".csv, ...); repeat for several (default: FILE with .dxf)")
      ->allow_extra_args(false);
  o.gis.addOptions(*import);
  import->add_option("--drawing", o.drawing, "An existing drawing (DXF) to import into");
  import->add_option("--landxml", o.landxml,
                     "The LandXML file of the civil document to write (default: the drawing with .xml)");
  import->add_option("--alignment", o.alignment,
                     "The alignment results are placed on when the file's routes do not give one");
  import->add_option("--alignments", o.alignments,
                     "A LandXML file whose alignments results may be placed on (opened before the run)");

  std::string scanFile;
  std::string scanEncoding = "auto";
  std::string scanLanguage = "ja";
  bool scanJson = false;
  auto* scan = app.add_subcommand("scan", "Print what the import dialog would offer, with counts");
  scan->add_option("file", scanFile, "The SIMA file (*.sim)")->required();
  scan->add_option("--encoding", scanEncoding, "Input encoding: auto, utf-8 or cp932");
  scan->add_option("--lang", scanLanguage, "Label language: ja or en")
      ->check(CLI::IsMember({"ja", "en"}));
  scan->add_flag("--json", scanJson, "Print JSON");

  cli::ExportOptions exportOptions;
  CLI::App* exporting = cli::addExportCommand(app, exportOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (import->parsed()) return leave(runImport(o));
  if (exporting->parsed())
    return leave(cli::runExport(exportOptions, [](std::string& error) {
      const module::ImportModule* found = loadModule(error);
      return found ? std::optional(found->surveyPointTable()) : std::nullopt;
    }));
  return runScan(scanFile, scanEncoding, scanLanguage, scanJson);
}
