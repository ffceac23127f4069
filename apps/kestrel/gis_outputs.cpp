#include "apps/kestrel/gis_outputs.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

#include "apps/kestrel/batch.h"
#include "apps/kestrel/host_import.h"
#include "gis/plan/gis_plan.h"
#include "io/text_encoding.h"

namespace kestrel::cli {

namespace fs = std::filesystem;

namespace {

// A private library's side (`Side* symbol()`), loaded once per process; null with the path and the
// reason when it cannot be.
template <typename Side>
Side* librarySide(const char* library, const char* symbol, std::string& path, std::string& reason) {
  static Side* loaded = nullptr;
  path = privateLibraryPath(library);
  if (loaded != nullptr) return loaded;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    reason = dlerror();
    return nullptr;
  }
  const auto find = reinterpret_cast<Side* (*)()>(dlsym(handle, symbol));
  if (find == nullptr) {
    reason = std::string("no ") + symbol;
    return nullptr;
  }
  return loaded = find();
}

// The GIS library, and GDAL with it.
gis::GisWriter* gisWriter(std::string& path, std::string& reason) {
  return librarySide<gis::GisWriter>("libkestrel_gis.so", gis::kGisWriterSymbol, path, reason);
}

// What a file is read as: the encoding forced, else UTF-8 when it is valid UTF-8 (as the import).
std::string encodingOf(const std::string& file, const std::string& choice) {
  if (choice != "auto") return choice;
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return io::isValidUtf8(bytes) ? "utf-8" : "cp932";
}

// The answers a plan needs, one line each, fields separated by tabs: "format" per path, "layers",
// "crs", "zone" per file (a child sends them so).
std::string answerText(const std::vector<gis::OutputFormat>& formats,
                       const std::vector<std::string>& layerNames, bool targetKnown, bool epsgKnown,
                       const std::vector<int>& zones) {
  std::ostringstream out;
  for (const gis::OutputFormat& format : formats)
    out << "format\t" << static_cast<int>(format.problem) << "\t" << format.oneLayerPerFile << "\t"
        << format.driver << "\t" << format.extension << "\n";
  out << "layers";
  for (const std::string& name : layerNames) out << "\t" << name;
  out << "\ncrs\t" << targetKnown << "\t" << epsgKnown << "\n";
  for (const int zone : zones) out << "zone\t" << zone << "\n";
  return out.str();
}

// The GIS library's answers, or "unavailable" with the path and the reason.
std::string askGisLibrary(const ImportOptions& o, const std::vector<std::string>& paths,
                          const std::vector<std::string>& files) {
  std::string path;
  std::string reason;
  gis::GisWriter* writer = gisWriter(path, reason);
  if (writer == nullptr) return "unavailable\t" + path + "\t" + reason + "\n";
  std::vector<gis::OutputFormat> formats;
  for (const std::string& output : paths) formats.push_back(writer->outputFormat(output, o.gisDriver));
  std::vector<int> zones;
  for (const std::string& file : files)
    zones.push_back(writer->findZone(file, encodingOf(file, o.encoding)).zone);
  return answerText(formats, writer->layerNames(),
                    o.targetSrs.empty() || writer->knowsCrs(o.targetSrs),
                    o.epsg == 0 || writer->knowsCrs("EPSG:" + std::to_string(o.epsg)), zones);
}

// The same answers without GDAL, where GDAL is not needed for them: every output GeoJSON and every
// system named by an EPSG code. Nothing when they do need it or the planning library cannot be
// loaded.
std::optional<std::string> askGisPlanner(const ImportOptions& o,
                                         const std::vector<std::string>& paths,
                                         const std::vector<std::string>& files) {
  const int target = gis::epsgCodeIn(o.targetSrs);
  if (!o.targetSrs.empty() && target == 0) return std::nullopt;
  for (const std::string& output : paths)
    if (!gis::isGeoJsonOutput(output, o.gisDriver)) return std::nullopt;
  std::string path;
  std::string reason;
  auto* planner =
      librarySide<gis::GisPlanner>("libkestrel_gis_plan.so", gis::kGisPlannerSymbol, path, reason);
  if (planner == nullptr) return std::nullopt;
  std::vector<int> zones;
  for (const std::string& file : files)
    zones.push_back(planner->findZone(file, encodingOf(file, o.encoding)).zone);
  return answerText(std::vector<gis::OutputFormat>(paths.size(), gis::geoJsonFormat()),
                    {gis::kLayerNames.begin(), gis::kLayerNames.end()},
                    target == 0 || planner->knowsEpsg(target),
                    o.epsg == 0 || planner->knowsEpsg(o.epsg), zones);
}

std::vector<std::vector<std::string>> linesOf(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream fieldsIn(line);
    for (std::string field; std::getline(fieldsIn, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    lines.push_back(std::move(fields));
  }
  return lines;
}

// Why an output has no format, in the user's terms.
std::optional<Problem> formatProblem(const gis::OutputFormat& format, const std::string& path,
                                     const std::string& driver) {
  switch (format.problem) {
    case gis::FormatProblem::None:
      return std::nullopt;
    case gis::FormatProblem::NoExtension:
      return Problem{Text::GisNoExtension, {path}};
    case gis::FormatProblem::UnknownExtension:
      return Problem{Text::GisExtensionUnknown, {path, fs::path(path).extension().string()}};
    case gis::FormatProblem::UnknownDriver:
      return Problem{Text::GisDriverUnknown, {driver}};
    default:
      return Problem{Text::GisDriverCannotCreate, {driver}};
  }
}

bool isGis(const OutputFile& out) { return out.format == "GIS"; }

}  // namespace

GisPreparation::GisPreparation(const std::vector<OutputFile>& outputs, const ImportOptions& o) {
  std::vector<std::string> paths;
  for (const OutputFile& out : outputs)
    if (isGis(out)) paths.push_back(out.path);
  if (paths.empty()) return;
  gis::CrsOptions crs;
  crs.zone = o.zone;
  crs.datum = o.jgd2000 ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011;
  crs.epsg = o.epsg;
  // The zone a file names is known after its import only (read in the encoding the import found).
  const int epsg = gis::sourceEpsg(crs, 0);
  work_ = [paths = std::move(paths), driver = o.gisDriver, epsg,
           targetSrs = epsg != 0 ? o.targetSrs : std::string()] {
    std::string path;
    std::string reason;
    gis::GisWriter* writer = gisWriter(path, reason);
    if (writer == nullptr) return;  // said when the outputs are written
    for (const std::string& output : paths) writer->prepare(output, driver, epsg, targetSrs);
  };
}

void GisPreparation::start() {
  if (work_) thread_ = std::thread(std::exchange(work_, nullptr));
}

OutputFile gisOutput(const std::string& path, const std::string& option,
                     const gis::OutputFormat& format, const std::vector<std::string>& layerNames) {
  OutputFile out{path, "GIS", option, format.driver, {}};
  if (!format.oneLayerPerFile) out.files.push_back(path);
  for (const std::string& layer : layerNames)
    if (format.oneLayerPerFile) out.files.push_back(gis::layerFileName(path, layer));
  return out;
}

std::optional<Problem> planGis(const ImportOptions& o, const std::vector<std::string>& inputs,
                               bool batch, GisPlan& plan) {
  std::vector<std::string> drawings;
  std::vector<std::string> paths;
  for (const std::string& output : o.outputs)
    (isDrawing(output) ? drawings : paths).push_back(output);
  if (drawings.size() > 1) return Problem{Text::DrawingNamedTwice, {drawings[0], drawings[1]}};
  const bool perInput = o.outputs.empty() && !o.gisDriver.empty();
  if (paths.empty() && !perInput) {
    const char* given = !o.gisDriver.empty()   ? "-f"
                        : o.zone != 0          ? "--zone"
                        : o.epsg != 0          ? "--epsg"
                        : !o.targetSrs.empty() ? "--t-srs"
                                               : nullptr;
    if (given != nullptr) return Problem{Text::GisOptionWithoutOutput, {given}};
    return std::nullopt;
  }

  // Only the files' own zones can give --t-srs a system to transform from.
  std::vector<std::string> zoneFiles;
  if (!o.targetSrs.empty() && o.zone == 0 && o.epsg == 0)
    for (const std::string& input : inputs)
      if (!inputProblem(input)) zoneFiles.push_back(input);
  // An output over an input is refused by the plan in the user's terms, whatever its format.
  std::vector<std::string> inputFiles = inputs;
  for (const auto* given : {&o.drawing, &o.alignments})
    if (*given) inputFiles.push_back(**given);
  std::vector<std::string> overInputs;
  std::erase_if(paths, [&](const std::string& path) {
    const bool over =
        std::any_of(inputFiles.begin(), inputFiles.end(),
                    [&](const std::string& input) { return canonical(input) == canonical(path); });
    if (over) overInputs.push_back(path);
    return over;
  });
  for (const std::string& path : overInputs) plan.named.push_back({path, "GIS", "-o", {}, {path}});
  if (perInput) paths = {""};  // the driver named: no path needed to find it
  std::string answer;
  std::string failure;
  if (auto light = askGisPlanner(o, paths, zoneFiles))
    answer = *light;
  else if (!batch)
    answer = askGisLibrary(o, paths, zoneFiles);
  else
    runInChildren(
        1, 1, [&](std::size_t) { return askGisLibrary(o, paths, zoneFiles); },
        [&](std::size_t, std::optional<std::string> bytes, const std::string& why) {
          if (bytes) answer = *bytes;
          failure = why;
        });
  std::vector<gis::OutputFormat> formats;
  bool targetKnown = false;
  bool epsgKnown = false;
  std::size_t zone = 0;
  for (const auto& fields : linesOf(answer)) {
    const std::string& kind = fields.front();
    if (kind == "unavailable" && fields.size() == 3)
      return Problem{Text::GisUnavailable, {fields[1], fields[2]}};
    if (kind == "format" && fields.size() == 5)
      formats.push_back({static_cast<gis::FormatProblem>(std::stoi(fields[1])), fields[3],
                         fields[4], fields[2] == "1"});
    if (kind == "layers") plan.layerNames.assign(fields.begin() + 1, fields.end());
    if (kind == "crs" && fields.size() == 3) {
      targetKnown = fields[1] == "1";
      epsgKnown = fields[2] == "1";
    }
    if (kind == "zone" && fields.size() == 2 && zone < zoneFiles.size())
      plan.zones[zoneFiles[zone++]] = std::stoi(fields[1]);
  }
  if (formats.size() != paths.size() || zone != zoneFiles.size())
    return Problem{
        Text::GisUnavailable,
        {privateLibraryPath("libkestrel_gis.so"), failure.empty() ? "no answer" : failure}};

  for (std::size_t i = 0; i < paths.size(); ++i)
    if (auto problem = formatProblem(formats[i], paths[i], o.gisDriver)) return problem;
  if (!targetKnown) return Problem{Text::CrsUnknown, {"--t-srs", o.targetSrs}};
  if (!epsgKnown) return Problem{Text::CrsUnknown, {"--epsg", std::to_string(o.epsg)}};
  if (perInput) {
    if (formats.front().extension.empty())
      return Problem{Text::GisDriverWithoutExtension, {o.gisDriver}};
    plan.perInput = formats.front();
    return std::nullopt;
  }
  for (std::size_t i = 0; i < paths.size(); ++i)
    plan.named.push_back(gisOutput(paths[i], "-o", formats[i], plan.layerNames));
  return std::nullopt;
}

std::optional<Problem> writeGisOutputs(std::vector<OutputFile>& outputs, const ImportOptions& o,
                                       const gis::SurveySource& source, const std::string& input,
                                       const std::string& encoding,
                                       std::vector<Problem>& warnings,
                                       GisPreparation& preparation) {
  if (std::none_of(outputs.begin(), outputs.end(), isGis)) return std::nullopt;
  // The memory the import freed goes back to the system before the outputs are made.
  malloc_trim(0);
  preparation.wait();
  std::string path;
  std::string reason;
  gis::GisWriter* writer = gisWriter(path, reason);
  if (writer == nullptr) return Problem{Text::GisUnavailable, {path, reason}};

  gis::CrsOptions crs;
  crs.zone = o.zone;
  crs.datum = o.jgd2000 ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011;
  crs.epsg = o.epsg;
  gis::ZoneInFile named;
  if (crs.epsg == 0 && crs.zone == 0) named = writer->findZone(input, encoding);
  const int epsg = gis::sourceEpsg(crs, named.zone);
  if (epsg == 0 && !o.targetSrs.empty()) return Problem{Text::TargetSrsWithoutCrs, {input}};
  if (epsg == 0)
    warnings.push_back(Problem{Text::NoCrs, {input}});
  else if (named.zone != 0)
    warnings.push_back(Problem{Text::ZoneFromFile,
                               {input, std::to_string(named.zone), std::to_string(epsg),
                                std::to_string(named.line), named.text}});
  for (OutputFile& out : outputs) {
    if (!isGis(out)) continue;
    gis::GisReport report;
    if (const io::Result written =
            writer->write(source, out.path, o.gisDriver, epsg, o.targetSrs, report);
        !written)
      return Problem{Text::OutputWriteFailed, {written.message()}};
    out.files = report.written;
    std::set<std::string> said;
    for (const std::string& warning : report.warnings)
      if (said.insert(warning).second)
        warnings.push_back(Problem{Text::GdalWarning, {out.path, warning}});
  }
  return std::nullopt;
}

}  // namespace kestrel::cli
