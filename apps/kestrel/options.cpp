#include "apps/kestrel/options.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <sstream>

#include "apps/kestrel/exit_status.h"

namespace kestrel::cli {

namespace {

std::vector<std::string_view> namesOf(const Option& option) {
  std::vector<std::string_view> names;
  std::string_view rest = option.names;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    names.push_back(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return names;
}

const Option* findOption(const std::vector<Option>& options, std::string_view name) {
  for (const Option& option : options)
    for (std::string_view candidate : namesOf(option))
      if (candidate == name) return &option;
  return nullptr;
}

std::string joined(const std::vector<std::string_view>& items, std::string_view separator) {
  std::string out;
  for (std::string_view item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return out;
}

// "-o, --output OUT.dxf"
std::string synopsis(const Option& option) {
  std::string text = joined(namesOf(option), ", ");
  if (!option.valueName.empty()) text += " " + std::string(option.valueName);
  return text;
}

void writeRows(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& rows) {
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.first.size());
  for (const auto& row : rows)
    out << "  " << row.first << std::string(width - row.first.size() + 2, ' ') << row.second
        << "\n";
}

// Text for a manual page: backslashes and hyphens escaped, no line starting with a control
// character.
std::string roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

}  // namespace

std::function<std::optional<Problem>(const std::string&)> raise(bool& flag) {
  return [&flag](const std::string&) {
    flag = true;
    return std::optional<Problem>();
  };
}

std::optional<int> wholeNumber(const std::string& text, int least, int most) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                   [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || error != std::errc() || end != text.data() + text.size() || value < least ||
      value > most)
    return std::nullopt;
  return value;
}

std::function<std::optional<Problem>(const std::string&)> storeWhole(int& target, int least,
                                                                     int most, Text refusal) {
  return [&target, least, most, refusal](const std::string& text) -> std::optional<Problem> {
    const auto value = wholeNumber(text, least, most);
    if (!value) return Problem{refusal, {text}};
    target = *value;
    return std::nullopt;
  };
}

Option jsonOption(bool& wanted) {
  return {"--json",
          "",
          "結果を JSON で出力する (失敗も。docs/kestrel-report.schema.json)",
          "print a JSON report, failures included (docs/kestrel-report.schema.json)",
          {},
          raise(wanted)};
}

Option quietOption(bool& wanted) {
  return {"-q,--quiet", "", "エラーと --json のほかは何も出力しない",
          "print nothing but errors and --json", {}, raise(wanted)};
}

Option languageOption(Language& language, std::string_view japanese, std::string_view english) {
  return {"--lang", "LANG", japanese, english, {"ja", "en"}, [&language](const std::string& value) {
            language = value == "en" ? Language::English : Language::Japanese;
            return std::optional<Problem>();
          }};
}

Option datumOption(bool& jgd2000, std::string_view japanese, std::string_view english) {
  return {"--datum", "NAME", japanese, english, {"jgd2011", "jgd2000"},
          [&jgd2000](const std::string& value) {
            jgd2000 = value == "jgd2000";
            return std::optional<Problem>();
          }};
}

Option helpOption(bool& wanted) {
  return {"-h,--help",
          "",
          textOf(Language::Japanese, Text::HelpHelp),
          textOf(Language::English, Text::HelpHelp),
          {},
          [&wanted](const std::string&) {
            wanted = true;
            return std::optional<Problem>();
          }};
}

std::string_view longName(const Option& option) {
  std::string_view best;
  for (std::string_view name : namesOf(option))
    if (name.size() > best.size()) best = name;
  return best;
}

std::optional<Problem> parseArguments(const std::vector<std::string>& arguments,
                                      const std::vector<Option>& options,
                                      std::vector<std::string>& operands) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = argument;
    std::string value;
    bool attached = false;
    if (argument[1] == '-') {
      if (const auto equals = argument.find('='); equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
        attached = true;
      }
    } else if (argument.size() > 2) {
      name = argument.substr(0, 2);
      value = argument.substr(2);
      attached = true;
    }
    const Option* option = findOption(options, name);
    if (option == nullptr) return Problem{Text::UnknownOption, {name}};
    if (option->valueName.empty()) {
      if (attached) return Problem{Text::FlagTakesNoValue, {name}};
    } else if (!attached) {
      if (i + 1 >= arguments.size()) return Problem{Text::MissingValue, {name}};
      value = arguments[++i];
    }
    const auto& choices = option->choices;
    if (!choices.empty() && std::find(choices.begin(), choices.end(), value) == choices.end())
      return Problem{Text::BadChoice, {name, value, joined(choices, ", ")}};
    if (option->set) {
      if (auto problem = option->set(value)) return problem;
    }
  }
  return std::nullopt;
}

Language languageOf(const std::vector<std::string>& arguments) {
  for (std::size_t i = 0; i < arguments.size() && arguments[i] != "--"; ++i) {
    std::string value;
    if (arguments[i] == "--lang" && i + 1 < arguments.size())
      value = arguments[i + 1];
    else if (arguments[i].rfind("--lang=", 0) == 0)
      value = arguments[i].substr(7);
    if (value == "en") return Language::English;
    if (value == "ja") return Language::Japanese;
  }
  return Language::Japanese;
}

bool wantsJson(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") return false;
    if (argument == "--json") return true;
  }
  return false;
}

void writeStatusTable(std::ostream& out, Language language) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const StatusRow& row : kStatusTable)
    rows.emplace_back(std::to_string(row.status), say(language, row.meaning));
  rows.emplace_back("", say(language, Text::HelpWorst));
  writeRows(out, rows);
}

void writeHelp(std::ostream& out, const Command& command, Language language) {
  const bool japanese = language == Language::Japanese;
  out << say(language, Text::HelpUsage) << " " << say(language, command.usage) << "\n  "
      << say(language, command.summary) << "\n\n"
      << say(language, Text::HelpOptions) << "\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const Option& option : command.options) {
    std::string help(japanese ? option.japanese : option.english);
    if (!option.choices.empty()) help += " (" + joined(option.choices, "|") + ")";
    rows.emplace_back(synopsis(option), help);
  }
  writeRows(out, rows);
  out << "\n" << say(language, Text::HelpExitStatus) << "\n";
  writeStatusTable(out, language);
}

void writeOverview(std::ostream& out, const std::vector<Command>& commands, Language language) {
  out << say(language, Text::HelpUsage) << " " << say(language, Text::HelpGlobalOptions) << "\n\n"
      << say(language, Text::HelpCommands) << "\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const Command& command : commands)
    rows.emplace_back(std::string(command.name), say(language, command.summary));
  writeRows(out, rows);
  out << "\n" << say(language, Text::HelpOptions) << "\n";
  writeRows(out, {{"-h, --help", say(language, Text::HelpHelp)},
                  {"--version", say(language, Text::HelpVersion)},
                  {"--lang ja|en", say(language, Text::HelpLanguage)}});
  out << "\n"
      << say(language, Text::HelpMore) << "\n\n"
      << say(language, Text::HelpExitStatus) << "\n";
  writeStatusTable(out, language);
}

void writeManualPage(std::ostream& out, const std::vector<Command>& commands, const char* version) {
  const Language en = Language::English;
  out << ".TH KESTREL 1 \"\" \"kestrel " << version << "\" \"User Commands\"\n"
      << ".SH NAME\nkestrel \\- import SIMA survey files into a DXF drawing, LandXML and an import "
         "log, and export drawings, alignments and GIS layers back to SIMA\n"
      << ".SH SYNOPSIS\n";
  for (const Command& command : commands) out << roff(say(en, command.usage)) << "\n.br\n";
  out << ".SH DESCRIPTION\n"
      << "kestrel reads SIMA files (*.sim, the Japanese survey-data exchange format, UTF-8 or "
         "CP932)\n"
      << "and writes, for each, a DXF drawing, a LandXML civil document and the import log\n"
      << "(FILE_Input.log beside the input unless \\-\\-log says otherwise), and GIS datasets "
         "through GDAL\n"
      << "when \\-o names them or \\-f asks for one per input. Every output is written\n"
      << "to a temporary file and renamed into place; an input is never written. A folder given\n"
      << "as input stands for every *.sim file in it; several files are imported in parallel,\n"
      << "each independently.\n"
      << "kestrel export writes the survey points and lots of a drawing or a GIS dataset and the\n"
      << "alignments of a LandXML file as one SIMA file (CP932 or UTF\\-8, CRLF).\n"
      << "Messages are Japanese unless \\-\\-lang en is given.\n";
  for (const Command& command : commands) {
    std::string heading(command.name);
    for (char& c : heading) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out << ".SH " << roff(heading) << "\n" << roff(say(en, command.summary)) << "\n";
    for (const Option& option : command.options) {
      const std::string names = roff(joined(namesOf(option), ", "));
      if (option.valueName.empty())
        out << ".TP\n.B " << names;
      else
        out << ".TP\n.BI \"" << names << " \" " << roff(option.valueName);
      out << "\n" << roff(option.english);
      if (!option.choices.empty()) out << " (" << roff(joined(option.choices, "|")) << ")";
      out << "\n";
    }
  }
  out << ".SH EXIT STATUS\n";
  for (const StatusRow& row : kStatusTable)
    out << ".TP\n.B " << row.status << "\n" << roff(say(en, row.meaning)) << "\n";
  out << ".PP\n"
      << roff(say(en, Text::HelpWorst)) << "\n"
      << ".SH ENVIRONMENT\n.TP\n.B KESTREL_MODULE\nthe import module to load instead of the one "
      << "installed with kestrel\n.TP\n.B SOURCE_DATE_EPOCH\nwhen set, the date and time written "
      << "into LandXML files (seconds since 1970, UTC), so that runs are reproducible\n"
      << ".SH SEE ALSO\n.BR kestrel\\-studio (1)\n";
}

void writeBashCompletion(std::ostream& out, const std::vector<Command>& commands) {
  out << "# bash completion for kestrel (written by kestrel --print-bash-completion)\n"
      << "_kestrel() {\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      << "  COMPREPLY=()\n"
      << "  if [[ $COMP_CWORD -eq 1 ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"";
  for (const Command& command : commands) out << command.name << " ";
  out << "--help --version\" -- \"$cur\")); return\n  fi\n"
      << "  case ${COMP_WORDS[1]} in\n";
  for (const Command& command : commands) {
    out << "    " << command.name << ")\n      case $prev in\n";
    std::vector<std::string_view> names;
    for (const Option& option : command.options) {
      for (std::string_view name : namesOf(option)) names.push_back(name);
      if (option.valueName.empty()) continue;
      out << "        " << joined(namesOf(option), "|") << ") ";
      if (!option.choices.empty())
        out << "COMPREPLY=($(compgen -W \"" << joined(option.choices, " ") << "\" -- \"$cur\")); ";
      else if (option.completes == "dir")
        out << "COMPREPLY=($(compgen -d -- \"$cur\")); ";
      else if (option.completes == "file")
        out << "COMPREPLY=($(compgen -f -- \"$cur\")); ";
      out << "return ;;\n";
    }
    names.push_back("--help");
    out << "      esac\n"
        << "      if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"" << joined(names, " ") << "\" -- \"$cur\"))\n"
        << "      else\n"
        << "        COMPREPLY=($(compgen -f "
        << (command.operandCompletes == "any" ? "" : "-X '!*.[sS][iI][mM]' ") << "-- \"$cur\")";
    if (command.operandCompletes == "dir") out << " $(compgen -d -- \"$cur\")";
    out << ")\n      fi ;;\n";
  }
  out << "  esac\n}\ncomplete -o filenames -F _kestrel kestrel\n";
}

}  // namespace kestrel::cli
