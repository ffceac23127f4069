// The host's commands: their option tables and what they run.
#pragma once

#include <string>
#include <vector>

#include "apps/kestrel/import_plan.h"
#include "apps/kestrel/options.h"
#include "apps/kestrel/texts.h"

namespace kestrel::cli {

// kestrel import: the table of its options, set into `options` as they are parsed.
Command importCommand(ImportOptions& options);
int runImportCommand(const std::vector<std::string>& arguments, Language language);

// kestrel scan.
struct ScanOptions {
  std::vector<std::string> files;
  std::string encoding = "auto";
  bool tolerant = false;
  Language language = Language::Japanese;
  bool json = false;
  bool help = false;
};
Command scanCommand(ScanOptions& options);
int runScanCommand(const std::vector<std::string>& arguments, Language language);

// Tells a problem that ends the command before any file: one line on stderr and, with --json, a
// report of kind "error" on stdout. Returns `status`.
int reportFailure(int status, const Problem& problem, Language language, bool json);

// Parses a command's arguments into its options and `operands`. Returns the exit status when the
// command ends there (a usage error told, or --help printed in the language the options chose),
// nothing when it goes on. `help` and `shown` are the options the parse sets.
std::optional<int> parseCommand(const std::vector<std::string>& arguments, const Command& command,
                                std::vector<std::string>& operands, const bool& help,
                                const Language& shown, Language language);

}  // namespace kestrel::cli
