// Case and golden files of the platform tests: tables of text rows, some fields holding numbers.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/text_rows.h"

namespace kestrel::testing {

// The rows of one table of a case file (tests/<relative>) whose first field names the table,
// without that field.
inline std::vector<TextRow> tableRows(const std::string& relative, const std::string& table) {
  std::vector<TextRow> rows;
  for (auto& row : textRows(relative))
    if (row[0] == table) rows.push_back({row.where, {row.fields.begin() + 1, row.fields.end()}});
  EXPECT_FALSE(rows.empty()) << relative << " holds no table " << table;
  return rows;
}

// The numbers of a field, separated by blanks ("inf" allowed).
inline std::vector<double> numbersIn(const std::string& field) {
  std::vector<double> values;
  char* end = nullptr;
  for (const char* at = field.c_str();; at = end) {
    const double value = std::strtod(at, &end);
    if (end == at) return values;
    values.push_back(value);
  }
}

// Compares `text` with the reviewed file tests/<relative>; KESTREL_UPDATE_GOLDEN=1 rewrites the
// file instead (review the diff before committing it).
inline void expectGoldenFile(const std::string& text, const std::string& relative) {
  const std::string path = std::string(KESTREL_SOURCE_DIR) + "/tests/" + relative;
  if (const char* update = std::getenv("KESTREL_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(path, std::ios::binary) << text;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path << " is missing; run once with KESTREL_UPDATE_GOLDEN=1";
  EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(in), {})) << path;
}

}  // namespace kestrel::testing
