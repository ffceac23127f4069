// What the command line host prints after an import or a scan.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/windowing.h"

namespace kestrel::cli {

// Text with JSON string escaping, quotes included.
std::string jsonString(const std::string& text);

// The machine-readable report of one import.
void writeImportJson(std::ostream& out, const std::string& file, const ovwin::RunReport& report,
                     const std::vector<std::string>& outputs);

// One entry of the pre-scan tree.
struct ScanEntry {
  std::string key;    // "A", "D", "F1".."F7", "H", "I"
  std::string label;  // the tree label
  int count = 0;
};

void writeScanText(std::ostream& out, const std::string& rootLabel,
                   const std::vector<ScanEntry>& entries);
void writeScanJson(std::ostream& out, const std::string& file, const std::string& encoding,
                   const std::vector<ScanEntry>& entries);

}  // namespace kestrel::cli
