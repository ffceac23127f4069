// Rows of a plain-text case table: one case a line, fields split by blanks; '#' starts a comment
// and blank lines are skipped. A number may end in "pi" (0.25pi) and may be inf or nan. Every row
// keeps "file:line" so a failing check names the row it came from.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace kestrel::testing {

struct CorpusRow {
  std::string where;
  std::vector<std::string> fields;

  double number(std::size_t i) const {
    std::string text = fields.at(i);
    double scale = 1.0;
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "pi") == 0) {
      scale = std::numbers::pi;
      text.resize(text.size() - 2);
      if (text.empty() || text == "-") text += "1";
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') ADD_FAILURE() << where << ": not a number: " << fields[i];
    return value * scale;
  }
  int integer(std::size_t i) const { return static_cast<int>(number(i)); }
};

// The rows of tests/<relative>, read from the source tree.
inline std::vector<CorpusRow> corpusRows(const std::string& relative) {
  const std::string path = std::string(KESTREL_SOURCE_DIR) + "/tests/" + relative;
  std::ifstream in(path);
  EXPECT_TRUE(in) << "cannot read " << path;
  std::vector<CorpusRow> rows;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    CorpusRow row{relative + ":" + std::to_string(number), {}};
    for (std::string word; words >> word;) row.fields.push_back(word);
    if (!row.fields.empty()) rows.push_back(std::move(row));
  }
  EXPECT_FALSE(rows.empty()) << path;
  return rows;
}

}  // namespace kestrel::testing
