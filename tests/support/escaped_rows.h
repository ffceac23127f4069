// Case rows kept as data beside the tests that read them: one row a line, fields separated by '|'
// and trimmed, lines starting with '#' and blank lines skipped. Fields are byte strings written
// with C escapes (\n \r \t \0 \\ \| \xNN), so control bytes, CP932 and broken UTF-8 can be written.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace kestrel::testing {

struct EscapedRow {
  std::string where;  // "file:line", for failure messages
  std::vector<std::string> fields;
  const std::string& operator[](std::size_t i) const { return fields.at(i); }
  // The numbers of field i, separated by blanks ("inf" and "nan" allowed).
  std::vector<double> numbers(std::size_t i) const {
    std::vector<double> values;
    const char* at = fields.at(i).c_str();
    for (char* end = nullptr;; at = end) {
      const double value = std::strtod(at, &end);
      if (end == at) return values;
      values.push_back(value);
    }
  }
};

inline std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The rows of a file under the source tree (path relative to it); a missing file fails the test.
inline std::vector<EscapedRow> escapedRows(const std::string& relativePath) {
  const std::string path = std::string(KESTREL_SOURCE_DIR) + "/" + relativePath;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path << " cannot be read";
  std::vector<EscapedRow> rows;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (trimmed(line).empty() || trimmed(line)[0] == '#') continue;
    EscapedRow row{relativePath + ":" + std::to_string(number), {}};
    std::string raw;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] != '|') {
        raw += line[i];
        if (line[i] == '\\' && i + 1 < line.size()) raw += line[++i];
        continue;
      }
      raw = trimmed(raw);  // on the written text, so an escaped blank stays
      std::string field;
      for (std::size_t k = 0; k < raw.size(); ++k) {
        const char c = raw[k] == '\\' && k + 1 < raw.size() ? raw[++k] : '\0';
        if (c == 'x' && k + 2 < raw.size()) {
          field += static_cast<char>(std::stoi(raw.substr(k + 1, 2), nullptr, 16));
          k += 2;
        } else if (c != '\0') {
          field += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        } else {
          field += raw[k];
        }
      }
      row.fields.push_back(field);
      raw.clear();
    }
    rows.push_back(std::move(row));
  }
  EXPECT_FALSE(rows.empty()) << path << " holds no rows";
  return rows;
}

// The rows of one table of a file whose first field names the table, without that field.
inline std::vector<EscapedRow> escapedRows(const std::string& relativePath,
                                           const std::string& table) {
  std::vector<EscapedRow> rows;
  for (auto& row : escapedRows(relativePath)) {
    if (row[0] != table) continue;
    row.fields.erase(row.fields.begin());
    rows.push_back(std::move(row));
  }
  EXPECT_FALSE(rows.empty()) << relativePath << " holds no table " << table;
  return rows;
}

}  // namespace kestrel::testing
