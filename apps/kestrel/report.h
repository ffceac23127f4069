// What the command line host prints after an import or a scan.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "module_api/import_module.h"

namespace kestrel::cli {

// Text with JSON string escaping, quotes included.
std::string jsonString(const std::string& text);

// The machine-readable report of one import.
void writeImportJson(std::ostream& out, const std::string& file, const module::RunReport& report,
                     const std::vector<std::string>& outputs);

// What the import dialog would offer: the tree's root label, then one line per entry.
void writeScanText(std::ostream& out, const module::ScanReport& scan);
// The same as JSON, with the file and the encoding it was read in.
void writeScanJson(std::ostream& out, const std::string& file, const module::ScanReport& scan);

}  // namespace kestrel::cli
