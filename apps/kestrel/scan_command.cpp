// kestrel scan: what the import dialog would offer for a file, with counts.
#include <iostream>

#include "apps/kestrel/exit_status.h"
#include "apps/kestrel/host_import.h"
#include "apps/kestrel/import_command.h"
#include "apps/kestrel/report.h"

namespace kestrel::cli {

Command scanCommand(ScanOptions& o) {
  Command command{"scan", Text::HelpScanCommand, Text::HelpScanUsage, {}, "file"};
  auto& rows = command.options;
  rows.push_back({"--encoding",
                  "NAME",
                  "入力の文字コード (auto: 正しい UTF-8 でなければ CP932。正しい UTF-8 "
                  "でも、半角カナのように UTF-8 として読むと SIMA ファイルにない文字になり、"
                  "CP932 ではそれが少ないなら CP932。--json に理由を示す)",
                  "input encoding (auto: CP932 unless valid UTF-8, and also when valid UTF-8 reads "
                  "as characters no SIMA file holds where CP932 reads fewer, as half-width kana do; "
                  "--json says why)",
                  {"auto", "utf-8", "cp932"},
                  [&o](const std::string& value) {
                    o.encoding = value;
                    return std::optional<Problem>();
                  }});
  rows.push_back({"--tolerant",
                  "",
                  "--tolerant の読み込みと同じように数える",
                  "count as an import with --tolerant would read the file",
                  {},
                  [&o](const std::string&) {
                    o.tolerant = true;
                    return std::optional<Problem>();
                  }});
  rows.push_back(languageOption(o.language, "ラベルとメッセージの言語", "label and message language"));
  rows.push_back({"--json", "", "JSON で出力する", "print JSON", {}, [&o](const std::string&) {
                    o.json = true;
                    return std::optional<Problem>();
                  }});
  rows.push_back(helpOption(o.help));
  return command;
}

int runScanCommand(const std::vector<std::string>& arguments, Language language) {
  ScanOptions o;
  o.language = language;
  const bool json = wantsJson(arguments);
  const Command command = scanCommand(o);
  if (auto ended = parseCommand(arguments, command, o.files, o.help, o.language, language))
    return *ended;
  if (o.files.empty())
    return reportFailure(kUsage, Problem{Text::MissingInput, {}}, language, json);
  if (o.files.size() > 1)
    return reportFailure(kUsage, Problem{Text::UnexpectedArgument, {o.files[1]}}, language, json);
  const std::string& file = o.files.front();
  if (auto problem = inputProblem(file)) return reportFailure(kUsage, *problem, language, json);
  std::optional<Problem> problem;
  module::ImportModule* importModule = loadImportModule(language, o.encoding, o.tolerant, problem);
  if (importModule == nullptr) return reportFailure(kFailed, *problem, language, json);
  module::ScanReport scan;
  if (!importModule->scan(file, scan))
    return reportFailure(kUsage, Problem{Text::InputUnreadable, {file}}, language, json);
  if (o.json)
    std::cout << scanReport(file, scan).dump() << "\n";
  else
    writeScanText(std::cout, scan);
  return kImported;
}

}  // namespace kestrel::cli
