// kestrel: the command line host. Loads the import module, answers its dialogs from options,
// runs the command "Kestrel" and saves what it made; writes drawings, alignments and GIS layers
// back to SIMA.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "apps/kestrel/exit_status.h"
#include "apps/kestrel/export_command.h"
#include "apps/kestrel/import_command.h"
#include "apps/kestrel/options.h"

namespace cli = kestrel::cli;

namespace {

constexpr int kKeepFreedBytes = 32 << 20;  // the largest mmap threshold malloc accepts

// The commands, in the order --help lists them: their tables and what runs them.
struct CommandEntry {
  std::function<cli::Command()> table;
  std::function<int(const std::vector<std::string>&, cli::Language)> run;
};

std::vector<CommandEntry> commandEntries() {
  static cli::ImportOptions importOptions;
  static cli::ScanOptions scanOptions;
  static cli::ExportOptions exportOptions;
  return {{[] { return cli::importCommand(importOptions); }, cli::runImportCommand},
          {[] { return cli::scanCommand(scanOptions); }, cli::runScanCommand},
          {[] { return cli::exportCommand(exportOptions); }, cli::runExportCommand}};
}

std::vector<cli::Command> commandTables() {
  std::vector<cli::Command> tables;
  for (const auto& entry : commandEntries()) tables.push_back(entry.table());
  return tables;
}

// Options every command takes may come before its name: they are moved after it.
std::vector<std::string> commandFirst(const std::vector<std::string>& arguments) {
  std::size_t at = 0;
  while (at < arguments.size()) {
    if (arguments[at] == "--lang" && at + 1 < arguments.size())
      at += 2;
    else if (arguments[at].rfind("--lang=", 0) == 0 || arguments[at] == "--json")
      at += 1;
    else
      break;
  }
  if (at == 0 || at == arguments.size()) return arguments;
  std::vector<std::string> moved = {arguments[at]};
  moved.insert(moved.end(), arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(at));
  moved.insert(moved.end(), arguments.begin() + static_cast<std::ptrdiff_t>(at) + 1,
               arguments.end());
  return moved;
}

int run(const std::vector<std::string>& given) {
  const std::vector<std::string> arguments = commandFirst(given);
  const cli::Language language = cli::languageOf(arguments);
  const bool json = cli::wantsJson(arguments);
  // A command given after such options is first by now.
  const bool onlyGlobal =
      !arguments.empty() && (arguments[0] == "--lang" || arguments[0] == "--json" ||
                             arguments[0].rfind("--lang=", 0) == 0);
  if (arguments.empty() || onlyGlobal)
    return cli::reportFailure(cli::kUsage, {cli::Text::NoCommand, {}}, language, json);
  const std::string& first = arguments[0];
  if (first == "--version") {
    std::cout << "kestrel " << KESTREL_VERSION << "\n";
    return cli::kImported;
  }
  if (first == "-h" || first == "--help" || first == "help") {
    cli::writeOverview(std::cout, commandTables(), language);
    return cli::kImported;
  }
  // Written into the build for installation: the manual page and the shell completion.
  if (first == "--print-man") {
    cli::writeManualPage(std::cout, commandTables(), KESTREL_VERSION);
    return cli::kImported;
  }
  if (first == "--print-bash-completion") {
    cli::writeBashCompletion(std::cout, commandTables());
    return cli::kImported;
  }
  for (const auto& entry : commandEntries())
    if (entry.table().name == first)
      return entry.run(std::vector<std::string>(arguments.begin() + 1, arguments.end()), language);
  const cli::Text text = first[0] == '-' ? cli::Text::UnknownOption : cli::Text::UnknownCommand;
  return cli::reportFailure(cli::kUsage, {text, {first}}, language, json);
}

}  // namespace

int main(int argc, char** argv) {
  // A run frees a pre-scan's worth of records and then builds a drawing of the same size: memory
  // given back stays with the process for reuse instead of being returned to the system and
  // faulted in again page by page.
  mallopt(M_TRIM_THRESHOLD, kKeepFreedBytes);
  mallopt(M_MMAP_THRESHOLD, kKeepFreedBytes);
  const int status = run(std::vector<std::string>(argv + 1, argv + argc));
#if !defined(__SANITIZE_ADDRESS__)
  // Every output is written, closed and renamed into place by now; tearing down a drawing of a
  // hundred thousand entities one allocation at a time would only delay the exit.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::_Exit(status);
#else
  return status;  // sanitizer builds tear down so that leaks are still reported
#endif
}
