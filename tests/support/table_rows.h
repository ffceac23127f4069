// Case tables kept as data: one case a line, fields split at "|" and trimmed; a field in double
// quotes keeps its spaces and reads \t, \n, \" and \\ as escapes. Lines starting with "#" and blank
// lines are skipped. Each row knows its file and line, for failure messages.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrel::testing {

struct TableRow {
  std::string where;  // "file:line"
  std::vector<std::string> fields;
  const std::string& operator[](std::size_t i) const { return fields.at(i); }
};

inline std::string tableField(std::string text) {
  const auto begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  text = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return text;
  std::string out;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '\\' && i + 2 < text.size()) {
      const char c = text[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The parts of a field split at `separator` (at runs of blanks when it is a space), each trimmed.
inline std::vector<std::string> splitField(const std::string& text, char separator = ' ') {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != separator) {
      part += text[i];
      continue;
    }
    if (separator != ' ' || !part.empty()) parts.push_back(tableField(part));
    part.clear();
  }
  return parts;
}

// Every row of a table file; throws when the file cannot be read or holds no row.
inline std::vector<TableRow> readTableRows(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<TableRow> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
    if (line.back() == '\r') line.pop_back();
    TableRow row{path + ":" + std::to_string(number), {}};
    bool quoted = false;
    std::string field;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && quoted && i + 1 < line.size()) {
        field += line.substr(i++, 2);
        continue;
      }
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == '|' && !quoted) {
        row.fields.push_back(tableField(field));
        field.clear();
      } else {
        field += line[i];
      }
    }
    row.fields.push_back(tableField(field));
    rows.push_back(std::move(row));
  }
  if (rows.empty()) throw std::runtime_error("no rows in " + path);
  return rows;
}

}  // namespace kestrel::testing
