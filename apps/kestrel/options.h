// Commands and their options as tables: one row per option (names, value, help in both
// languages, accepted values, what it sets). The parser, --help, the manual page and the shell
// completion all read the same rows, so an option is added in one place.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "apps/kestrel/texts.h"

namespace kestrel::cli {

struct Option {
  std::string_view names;      // "-o,--output": every name, comma-separated
  std::string_view valueName;  // "OUT.dxf"; empty for a flag
  std::string_view japanese;   // help
  std::string_view english;
  std::vector<std::string_view> choices;  // the values accepted; empty: any
  // Takes the value (a flag gets ""); a problem when the value cannot be used.
  std::function<std::optional<Problem>(const std::string& value)> set;
  // How the shell completes the value: "file", "dir", or nothing.
  std::string_view completes = {};
};

// A command of the host: `kestrel <name> [options] operands`.
struct Command {
  std::string_view name;
  Text summary;
  Text usage;
  std::vector<Option> options;
  std::string_view operandCompletes;  // "file" or "dir" (*.sim files), "any" (every file)
};

// Setters the option tables share: the value as given, a flag raised, a whole number in a range
// (the problem `refusal` names the value otherwise).
template <typename T>
std::function<std::optional<Problem>(const std::string&)> store(T& target) {
  return [&target](const std::string& value) {
    target = value;
    return std::optional<Problem>();
  };
}
std::function<std::optional<Problem>(const std::string&)> raise(bool& flag);
// A whole number from `least` to `most`, written in digits alone, or none.
std::optional<int> wholeNumber(const std::string& text, int least, int most);
std::function<std::optional<Problem>(const std::string&)> storeWhole(int& target, int least,
                                                                     int most, Text refusal);

// --json and -q, --quiet, as every command that writes has them.
Option jsonOption(bool& wanted);
Option quietOption(bool& wanted);
// -h, --help: sets `wanted`.
Option helpOption(bool& wanted);
// --lang ja|en: sets `language`; the help texts given.
Option languageOption(Language& language, std::string_view japanese = "メッセージの言語",
                      std::string_view english = "message language");

// --datum jgd2011|jgd2000: sets `jgd2000`; the help texts given.
Option datumOption(bool& jgd2000, std::string_view japanese, std::string_view english);

// The option's longest name ("--output" of "-o,--output").
std::string_view longName(const Option& option);

// Parses the arguments that follow the command's name. `--name value`, `--name=value`, `-n value`
// and `-nvalue` are accepted; `--` ends the options. What is not an option goes to `operands`.
std::optional<Problem> parseArguments(const std::vector<std::string>& arguments,
                                      const std::vector<Option>& options,
                                      std::vector<std::string>& operands);

// The value of `--lang` among raw arguments (before any parsing, so even errors of the parse are
// told in it); Japanese when absent or unknown.
Language languageOf(const std::vector<std::string>& arguments);
// Whether `--json` is among the raw arguments (errors of the parse are then reported as JSON).
bool wantsJson(const std::vector<std::string>& arguments);

// --help of one command, and of the host as a whole.
void writeHelp(std::ostream& out, const Command& command, Language language);
void writeOverview(std::ostream& out, const std::vector<Command>& commands, Language language);
// The exit status table.
void writeStatusTable(std::ostream& out, Language language);

// The manual page (troff) and the bash completion script, from the same tables.
void writeManualPage(std::ostream& out, const std::vector<Command>& commands, const char* version);
void writeBashCompletion(std::ostream& out, const std::vector<Command>& commands);

}  // namespace kestrel::cli
