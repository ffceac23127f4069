// One import as the host runs it: the module loaded and told the options once per process, then
// each file read, its drawing and civil document saved, and its report made.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apps/kestrel/import_plan.h"
#include "apps/kestrel/json.h"
#include "apps/kestrel/texts.h"
#include "module_api/import_module.h"

namespace kestrel::cli {

// How one file's import ended and what to print for it.
struct FileOutcome {
  int status = 0;
  Json report;                   // the file's JSON report
  std::vector<std::string> out;  // result lines (stdout)
  std::vector<std::string> err;  // errors and warnings (stderr)

  // As bytes a child process hands its parent, and back (the report then stays text).
  std::string serialize(int reportLevel) const;
  static std::optional<FileOutcome> deserialize(const std::string& bytes);
};

// A library of the host's own: where it is installed (the library folder's kestrel/ folder,
// relative to the host), else in the build tree's lib/ beside bin/.
std::string privateLibraryPath(const std::string& name);

// Loads the module (once per process) with the language, the input encoding and whether it reads
// tolerantly; null with the problem when it cannot be loaded.
module::ImportModule* loadImportModule(Language language, const std::string& encoding,
                                       bool tolerant, std::optional<Problem>& problem);

// What every file of a run shares, set up once before the first: the module, the drawing imported
// into, the civil document with the alignments opened, the site and the layers named.
struct Session {
  module::ImportModule* module = nullptr;
  std::vector<Problem> warnings;  // said once for the whole run
};

// Sets the session up; the exit status (0 when ready) and, when not, the problem.
int openSession(const ImportOptions& options, Session& session, std::optional<Problem>& problem);

// Imports one planned file. `warnings` are added to its report (the session's, for a single file).
FileOutcome importFile(Session& session, const FilePlan& plan, const ImportOptions& options,
                       const std::vector<Problem>& warnings, bool showProgress);

// The outcome of a file that was not imported.
FileOutcome failedFile(const std::string& file, int status, const Problem& problem,
                       Language language);

}  // namespace kestrel::cli
