// Texts and symbol names as written to DXF: rows in cases/dxf_text.txt, texts cut at the length
// limit, and random names that must round trip and stay distinct.
#include "platform/dxf/dxf_text.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "io/text_encoding.h"
#include "tests/support/text_rows.h"

namespace {

void expectSafe(const std::string& input, const std::string& expected, const std::string& where) {
  const std::string safe = dxfSafeText(input);
  EXPECT_EQ(safe, expected) << where;
  EXPECT_LE(safe.size(), kDxfMaxStringBytes) << where;
  EXPECT_TRUE(kestrel::io::isValidUtf8(safe)) << where;
}

TEST(DxfText, CaseRows) {
  for (const auto& row : kestrel::testing::textRows("platform/dxf/cases/dxf_text.txt")) {
    if (row[0] == "distinct") continue;  // read by dxf_writer_test
    if (row[0] == "safe") {
      expectSafe(row[1], row[2], row.where);
      continue;
    }
    if (row[0] == "name") {
      EXPECT_EQ(escapeDxfSymbolName(row[1]), row[2]) << row.where;
    }
    EXPECT_EQ(unescapeDxfSymbolName(row.fields.back()), row[1]) << row.where;
  }
}

// Long texts (rows "safe") are cut to the limit; appending cuts only what it appends.
TEST(DxfText, AppendedTextIsCutToTheLimit) {
  std::string out = "prefix:";
  appendDxfSafeText(out, std::string(300, 'b'));
  EXPECT_EQ(out, "prefix:" + std::string(255, 'b'));
}

TEST(DxfSymbolName, RandomNamesRoundTripAndStayDistinct) {
  std::mt19937 random(20261206);
  const std::string alphabet = "ab%<>/\\\":;?*|=`\r\n\t 0A";
  std::set<std::string> names;
  std::set<std::string> escapedNames;
  for (int i = 0; i < 5000; ++i) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < length; ++k) name.push_back(alphabet[random() % alphabet.size()]);
    const std::string escaped = escapeDxfSymbolName(name);
    for (const char c : std::string("<>/\\\":;?*|=`\r\n\t"))
      EXPECT_EQ(escaped.find(c), std::string::npos) << name;
    EXPECT_EQ(unescapeDxfSymbolName(escaped), name);
    names.insert(name);
    escapedNames.insert(escaped);
  }
  EXPECT_EQ(names.size(), escapedNames.size());
}

}  // namespace
