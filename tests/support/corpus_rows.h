// Rows of a plain-text case table: one case a line, fields split by blanks; comments and blank
// lines as in text_rows.h ("#" first on a line, or "  # " after a row). A number may end in "pi"
// (0.25pi) and may be inf or nan. Every row keeps "file:line" for failure messages.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/text_rows.h"

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

// The rows of tests/<relative>, read from the source tree as text rows of one field.
inline std::vector<CorpusRow> corpusRows(const std::string& relative) {
  std::vector<CorpusRow> rows;
  for (const TextRow& text : textRows(relative)) {
    EXPECT_EQ(text.size(), 1u) << text.where << ": a number row has no \"|\"";
    std::istringstream words(text[0]);
    CorpusRow row{text.where, {}};
    for (std::string word; words >> word;) row.fields.push_back(word);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace kestrel::testing
