#include "sima/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/text_rows.h"

namespace kestrel::sima {
namespace {

// Each row of cases/lines.txt: a text, then its lines; the whole text is consumed.
TEST(LineReader, CutsAtEveryLineEnd) {
  for (const auto& row : kestrel::testing::textRows("sima/cases/lines.txt")) {
    SCOPED_TRACE(row.where);
    LineReader reader(row[0]);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    EXPECT_EQ(lines, std::vector<std::string>(row.fields.begin() + 1, row.fields.end()));
    EXPECT_EQ(reader.position(), row[0].size());
    EXPECT_FALSE(reader.next(line));
  }
}

TEST(LineReader, PositionFollowsTheConsumedBytes) {
  const std::string text = "A00,\r\nA99,\n";
  LineReader reader(text);
  std::string_view line;
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(reader.position(), 6u);
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(reader.position(), text.size());
  EXPECT_EQ(reader.size(), text.size());
}

}  // namespace
}  // namespace kestrel::sima
