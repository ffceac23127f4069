#include "sima/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel::sima {
namespace {

struct LinesCase {
  std::string text;
  std::vector<std::string> lines;
};

class Lines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(Lines, AreCutAtEveryLineEnd) {
  const LinesCase& c = GetParam();
  LineReader reader(c.text);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, c.lines);
  EXPECT_EQ(reader.position(), c.text.size());
  EXPECT_FALSE(reader.next(line));
}

INSTANTIATE_TEST_SUITE_P(
    LineReader, Lines,
    ::testing::Values(LinesCase{"", {}}, LinesCase{"a", {"a"}}, LinesCase{"a\n", {"a"}},
                      LinesCase{"a\nb", {"a", "b"}}, LinesCase{"a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"a\rb\r", {"a", "b"}},
                      LinesCase{"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      LinesCase{"\n", {""}}, LinesCase{"\r\n", {""}},
                      LinesCase{"\n\r", {"", ""}}, LinesCase{"a\n\nb", {"a", "", "b"}},
                      LinesCase{"a\r\r\nb", {"a", "", "b"}},
                      LinesCase{"  A00, \t\r\n", {"  A00, \t"}}));

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

TEST(LineReader, ALongSingleLineIsOneLine) {
  const std::string text(5'000'000, 'x');
  LineReader reader(text);
  std::string_view line;
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line.size(), text.size());
  EXPECT_FALSE(reader.next(line));
}

}  // namespace
}  // namespace kestrel::sima
