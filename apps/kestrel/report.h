// The host's JSON reports (their schema is docs/kestrel-report.schema.json) and its plain-text
// scan listing.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "apps/kestrel/import_plan.h"
#include "apps/kestrel/json.h"
#include "apps/kestrel/texts.h"
#include "module_api/import_module.h"

namespace kestrel::cli {

// Major.minor: a field added is a minor step and readers of the same major version read it; a
// field removed, renamed or given another meaning is a major step.
inline constexpr const char* kSchemaVersion = "1.2";

// What every report starts with: the schema version, what the report is about ("import", "batch",
// "scan", "error"), the exit status and its name ("imported", "partial", …).
Json reportHead(std::string_view kind, int status);
std::string_view outcomeOf(int status);

// {"code": …, "message": …} of an error or a warning.
Json problemJson(const Problem& problem, Language language);

// A file imported: what was written, counted and rejected.
Json importReport(const FilePlan& plan, const module::RunReport& report, int status);
// A file that was not imported, and why.
Json failedImportReport(const std::string& file, int status, const Problem& problem,
                        Language language);

// Scan results: the tree's labels without their trailing blanks.
Json scanReport(const std::string& file, const module::ScanReport& scan);
void writeScanText(std::ostream& out, const module::ScanReport& scan);

// The label without the blanks (ASCII or ideographic) the dialog's tree keeps after it.
std::string trimmedLabel(std::string label);

}  // namespace kestrel::cli
