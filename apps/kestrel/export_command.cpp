#include "apps/kestrel/export_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "apps/kestrel/gis_outputs.h"
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

using sima_export::Problem;

// The exit statuses of an export; 0 to 3 mean what they mean for an import, 4 (an import in
// part) has no export counterpart.
enum Status : int {
  kExported = 0,
  kFailed = 1,           // internal error, or the output could not be written
  kUsage = 2,            // options, inputs that cannot be read, outputs that cannot be made
  kNothingToExport = 3,  // the inputs hold no point, lot or alignment
  kRefused = 5           // the data holds what a SIMA file cannot; nothing written
};

const char* outcomeOf(int status) {
  switch (status) {
    case kExported:
      return "exported";
    case kUsage:
      return "usage_error";
    case kNothingToExport:
      return "nothing_to_export";
    case kRefused:
      return "refused";
    default:
      return "failed";
  }
}

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

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

// Why an input cannot be read, or empty; a GIS dataset may be a folder.
std::string inputProblem(const std::string& path, bool folderAllowed) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "no such file";
  if (S_ISDIR(info.st_mode) && !folderAllowed) return "is a folder";
  if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) return "not a regular file";
  if (access(path.c_str(), R_OK) != 0) return "not readable";
  return {};
}

struct Counts {
  std::size_t points = 0, lots = 0, routes = 0, lines = 0, replaced = 0, pointsAdded = 0;
};

class Export {
 public:
  Export(const ExportOptions& options, const SurveyTables& tables)
      : o_(options), tables_(tables), drawing_(isDrawing(options.input)) {}

  int run() {
    if (const int status = check(); status != kExported) return status;
    sima_export::SimaData data;
    data.title = o_.title ? *o_.title
                          : fs::path(o_.input.empty() ? *o_.alignments : o_.input).stem().string();
    if (const int status = gather(data); status != kExported) return status;
    counts_.points = data.points.size();
    counts_.lots = data.lots.size();
    counts_.routes = data.routes.size();
    counts_.pointsAdded = findings_.pointsAdded;
    if (data.points.empty() && data.lots.empty() && data.routes.empty())
      return end(
          kNothingToExport,
          {"nothing_to_export",
           sourceNames() + ": nothing to export: no survey points, lots or alignments" +
               (drawing_ && !o_.allEntities
                    ? " (POINT entities and closed polylines of other origin need --all-entities)"
                    : "")});
    return write(data);
  }

 private:
  static bool isDrawing(const std::string& path) { return extension(path) == ".dxf"; }
  bool gisInput() const { return !o_.input.empty() && !drawing_; }

  std::string sourceNames() const {
    if (o_.input.empty()) return *o_.alignments;
    return o_.alignments ? o_.input + " and " + *o_.alignments : o_.input;
  }

  // Everything that can be known wrong before anything is read.
  int check() {
    auto usage = [&](const std::string& code, const std::string& message) {
      return end(kUsage, {code, message});
    };
    if (o_.input.empty() && !o_.alignments)
      return usage(
          "missing_argument",
          "nothing named to export: give a drawing (.dxf), a GIS dataset or --alignments IN.xml");
    if (!o_.input.empty() && extension(o_.input) == ".sim")
      return usage("input_is_sima", o_.input + ": a SIMA file already");
    if (!o_.input.empty() && extension(o_.input) == ".xml")
      return usage("input_is_landxml",
                   o_.input + ": a LandXML file's alignments are named with --alignments");
    if (extension(o_.output) != ".sim")
      return usage("output_not_sim",
                   o_.output + ": the output's name must end in .sim, as the import wants");
    const fs::path folder =
        fs::path(o_.output).has_parent_path() ? fs::path(o_.output).parent_path() : fs::path(".");
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored))
      return usage("output_folder_missing",
                   o_.output + ": the folder " + folder.string() + " does not exist");
    if (fs::is_directory(o_.output, ignored))
      return usage("output_is_folder", o_.output + ": is a folder");
    for (const std::string* input : {&o_.input, o_.alignments ? &*o_.alignments : nullptr}) {
      if (input == nullptr || input->empty()) continue;
      if (const std::string problem = inputProblem(*input, input == &o_.input && gisInput());
          !problem.empty())
        return usage("input_unreadable", *input + ": " + problem);
      if (sameFile(*input, o_.output))
        return usage("output_overwrites_input",
                     o_.output + ": the output would overwrite " + *input);
    }
    if (o_.allEntities && !drawing_)
      return usage("bad_option", "--all-entities applies to a drawing (.dxf) input");
    const bool gisOptions =
        o_.zone != 0 || o_.epsg != 0 || !o_.numberField.empty() || !o_.nameField.empty();
    if (gisOptions && !gisInput())
      return usage("bad_option",
                   "--zone, --epsg, --number-field and --name-field apply to a GIS dataset input");
    if (gisInput() && o_.zone == 0 && o_.epsg == 0)
      return usage("missing_option", o_.input +
                                         ": a GIS dataset is reprojected into plane "
                                         "coordinates: give --zone (or --epsg)");
    return kExported;
  }

  int gather(sima_export::SimaData& data) {
    if (drawing_) {
      std::string error;
      const std::optional<module::SurveyPointTable> tables = tables_(error);
      if (!tables) return end(kFailed, {"module_unavailable", error});
      static OvDbDatabase drawing;  // a drawing of many entities is left to the process's end
      if (const io::Result opened = openDxf(o_.input, drawing); !opened)
        return end(kUsage, {"input_unreadable", opened.message()});
      sima_export::DrawingOptions options;
      options.tables = *tables;
      options.allEntities = o_.allEntities;
      options.tolerance = o_.tolerance;
      sima_export::addDrawing(drawing, options, data, findings_);
      if (findings_.refusal) return refused(o_.input);
    } else if (!o_.input.empty()) {
      std::string error;
      const auto find = reinterpret_cast<gis::SurveyReaderFunction>(
          gisLibrarySymbol(gis::kSurveyReaderSymbol, error));
      if (find == nullptr) return end(kFailed, {"gis_unavailable", error});
      gis::SurveyReadRequest request;
      request.path = o_.input;
      request.targetEpsg =
          gis::sourceEpsg({o_.zone,
                           lower(o_.datum) == "jgd2000" ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011,
                           o_.epsg,
                           {}},
                          0);
      request.numberField = o_.numberField;
      request.nameField = o_.nameField;
      gis::SurveyFeatures features;
      if (const io::Result read = find()->read(request, features); !read)
        return end(kUsage, {"input_unreadable", read.message()});
      sima_export::addGisFeatures(features, o_.tolerance, data, findings_);
      if (findings_.refusal) return refused(o_.input);
    }
    if (o_.alignments) {
      ovcivil::CivilDocument civil;
      if (const io::Result opened = ovcivil::openLandXml(*o_.alignments, civil); !opened)
        return end(kUsage, {"input_unreadable", opened.message()});
      sima_export::addAlignments(civil, data, findings_);
      if (findings_.refusal) return refused(*o_.alignments);
    }
    return kExported;
  }

  int refused(const std::string& source) {
    Problem problem = *findings_.refusal;
    problem.message = source + ": " + problem.message;
    return end(kRefused, problem);
  }

  int write(const sima_export::SimaData& data) {
    sima_export::WriteOptions options;
    options.encoding = lower(o_.encoding) == "utf-8" ? io::Encoding::Utf8 : io::Encoding::Cp932;
    options.replaceUnmappable = o_.replaceUnmappable;
    options.decimals = o_.decimals;
    sima_export::WriteSummary summary;
    const io::Result written = sima_export::writeSimaFile(o_.output, data, options, summary);
    counts_.lines = summary.lines;
    counts_.replaced = summary.replaced;
    if (written.failure == io::Failure::Content)
      return end(kRefused, {"unwritable_text",
                            written.message() + "; --replace-unmappable writes \"?\" in its place" +
                                (options.encoding == io::Encoding::Cp932
                                     ? ", --encoding utf-8 keeps a character CP932 lacks"
                                     : "")});
    if (!written) return end(kFailed, {"output_write_failed", written.message()});
    if (summary.replaced > 0)
      findings_.warn("characters_replaced", o_.output + ": " + std::to_string(summary.replaced) +
                                                " characters written as \"?\"");
    return end(kExported, Problem{});
  }

  // Says how the export ended, on stderr (problems) and stdout (the summary or the report).
  int end(int status, const Problem& problem) {
    const std::optional<Problem> error =
        problem.code.empty() ? std::nullopt : std::optional(problem);
    std::size_t shown = 0;
    for (const Problem& warning : findings_.warnings)
      if (shown++ < kWarningsShown) std::cerr << "kestrel: " << warning.message << "\n";
    if (findings_.warnings.size() > kWarningsShown)
      std::cerr << "kestrel: and " << findings_.warnings.size() - kWarningsShown
                << " more warnings (--json lists every one)\n";
    if (error) std::cerr << "kestrel: " << error->message << "\n";
    const std::string encoding = lower(o_.encoding) == "utf-8" ? "utf-8" : "cp932";
    if (o_.json) {
      writeJson(status, error, encoding);
    } else if (status == kExported) {
      std::cout << o_.output << ": " << counts_.points << " points (" << counts_.pointsAdded
                << " added), " << counts_.lots << " lots, " << counts_.routes << " routes; "
                << counts_.lines << " lines in " << (encoding == "utf-8" ? "UTF-8" : "CP932")
                << "\n";
    }
    return status;
  }

  void writeJson(int status, const std::optional<Problem>& error, const std::string& encoding) {
    auto problem = [](const Problem& p) {
      return "{\"code\": " + jsonString(p.code) + ", \"message\": " + jsonString(p.message) + "}";
    };
    std::ostream& out = std::cout;
    out << "{\n  \"schema_version\": \"1.0\",\n  \"kind\": \"export\",\n  \"status\": " << status
        << ",\n  \"outcome\": \"" << outcomeOf(status) << "\",\n  \"inputs\": [";
    bool first = true;
    for (const std::string* input : {&o_.input, o_.alignments ? &*o_.alignments : nullptr})
      if (input != nullptr && !input->empty()) {
        out << (first ? "" : ", ") << jsonString(*input);
        first = false;
      }
    out << "],\n  \"output\": {\"path\": " << jsonString(o_.output)
        << ", \"format\": \"sima\", \"encoding\": \"" << encoding
        << "\", \"written\": " << (status == kExported ? "true" : "false") << "},\n";
    out << "  \"counts\": {\"points\": " << counts_.points
        << ", \"points_added\": " << counts_.pointsAdded << ", \"lots\": " << counts_.lots
        << ", \"routes\": " << counts_.routes << ", \"lines\": " << counts_.lines
        << ", \"replaced_characters\": " << counts_.replaced << "},\n  \"warnings\": [";
    for (std::size_t i = 0; i < findings_.warnings.size(); ++i)
      out << (i ? ",\n    " : "\n    ") << problem(findings_.warnings[i]);
    out << (findings_.warnings.empty() ? "]" : "\n  ]");
    if (error) out << ",\n  \"error\": " << problem(*error);
    out << "\n}\n";
  }

  const ExportOptions& o_;
  const SurveyTables& tables_;
  bool drawing_;
  sima_export::Findings findings_;
  Counts counts_;
};

}  // namespace

CLI::App* addExportCommand(CLI::App& app, ExportOptions& o) {
  CLI::App* command = app.add_subcommand(
      "export",
      "Write the points and lots of a drawing or GIS dataset, and alignments, as a SIMA file");
  command->add_option("input", o.input,
                      "A drawing (.dxf) or a GIS dataset (.gpkg, .geojson, .shp, ...)");
  command->add_option("-o,--output", o.output, "The SIMA file to write (*.sim)")->required();
  command->add_option("--alignments", o.alignments,
                      "A LandXML file whose alignments become routes (type 3)");
  command->add_flag("--all-entities", o.allEntities,
                    "Also POINT entities and closed polylines without a record of ours");
  command
      ->add_option("--tolerance", o.tolerance,
                   "Metres within which a lot vertex refers to a point (default 0.001)")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--encoding", o.encoding, "Output encoding: cp932 (default) or utf-8")
      ->check(CLI::IsMember({"cp932", "utf-8"}, CLI::ignore_case));
  command->add_flag("--replace-unmappable", o.replaceUnmappable,
                    "Write \"?\" for characters the encoding cannot hold instead of refusing");
  command
      ->add_option(
          "--decimals", o.decimals,
          "Round coordinates to this many decimals (default: as many as read back exactly)")
      ->check(CLI::Range(0, 12));
  command->add_option("--title", o.title,
                      "The title of the G00 and Z00 lines (default: the input's name)");
  command->add_option("--zone", o.zone, "GIS input: plane rectangular zone of the output (1-19)")
      ->check(CLI::Range(1, 19));
  command->add_option("--datum", o.datum, "GIS input: datum of --zone (jgd2011 or jgd2000)")
      ->check(CLI::IsMember({"jgd2011", "jgd2000"}, CLI::ignore_case));
  command
      ->add_option("--epsg", o.epsg,
                   "GIS input: EPSG code of the output's plane CRS (instead of --zone)")
      ->check(CLI::PositiveNumber);
  command->add_option("--number-field", o.numberField,
                      "GIS input: the field that gives point and lot numbers");
  command->add_option("--name-field", o.nameField,
                      "GIS input: the field that gives point and lot names");
  command->add_flag("--json", o.json, "Print a machine-readable report");
  return command;
}

int runExport(const ExportOptions& options, const SurveyTables& surveyTables) {
  return Export(options, surveyTables).run();
}

}  // namespace kestrel::cli
