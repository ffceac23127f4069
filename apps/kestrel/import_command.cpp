// kestrel import: the option table, then the plan checked whole, then one file in this process or
// several in child processes.
#include "apps/kestrel/import_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <sstream>

#include "apps/kestrel/batch.h"
#include "apps/kestrel/exit_status.h"
#include "apps/kestrel/host_import.h"
#include "apps/kestrel/report.h"

namespace kestrel::cli {

namespace {

using Set = std::function<std::optional<Problem>(const std::string&)>;

Set append(std::vector<std::string>& target) {
  return [&target](const std::string& value) {
    target.push_back(value);
    return std::optional<Problem>();
  };
}

// "all", or a comma-separated list of the tree's keys in any case.
Set storeSeries(std::optional<std::vector<std::string>>& target) {
  return [&target](const std::string& text) -> std::optional<Problem> {
    static const std::vector<std::string> keys = {"A",  "D",  "H",  "I",  "F1", "F2",
                                                  "F3", "F4", "F5", "F6", "F7"};
    if (text == "all") {
      target = keys;
      return std::nullopt;
    }
    std::vector<std::string> chosen;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) {
      std::string key = item;
      for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (std::find(keys.begin(), keys.end(), key) == keys.end())
        return Problem{Text::SeriesUnknown, {text, item}};
      chosen.push_back(key);
    }
    if (chosen.empty()) return Problem{Text::SeriesUnknown, {text, text}};
    target = chosen;
    return std::nullopt;
  };
}

Set storeJobs(int& target) {
  return [&target](const std::string& text) -> std::optional<Problem> {
    const auto jobs = wholeNumber(text, 1, 9999);
    if (!jobs) return Problem{Text::BadCount, {"-j", text}};
    target = *jobs;
    return std::nullopt;
  };
}

// Writes a file's lines: errors and warnings on stderr, result lines (after `prefix`) on stdout.
void printLines(const FileOutcome& outcome, const std::string& prefix) {
  for (const auto& line : outcome.err) std::cerr << "kestrel: " << line << "\n";
  for (const auto& line : outcome.out) std::cout << prefix << line << "\n";
}

int importOne(Session& session, const FilePlan& plan, const ImportOptions& o) {
  const bool progress = isatty(STDERR_FILENO) != 0 && !o.json && !o.quiet;
  const FileOutcome outcome = importFile(session, plan, o, session.warnings, progress);
  printLines(outcome, "");
  if (o.json) std::cout << outcome.report.dump() << "\n";
  return outcome.status;
}

// Each file in a child process of its own; results printed in the order the files were given.
int importBatch(Session& session, const std::vector<FilePlan>& plans, const ImportOptions& o) {
  const Language language = o.language;
  const int jobs = o.jobs > 0 ? o.jobs : processorCount();
  const bool progress = isatty(STDERR_FILENO) != 0 && !o.json && !o.quiet;
  if (!o.quiet)
    for (const Problem& warning : session.warnings)
      std::cerr << "kestrel: " << warning.say(language) << "\n";

  Json report = reportHead("batch", kImported);
  report["jobs"] = jobs;
  Json& files = report["files"] = Json::array();
  int worst = kImported;
  int byStatus[5] = {};
  int64_t errorCount = 0;
  std::size_t handled = 0;
  auto handle = [&](const FilePlan& plan, const FileOutcome& outcome) {
    if (progress) std::cerr << "\r\033[K" << std::flush;
    printLines(outcome, plan.input + ": ");
    files.push(outcome.report);
    worst = worse(worst, outcome.status);
    ++byStatus[std::clamp(outcome.status, 0, 4)];
    if (const Json* count = outcome.report.find("error_count")) errorCount += count->number();
    if (progress)
      std::cerr << say(language, Text::Reading) << " " << ++handled << "/" << plans.size()
                << std::flush;
  };

  std::vector<std::size_t> runnable;
  for (std::size_t i = 0; i < plans.size(); ++i)
    if (!plans[i].problem) runnable.push_back(i);
  std::size_t emitted = 0;  // plans handled so far, in order
  auto emitRefusedUpTo = [&](std::size_t end) {
    for (; emitted < end; ++emitted)
      handle(plans[emitted],
             failedFile(plans[emitted].input, kUsage, *plans[emitted].problem, language));
  };
  runInChildren(
      runnable.size(), jobs,
      [&](std::size_t k) {
        return importFile(session, plans[runnable[k]], o, {}, false).serialize(2);
      },
      [&](std::size_t k, std::optional<std::string> bytes, const std::string& failure) {
        const FilePlan& plan = plans[runnable[k]];
        emitRefusedUpTo(runnable[k]);
        std::optional<FileOutcome> outcome;
        if (bytes) outcome = FileOutcome::deserialize(*bytes);
        if (!outcome)
          outcome = failedFile(plan.input, kFailed,
                               Problem{Text::ChildFailed, {plan.input, failure}}, language);
        handle(plan, *outcome);
        ++emitted;
      });
  emitRefusedUpTo(plans.size());
  if (progress) std::cerr << "\n";

  Json& total = report["total"];
  total["files"] = plans.size();
  total["imported"] = byStatus[kImported];
  total["partial"] = byStatus[kPartial];
  total["nothing_to_import"] = byStatus[kNothingToImport];
  total["failed"] = byStatus[kFailed] + byStatus[kUsage];
  total["error_count"] = errorCount;
  Json& warnings = report["warnings"] = Json::array();
  for (const Problem& warning : session.warnings) warnings.push(problemJson(warning, language));
  report["status"] = worst;
  report["outcome"] = outcomeOf(worst);
  if (o.json) {
    std::cout << report.dump() << "\n";
  } else if (!o.quiet) {
    std::cout << say(language, Text::BatchSummary,
                     {std::to_string(plans.size()), std::to_string(byStatus[kImported]),
                      std::to_string(byStatus[kPartial]),
                      std::to_string(byStatus[kNothingToImport]),
                      std::to_string(byStatus[kFailed] + byStatus[kUsage])})
              << "\n";
  }
  return worst;
}

}  // namespace

Command importCommand(ImportOptions& o) {
  static constexpr const char* kLayerNames[5] = {"--layer-points", "--layer-ip-lines",
                                                 "--layer-lots", "--layer-width-stakes",
                                                 "--layer-continuous"};
  static constexpr const char* kLayerHelp[5][2] = {
      {"点の画層", "layer for points"},
      {"IP線の画層", "layer for IP lines"},
      {"画地の画層", "layer for lots"},
      {"幅杭線の画層", "layer for width-stake lines"},
      {"曲線を含まない連続線の画層", "layer for continuous lines without curves"}};
  Command command{"import", Text::HelpImportCommand, Text::HelpImportUsage, {}, "dir"};
  auto& rows = command.options;
  rows.push_back({"--site",
                  "NAME",
                  "線形を作るサイト (ないときは作る。既定: 最初のサイト)",
                  "civil site for alignments (made when missing; default: the first)",
                  {},
                  store(o.site)});
  rows.push_back({"--series",
                  "LIST",
                  "読み込むもの: all、または A,D,H,I,F1..F7 の並び (既定: ファイルにあるもの)",
                  "what to import: all, or a list of A,D,H,I,F1..F7 (default: what the file holds)",
                  {},
                  storeSeries(o.series)});
  for (std::size_t i = 0; i < 5; ++i)
    rows.push_back(
        {kLayerNames[i], "LAYER", kLayerHelp[i][0], kLayerHelp[i][1], {}, store(o.layers[i])});
  rows.push_back({"--shift",
                  "M",
                  "縦断・横断成果の垂直壁のシフト距離 (m、0 より大きい。既定 0.0001)",
                  "shift distance of vertical walls in metres (above 0; default 0.0001)",
                  {},
                  store(o.shift)});
  rows.push_back({"--encoding",
                  "NAME",
                  "入力の文字コード (auto: 正しい UTF-8 でなければ CP932。正しい UTF-8 "
                  "でも、半角カナのように UTF-8 として読むと SIMA ファイルにない文字になり、"
                  "CP932 ではそれが少ないなら CP932。--json に理由を示す)",
                  "input encoding (auto: CP932 unless valid UTF-8, and also when valid UTF-8 reads "
                  "as characters no SIMA file holds where CP932 reads fewer, as half-width kana do; "
                  "--json says why)",
                  {"auto", "utf-8", "cp932"},
                  store(o.encoding)});
  rows.push_back({"--tolerant",
                  "",
                  "実際の書き出しにある書式の違いを読む: 末尾の空欄のないレコード、"
                  "undefined・null・NaN の標高 (標高なしとする)。その数を結果と --json に示す",
                  "read what real exporters write: records without their empty last field, "
                  "elevations given as undefined, null or NaN (read as none); counted in the result "
                  "and in --json",
                  {},
                  raise(o.tolerant)});
  rows.push_back(languageOption(o.language));
  rows.push_back(jsonOption(o.json));
  rows.push_back(quietOption(o.quiet));
  rows.push_back({"-o,--output",
                  "OUT",
                  "書き出すもの。図面 (.dxf、一つまで) か GIS データ (.gpkg、.geojson、.shp、.fgb、"
                  ".csv など)。繰り返せる。指定したものだけを書く (既定: 入力の .sim を .dxf "
                  "にした図面)",
                  "an output, repeatable: the drawing (.dxf, one at most) or a GIS dataset (.gpkg, "
                  ".geojson, .shp, .fgb, .csv, ...); only what -o names is written (default: the "
                  "drawing, the input with .dxf)",
                  {},
                  append(o.outputs),
                  "file"});
  rows.push_back({"--output-dir",
                  "DIR",
                  "図面、LandXML と GIS データを書き出すフォルダー (既定: 入力のフォルダー)",
                  "folder the drawings, LandXML files and GIS datasets go to (default: the input's)",
                  {},
                  store(o.outputDir),
                  "dir"});
  rows.push_back({"-f,--format",
                  "DRIVER",
                  "GIS データの GDAL ドライバー (既定: 拡張子から)。-o がなければ、入力ごとにこの形式の "
                  "GIS データも書く",
                  "GDAL driver of the GIS outputs (default: by extension); without -o, every input "
                  "also gets a dataset in this format",
                  {},
                  store(o.gisDriver)});
  rows.push_back({"--zone",
                  "N",
                  "座標の平面直角座標系 (1-19。既定: ファイルが示す系)",
                  "plane rectangular zone of the coordinates (1-19; default: the zone the file names)",
                  {},
                  storeWhole(o.zone, 1, 19, Text::BadZone)});
  rows.push_back(datumOption(o.jgd2000, "--zone とファイルが示す系の測地系",
                             "datum of --zone and of a zone the file names"));
  rows.push_back({"--epsg",
                  "CODE",
                  "座標の EPSG コード (--zone の代わりに)",
                  "EPSG code of the coordinates (instead of a zone)",
                  {},
                  storeWhole(o.epsg, 1, 999999999, Text::BadEpsg)});
  rows.push_back({"--t-srs",
                  "SRS",
                  "GIS データをこの座標参照系に変換する (例 EPSG:4326。ogr2ogr -t_srs と同じ)",
                  "reproject the GIS outputs to this CRS (e.g. EPSG:4326), as ogr2ogr -t_srs",
                  {},
                  store(o.targetSrs)});
  rows.push_back({"--overwrite",
                  "",
                  "すでにある出力を置き換える",
                  "replace outputs that already exist",
                  {},
                  raise(o.overwrite)});
  rows.push_back({"--drawing",
                  "BASE.dxf",
                  "読み込み先の既存の図面 (DXF。書き換えない)",
                  "an existing drawing (DXF) to import into; never written",
                  {},
                  store(o.drawing),
                  "file"});
  rows.push_back({"--landxml",
                  "OUT.xml",
                  "書き出す LandXML (既定: 図面の .dxf を .xml にしたもの)",
                  "the LandXML to write (default: the drawing with .xml)",
                  {},
                  store(o.landxml),
                  "file"});
  rows.push_back({"--alignments",
                  "IN.xml",
                  "成果を置ける平面線形を含む LandXML (読むだけ)",
                  "a LandXML file whose alignments results may be placed on (only read)",
                  {},
                  store(o.alignments),
                  "file"});
  rows.push_back({"--alignment",
                  "NAME",
                  "ファイルの路線が示さないときに成果を置く平面線形",
                  "the alignment results go on when the file's routes give none",
                  {},
                  store(o.alignment)});
  rows.push_back({"--log",
                  "PATH",
                  "インポートログの書き出し先: ファイル、またはフォルダー (既定: 入力の隣)",
                  "where the import log goes: a file, or a folder (default: beside the input)",
                  {},
                  store(o.log),
                  "file"});
  rows.push_back({"--log-encoding",
                  "NAME",
                  "ログの文字コード (input: 入力と同じ)",
                  "the log's encoding (input: as the input was read)",
                  {"input", "utf-8"},
                  [&o](const std::string& value) {
                    o.logUtf8 = value == "utf-8";
                    return std::optional<Problem>();
                  }});
  rows.push_back({"-j,--jobs",
                  "N",
                  "同時に読み込むファイルの数 (既定: プロセッサーの数)",
                  "files imported at once (default: the number of processors)",
                  {},
                  storeJobs(o.jobs)});
  rows.push_back(helpOption(o.help));
  return command;
}

int runImportCommand(const std::vector<std::string>& arguments, Language language) {
  ImportOptions o;
  o.language = language;
  const bool json = wantsJson(arguments);
  const Command command = importCommand(o);
  if (auto ended = parseCommand(arguments, command, o.inputs, o.help, o.language, language))
    return *ended;
  if (o.inputs.empty())
    return reportFailure(kUsage, Problem{Text::MissingInput, {}}, language, json);

  std::vector<FilePlan> plans;
  bool batch = false;
  if (auto problem = planImport(o, plans, batch))
    return reportFailure(problem->text == Text::GisUnavailable ? kFailed : kUsage, *problem,
                         language, json);
  if (!batch && plans.front().problem) {
    const FileOutcome refused =
        failedFile(plans.front().input, kUsage, *plans.front().problem, language);
    printLines(refused, "");
    if (o.json) std::cout << refused.report.dump() << "\n";
    return kUsage;
  }
  Session session;
  std::optional<Problem> problem;
  if (const int status = openSession(o, session, problem); status != kImported)
    return reportFailure(status, *problem, language, json);
  return batch ? importBatch(session, plans, o) : importOne(session, plans.front(), o);
}

std::optional<int> parseCommand(const std::vector<std::string>& arguments, const Command& command,
                                std::vector<std::string>& operands, const bool& help,
                                const Language& shown, Language language) {
  if (auto problem = parseArguments(arguments, command.options, operands))
    return reportFailure(kUsage, *problem, language, wantsJson(arguments));
  if (help) {
    writeHelp(std::cout, command, shown);
    return kImported;
  }
  return std::nullopt;
}

int reportFailure(int status, const Problem& problem, Language language, bool json) {
  std::cerr << "kestrel: " << problem.say(language) << "\n";
  if (json) {
    Json report = reportHead("error", status);
    report["error"] = problemJson(problem, language);
    std::cout << report.dump() << "\n";
  }
  return status;
}

}  // namespace kestrel::cli
