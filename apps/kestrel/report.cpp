#include "apps/kestrel/report.h"

#include "apps/kestrel/exit_status.h"

namespace kestrel::cli {

std::string_view outcomeOf(int status) {
  switch (status) {
    case kImported:
      return "imported";
    case kPartial:
      return "partial";
    case kNothingToImport:
      return "nothing_to_import";
    case kUsage:
      return "usage_error";
    case kRefused:
      return "refused";
    default:
      return "failed";
  }
}

Json reportHead(std::string_view kind, int status) {
  Json head = Json::object();
  head["schema_version"] = kSchemaVersion;
  head["kind"] = kind;
  head["status"] = status;
  head["outcome"] = outcomeOf(status);
  return head;
}

Json problemJson(const Problem& problem, Language language) {
  Json json = Json::object();
  json["code"] = codeOf(problem.text);
  json["message"] = problem.say(language);
  return json;
}

Json importReport(const FilePlan& plan, const module::RunReport& report, int status) {
  Json json = reportHead("import", status);
  json["file"] = plan.input;
  Json& encoding = json["encoding"];
  encoding["name"] = report.inputEncoding;
  encoding["reason"] = report.inputEncodingReason;
  encoding["replaced_bytes"] = report.replacedCharacters;
  json["log"]["path"] = report.logPath;
  json["log"]["encoding"] = report.logEncoding;
  Json& outputs = json["outputs"] = Json::array();
  for (const OutputFile& out : plan.outputs) {
    if (out.format == "log") continue;
    Json& entry = outputs.push(Json::object());
    entry["path"] = out.path;
    entry["format"] = out.format;
    if (out.format != "GIS") continue;
    entry["driver"] = out.driver;
    entry["files"] = Json::strings(out.files);
  }
  json["error_count"] = report.errorCount;
  Json& counts = json["counts"];
  counts["points"] = report.drawnPoints;
  counts["lots"] = report.lotPolylines;
  for (int type : {1, 4, 5, 6})
    counts["route_polylines"][std::to_string(type)] = report.routePolylines[type];
  for (int type = 1; type <= 7; ++type)
    counts["routes_per_type"][std::to_string(type)] = report.routesPerType[type];
  counts["vertical_points"] = report.verticalPoints;
  counts["section_points"] = report.sectionPoints;
  counts["unplaced_results"] = report.unplacedResults;
  Json& tolerated = json["tolerated"];
  tolerated["last_field_added"] = report.tolerated.lastFieldAdded;
  tolerated["elevation_word_dropped"] = report.tolerated.elevationWordDropped;
  json["alignments"] = Json::strings(report.alignments);
  json["result_lines"] = Json::strings(report.resultLines);
  Json& errors = json["errors"] = Json::array();
  for (const auto& e : report.errors) {
    Json& entry = errors.push(Json::object());
    entry["code"] = e.code;
    entry["message_id"] = e.messageId;
    entry["line"] = e.lineNumber;
    entry["message"] = e.message;
    entry["text"] = e.lineText;
  }
  return json;
}

Json failedImportReport(const std::string& file, int status, const Problem& problem,
                        Language language) {
  Json json = reportHead("import", status);
  json["file"] = file;
  json["error"] = problemJson(problem, language);
  return json;
}

std::string trimmedLabel(std::string label) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  while (true) {
    if (!label.empty() && label.back() == ' ') {
      label.pop_back();
    } else if (label.size() >= 3 &&
               std::string_view(label).substr(label.size() - 3) == kIdeographicSpace) {
      label.resize(label.size() - 3);
    } else {
      return label;
    }
  }
}

Json scanReport(const std::string& file, const module::ScanReport& scan) {
  Json json = reportHead("scan", kImported);
  json["outcome"] = "scanned";
  json["file"] = file;
  json["encoding"]["name"] = scan.encoding;
  json["encoding"]["reason"] = scan.encodingReason;
  json["encoding"]["replaced_bytes"] = scan.replacedCharacters;
  json["root_label"] = trimmedLabel(scan.rootLabel);
  Json& entries = json["entries"] = Json::array();
  for (const auto& e : scan.entries) {
    Json& entry = entries.push(Json::object());
    entry["key"] = e.key;
    entry["label"] = trimmedLabel(e.label);
    entry["count"] = e.count;
  }
  return json;
}

void writeScanText(std::ostream& out, const module::ScanReport& scan) {
  out << trimmedLabel(scan.rootLabel) << "\n";
  for (const auto& e : scan.entries)
    out << "  " << e.key << "\t" << trimmedLabel(e.label) << "\t" << e.count << "\n";
}

}  // namespace kestrel::cli
