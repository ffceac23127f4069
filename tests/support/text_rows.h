// Case tables whose fields are raw text (SIMA lines, command lines, log lines), one case a line:
// fields split at "|" and trimmed of blanks, so quotes and commas need no escaping. Escapes:
// \s a blank (for blanks at a field's ends), \t \r \n, \xHH a byte, \uHHHH a character in UTF-8,
// \{N:c} the character c N times, \| and \\. Lines starting with "#" and blank lines are skipped;
// two blanks and "# " start a comment at a line's end.
// Each row knows its file and line, for failure messages.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace kestrel::testing {

struct TextRow {
  std::string where;  // "file:line"
  std::vector<std::string> fields;
  const std::string& operator[](std::size_t i) const { return fields.at(i); }
  std::size_t size() const { return fields.size(); }
};

inline std::string unescapeTextField(const std::string& raw) {
  const auto begin = raw.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  const std::string text = raw.substr(begin, raw.find_last_not_of(" \t") - begin + 1);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'x' || c == 'u') {
      const std::size_t digits = c == 'x' ? 2 : 4;
      const unsigned long code = std::strtoul(text.substr(i + 1, digits).c_str(), nullptr, 16);
      i += digits;
      if (c == 'x' || code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
    } else if (c == '{') {
      const std::size_t colon = text.find(':', i);
      out += std::string(std::stoul(text.substr(i + 1, colon - i - 1)), text.at(colon + 1));
      i = text.find('}', colon + 1);
    } else {
      out += c == 's' ? ' ' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
  }
  return out;
}

// Every row of tests/<relative> in the source tree; a missing or empty file fails the test.
inline std::vector<TextRow> textRows(const std::string& relative) {
  const std::string path = std::string(KESTREL_SOURCE_DIR) + "/tests/" + relative;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << path;
  std::vector<TextRow> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = line.substr(0, line.find("  # "));
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    TextRow row{relative + ":" + std::to_string(number), {}};
    std::string field;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        field += line.substr(i++, 2);
      } else if (line[i] == '|') {
        row.fields.push_back(unescapeTextField(field));
        field.clear();
      } else {
        field += line[i];
      }
    }
    row.fields.push_back(unescapeTextField(field));
    rows.push_back(std::move(row));
  }
  EXPECT_FALSE(rows.empty()) << "no rows in " << path;
  return rows;
}

}  // namespace kestrel::testing
