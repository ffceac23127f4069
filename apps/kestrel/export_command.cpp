// kestrel export: the option table, every input and the output checked before anything is read,
// then the sources gathered and the SIMA file written through a temporary file.
#include "apps/kestrel/export_command.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "apps/kestrel/exit_status.h"
#include "apps/kestrel/host_import.h"
#include "apps/kestrel/import_command.h"
#include "apps/kestrel/report.h"
#include "gis/gis_api.h"
#include "gis/survey_reader.h"
#include "platform/civil/landxml.h"
#include "platform/dxf/dxf_reader.h"
#include "sima_export/alignment_source.h"
#include "sima_export/drawing_source.h"
#include "sima_export/gis_source.h"
#include "sima_export/sima_writer.h"

namespace fs = std::filesystem;

namespace kestrel::cli {

namespace {

using sima_export::Finding;

// Warnings printed on stderr before the rest is left to --json.
constexpr std::size_t kWarningsShown = 20;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string extension(const std::string& path) {
  return lower(fs::path(path).extension().string());
}

// Why an input cannot be read, if it cannot; a GIS dataset may be a folder.
std::optional<Problem> readProblem(const std::string& path, bool folderAllowed) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Problem{Text::InputMissing, {path}};
  if (!(S_ISREG(info.st_mode) || (folderAllowed && S_ISDIR(info.st_mode))))
    return Problem{Text::InputNotRegular, {path}};
  if (access(path.c_str(), R_OK) != 0) return Problem{Text::InputUnreadable, {path}};
  return std::nullopt;
}

// The host's words for what the export library met; a refusal names its source first.
Problem said(const sima_export::Problem& found, const std::string& source = {}) {
  static constexpr std::pair<Finding, Text> kTexts[] = {
      {Finding::SpiralOfType, Text::SpiralOfType},
      {Finding::SpiralOfOneRadius, Text::SpiralOfOneRadius},
      {Finding::ElementsDoNotJoin, Text::ElementsDoNotJoin},
      {Finding::NoPointNumberLeft, Text::NoPointNumberLeft},
      {Finding::AlignmentEmpty, Text::AlignmentEmpty},
      {Finding::StraightsJoined, Text::StraightsJoined},
      {Finding::EntityNotFinite, Text::EntityNotFinite},
      {Finding::PointRenumbered, Text::PointRenumbered},
      {Finding::ArcSegments, Text::ArcSegments},
      {Finding::PointAdded, Text::PointAdded},
      {Finding::NumberUnusable, Text::NumberUnusable},
      {Finding::FeatureRenumbered, Text::FeatureRenumbered},
      {Finding::FeaturesLeftOut, Text::FeaturesLeftOut}};
  Problem problem{Text::FeaturesLeftOut, found.values};
  for (const auto& [finding, text] : kTexts)
    if (finding == found.what) problem.text = text;
  if (!source.empty()) problem.values.insert(problem.values.begin(), source);
  return problem;
}

struct Counts {
  std::size_t points = 0, lots = 0, routes = 0, lines = 0, replaced = 0, pointsAdded = 0;
};

class Export {
 public:
  explicit Export(const ExportOptions& options)
      : o_(options),
        input_(options.inputs.empty() ? std::string() : options.inputs.front()),
        drawing_(extension(input_) == ".dxf") {}

  int run() {
    if (auto problem = check()) return end(kUsage, problem);
    sima_export::SimaData data;
    data.title =
        o_.title ? *o_.title : fs::path(input_.empty() ? *o_.alignments : input_).stem().string();
    if (const int status = gather(data); status != kImported) return status;
    counts_.points = data.points.size();
    counts_.lots = data.lots.size();
    counts_.routes = data.routes.size();
    counts_.pointsAdded = findings_.pointsAdded;
    if (data.points.empty() && data.lots.empty() && data.routes.empty())
      return end(kNothingToImport,
                 Problem{drawing_ && !o_.allEntities ? Text::NothingToExportDrawing
                                                     : Text::NothingToExport,
                         {sourceNames()}});
    return write(data);
  }

 private:
  bool gisInput() const { return !input_.empty() && !drawing_; }

  std::vector<std::string> inputs() const {
    std::vector<std::string> named;
    if (!input_.empty()) named.push_back(input_);
    if (o_.alignments) named.push_back(*o_.alignments);
    return named;
  }

  std::string sourceNames() const {
    if (input_.empty()) return *o_.alignments;
    return o_.alignments ? input_ + ", " + *o_.alignments : input_;
  }

  // Everything that can be known wrong before anything is read, the output's folder and an
  // existing output included, so that nothing is read for a run that cannot write.
  std::optional<Problem> check() const {
    if (o_.inputs.size() > 1) return Problem{Text::UnexpectedArgument, {o_.inputs[1]}};
    if (input_.empty() && !o_.alignments) return Problem{Text::ExportNothingNamed, {}};
    if (extension(input_) == ".sim") return Problem{Text::ExportInputIsSima, {input_}};
    if (extension(input_) == ".xml") return Problem{Text::ExportInputIsLandXml, {input_}};
    if (o_.output.empty()) return Problem{Text::ExportNoOutput, {}};
    if (extension(o_.output) != ".sim") return Problem{Text::ExportOutputNotSim, {o_.output}};
    if (o_.allEntities && !drawing_) return Problem{Text::ExportDrawingOption, {}};
    const bool gisOptions =
        o_.zone != 0 || o_.epsg != 0 || !o_.numberField.empty() || !o_.nameField.empty();
    if (gisOptions && !gisInput()) return Problem{Text::ExportGisOption, {}};
    for (const std::string& input : inputs()) {
      if (auto problem = readProblem(input, input == input_ && gisInput())) return problem;
      if (canonical(input) == canonical(o_.output))
        return Problem{Text::OutputOverwritesInput, {o_.output, input}};
    }
    if (gisInput() && o_.zone == 0 && o_.epsg == 0) return Problem{Text::ExportNeedsZone, {input_}};
    std::error_code ignored;
    if (fs::is_directory(o_.output, ignored)) return Problem{Text::OutputIsFolder, {o_.output}};
    const fs::path parent = fs::path(o_.output).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    if (!fs::is_directory(folder, ignored)) return Problem{Text::OutputFolderMissing, {o_.output}};
    if (access(folder.c_str(), W_OK | X_OK) != 0)
      return Problem{Text::OutputFolderReadOnly, {o_.output}};
    if (!o_.overwrite && fs::exists(o_.output, ignored))
      return Problem{Text::OutputExists, {o_.output}};
    return std::nullopt;
  }

  int gather(sima_export::SimaData& data) {
    if (drawing_) {
      std::optional<Problem> problem;
      const module::ImportModule* module = loadImportModule(o_.language, "auto", false, problem);
      if (module == nullptr) return end(kFailed, problem);
      static OvDbDatabase drawing;  // a drawing of many entities is left to the process's end
      if (const io::Result opened = openDxf(input_, drawing); !opened)
        return end(kUsage, Problem{Text::ExportInputUnreadable, {opened.message()}});
      sima_export::DrawingOptions options;
      options.tables = module->surveyPointTable();
      options.allEntities = o_.allEntities;
      options.tolerance = o_.tolerance;
      sima_export::addDrawing(drawing, options, data, findings_);
      if (findings_.refusal) return end(kRefused, said(*findings_.refusal, input_));
    } else if (!input_.empty()) {
      const std::string library = privateLibraryPath("libkestrel_gis.so");
      void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
      const auto find = reinterpret_cast<gis::SurveyReaderFunction>(
          handle == nullptr ? nullptr : dlsym(handle, gis::kSurveyReaderSymbol));
      if (find == nullptr)
        return end(kFailed, Problem{Text::GisUnavailable,
                                    {library, handle == nullptr ? dlerror() : "no reader"}});
      gis::SurveyReadRequest request;
      request.path = input_;
      request.targetEpsg = gis::sourceEpsg(
          {o_.zone, o_.jgd2000 ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011, o_.epsg, {}}, 0);
      request.numberField = o_.numberField;
      request.nameField = o_.nameField;
      gis::SurveyFeatures features;
      if (const io::Result read = find()->read(request, features); !read)
        return end(kUsage, Problem{Text::ExportInputUnreadable, {read.message()}});
      sima_export::addGisFeatures(features, o_.tolerance, data, findings_);
      if (findings_.refusal) return end(kRefused, said(*findings_.refusal, input_));
    }
    if (o_.alignments) {
      ovcivil::CivilDocument civil;
      if (const io::Result opened = ovcivil::openLandXml(*o_.alignments, civil); !opened)
        return end(kUsage, Problem{Text::ExportInputUnreadable, {opened.message()}});
      sima_export::addAlignments(civil, data, findings_);
      if (findings_.refusal) return end(kRefused, said(*findings_.refusal, *o_.alignments));
    }
    return kImported;
  }

  int write(const sima_export::SimaData& data) {
    sima_export::WriteOptions options;
    options.encoding = utf8() ? io::Encoding::Utf8 : io::Encoding::Cp932;
    options.replaceUnmappable = o_.replaceUnmappable;
    options.decimals = o_.decimals;
    sima_export::WriteSummary summary;
    const io::Result written = sima_export::writeSimaFile(o_.output, data, options, summary);
    counts_.lines = summary.lines;
    counts_.replaced = summary.replaced;
    if (written.failure == io::Failure::Content)
      return end(kRefused, Problem{utf8() ? Text::UnwritableText : Text::UnwritableTextCp932,
                                   {written.message()}});
    if (!written) return end(kFailed, Problem{Text::OutputWriteFailed, {written.message()}});
    if (summary.replaced > 0)
      warnings_.push_back(
          {Text::SimaCharactersReplaced, {o_.output, std::to_string(summary.replaced)}});
    return end(kImported, std::nullopt);
  }

  bool utf8() const { return o_.encoding == "utf-8"; }

  // Says how the export ended: warnings and the error on stderr, the summary or the report on
  // stdout.
  int end(int status, const std::optional<Problem>& error) {
    std::vector<Problem> found;
    for (const sima_export::Problem& warning : findings_.warnings) found.push_back(said(warning));
    warnings_.insert(warnings_.begin(), found.begin(), found.end());
    const Language language = o_.language;
    if (!o_.quiet) {
      std::size_t shown = 0;
      for (const Problem& warning : warnings_)
        if (shown++ < kWarningsShown) std::cerr << "kestrel: " << warning.say(language) << "\n";
      if (warnings_.size() > kWarningsShown)
        std::cerr << "kestrel: "
                  << say(language, Text::MoreWarnings,
                         {std::to_string(warnings_.size() - kWarningsShown)})
                  << "\n";
    }
    if (error) std::cerr << "kestrel: " << error->say(language) << "\n";
    if (o_.json) {
      std::cout << report(status, error).dump() << "\n";
    } else if (status == kImported && !o_.quiet) {
      std::cout << say(language, Text::ExportSummary,
                       {o_.output, std::to_string(counts_.points),
                        std::to_string(counts_.pointsAdded), std::to_string(counts_.lots),
                        std::to_string(counts_.routes), std::to_string(counts_.lines),
                        utf8() ? "UTF-8" : "CP932"})
                << "\n";
    }
    return status;
  }

  Json report(int status, const std::optional<Problem>& error) const {
    Json json = reportHead("export", status);
    json["outcome"] = status == kImported          ? "exported"
                      : status == kNothingToImport ? "nothing_to_export"
                                                   : outcomeOf(status);
    json["inputs"] = Json::strings(inputs());
    Json& output = json["output"];
    output["path"] = o_.output;
    output["format"] = "SIMA";
    output["encoding"] = utf8() ? "utf-8" : "cp932";
    output["written"] = status == kImported;
    Json& counts = json["counts"];
    counts["points"] = counts_.points;
    counts["points_added"] = counts_.pointsAdded;
    counts["lots"] = counts_.lots;
    counts["routes"] = counts_.routes;
    counts["lines"] = counts_.lines;
    counts["replaced_characters"] = counts_.replaced;
    Json& warnings = json["warnings"] = Json::array();
    for (const Problem& warning : warnings_) warnings.push(problemJson(warning, o_.language));
    if (error) json["error"] = problemJson(*error, o_.language);
    return json;
  }

  const ExportOptions& o_;
  std::string input_;
  bool drawing_;
  sima_export::Findings findings_;
  std::vector<Problem> warnings_;  // the writer's; the library's go before them at the end
  Counts counts_;
};

}  // namespace

Command exportCommand(ExportOptions& o) {
  Command command{"export", Text::HelpExportCommand, Text::HelpExportUsage, {}, "any"};
  auto& rows = command.options;
  rows.push_back({"-o,--output",
                  "OUT.sim",
                  "書き出す SIMA ファイル (必須。名前は .sim で終わる)",
                  "the SIMA file to write (required; its name ends in .sim)",
                  {},
                  store(o.output),
                  "file"});
  rows.push_back({"--alignments",
                  "IN.xml",
                  "平面線形を路線 (種類 3) として書き出す LandXML ファイル",
                  "a LandXML file whose alignments become routes (type 3)",
                  {},
                  store(o.alignments),
                  "file"});
  rows.push_back({"--all-entities",
                  "",
                  "属性レコードのない POINT と閉じたポリラインも書き出す",
                  "also POINT entities and closed polylines without a record of ours",
                  {},
                  raise(o.allEntities)});
  rows.push_back({"--tolerance",
                  "M",
                  "画地の頂点が点を指すとみなす距離 (m、既定 0.001)",
                  "metres within which a lot vertex refers to a point (default 0.001)",
                  {},
                  [&o](const std::string& text) -> std::optional<Problem> {
                    char* end = nullptr;
                    const double value = std::strtod(text.c_str(), &end);
                    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0)
                      return Problem{Text::BadTolerance, {text}};
                    o.tolerance = value;
                    return std::nullopt;
                  }});
  rows.push_back({"--encoding",
                  "NAME",
                  "出力の文字コード (既定 cp932。改行はどちらも CRLF)",
                  "output encoding (default cp932; CRLF line ends either way)",
                  {"cp932", "utf-8"},
                  store(o.encoding)});
  rows.push_back({"--replace-unmappable",
                  "",
                  "文字コードにない文字を拒否せず「?」と書く",
                  "write \"?\" for characters the encoding cannot hold instead of refusing",
                  {},
                  raise(o.replaceUnmappable)});
  rows.push_back({"--decimals",
                  "N",
                  "座標などをこの桁数に丸める (既定: 読み戻して同じ値になる桁数)",
                  "round coordinates to this many decimals (default: as many as read back exactly)",
                  {},
                  [&o](const std::string& text) -> std::optional<Problem> {
                    const auto value = wholeNumber(text, 0, 12);
                    if (!value) return Problem{Text::BadDecimals, {text}};
                    o.decimals = *value;
                    return std::nullopt;
                  }});
  rows.push_back({"--title",
                  "TEXT",
                  "G00 と Z00 の行の表題 (既定: 入力の名前)",
                  "the title of the G00 and Z00 lines (default: the input's name)",
                  {},
                  store(o.title)});
  rows.push_back({"--zone",
                  "N",
                  "GIS 入力: 変換先の平面直角座標系 (1-19)",
                  "GIS input: plane rectangular zone of the output (1-19)",
                  {},
                  storeWhole(o.zone, 1, 19, Text::BadZone)});
  rows.push_back(datumOption(o.jgd2000, "GIS 入力: --zone の測地系",
                             "GIS input: datum of --zone"));
  rows.push_back({"--epsg",
                  "CODE",
                  "GIS 入力: 変換先の平面座標系の EPSG コード (--zone の代わりに)",
                  "GIS input: EPSG code of the output's plane CRS (instead of --zone)",
                  {},
                  storeWhole(o.epsg, 1, 999999999, Text::BadEpsg)});
  rows.push_back({"--number-field",
                  "FIELD",
                  "GIS 入力: 点と画地の番号のフィールド",
                  "GIS input: the field that gives point and lot numbers",
                  {},
                  store(o.numberField)});
  rows.push_back({"--name-field",
                  "FIELD",
                  "GIS 入力: 点と画地の名前のフィールド",
                  "GIS input: the field that gives point and lot names",
                  {},
                  store(o.nameField)});
  rows.push_back({"--overwrite",
                  "",
                  "すでにある出力を置き換える",
                  "replace the output if it already exists",
                  {},
                  raise(o.overwrite)});
  rows.push_back(languageOption(o.language));
  rows.push_back(jsonOption(o.json));
  rows.push_back(quietOption(o.quiet));
  rows.push_back(helpOption(o.help));
  return command;
}

int runExportCommand(const std::vector<std::string>& arguments, Language language) {
  ExportOptions o;
  o.language = language;
  const Command command = exportCommand(o);
  if (auto ended = parseCommand(arguments, command, o.inputs, o.help, o.language, language))
    return *ended;
  return Export(o).run();
}

}  // namespace kestrel::cli
