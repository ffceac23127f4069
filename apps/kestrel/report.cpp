#include "apps/kestrel/report.h"

#include <cstdio>

namespace kestrel::cli {

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

namespace {
void writeStringArray(std::ostream& out, const std::vector<std::string>& items) {
  out << "[";
  for (std::size_t i = 0; i < items.size(); ++i) out << (i ? ", " : "") << jsonString(items[i]);
  out << "]";
}
}  // namespace

void writeImportJson(std::ostream& out, const std::string& file, const module::RunReport& report,
                     const std::vector<std::string>& outputs) {
  out << "{\n  \"file\": " << jsonString(file) << ",\n";
  out << "  \"encoding\": " << jsonString(report.inputEncoding) << ",\n";
  out << "  \"encodingReason\": " << jsonString(report.inputEncodingReason) << ",\n";
  out << "  \"log\": " << jsonString(report.logPath) << ",\n";
  out << "  \"outputs\": ";
  writeStringArray(out, outputs);
  out << ",\n  \"errorCount\": " << report.errorCount << ",\n";
  out << "  \"counts\": {\"points\": " << report.drawnPoints << ", \"lots\": " << report.lotPolylines
      << ", \"routePolylines\": {\"1\": " << report.routePolylines[1]
      << ", \"4\": " << report.routePolylines[4] << ", \"5\": " << report.routePolylines[5]
      << ", \"6\": " << report.routePolylines[6] << "}, \"routesPerType\": {";
  for (int type = 1; type <= 7; ++type)
    out << (type > 1 ? ", " : "") << "\"" << type << "\": " << report.routesPerType[type];
  out << "}, \"verticalPoints\": " << report.verticalPoints
      << ", \"sectionPoints\": " << report.sectionPoints << "},\n";
  out << "  \"tolerated\": {\"lastFieldAdded\": " << report.tolerated.lastFieldAdded
      << ", \"elevationWordDropped\": " << report.tolerated.elevationWordDropped << "},\n";
  out << "  \"alignments\": ";
  writeStringArray(out, report.alignments);
  out << ",\n  \"resultLines\": ";
  writeStringArray(out, report.resultLines);
  out << ",\n  \"errors\": [";
  for (std::size_t i = 0; i < report.errors.size(); ++i) {
    const auto& e = report.errors[i];
    out << (i ? "," : "") << "\n    {\"code\": " << (e.code.empty() ? "null" : jsonString(e.code))
        << ", \"line\": " << e.lineNumber << ", \"message\": " << jsonString(e.message)
        << ", \"text\": " << jsonString(e.lineText) << "}";
  }
  out << (report.errors.empty() ? "]\n" : "\n  ]\n") << "}\n";
}

void writeScanText(std::ostream& out, const module::ScanReport& scan) {
  out << scan.rootLabel << "\n";
  for (const auto& e : scan.entries)
    out << "  " << e.key << "\t" << e.label << "\t" << e.count << "\n";
}

void writeScanJson(std::ostream& out, const std::string& file, const module::ScanReport& scan) {
  const auto& entries = scan.entries;
  out << "{\n  \"file\": " << jsonString(file) << ",\n  \"encoding\": " << jsonString(scan.encoding)
      << ",\n  \"encodingReason\": " << jsonString(scan.encodingReason) << ",\n  \"entries\": [";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    out << (i ? "," : "") << "\n    {\"key\": " << jsonString(e.key)
        << ", \"label\": " << jsonString(e.label) << ", \"count\": " << e.count << "}";
  }
  out << "\n  ]\n}\n";
}

}  // namespace kestrel::cli
