// Lines of a text in memory, and block-wise reading of a file, which gives exactly the lines of
// the whole file decoded at once.
#include "sima/file_line_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

namespace kestrel::sima {
namespace {

using io::Encoding;
using io::EncodingChoice;

template <typename Source>
std::vector<std::string> allLines(Source& source) {
  std::vector<std::string> lines;
  for (std::string_view line; source.next(line);) lines.emplace_back(line);
  return lines;
}

// Each row of cases/lines.txt: a text, then its lines; the whole text is consumed.
TEST(LineReader, CutsAtEveryLineEnd) {
  for (const auto& row : kestrel::testing::textRows("sima/cases/lines.txt")) {
    SCOPED_TRACE(row.where);
    LineReader reader(row[0]);
    EXPECT_EQ(allLines(reader), std::vector<std::string>(row.fields.begin() + 1, row.fields.end()));
    EXPECT_EQ(reader.position(), row[0].size());
    std::string_view line;
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

TEST(FileLineSource, BlocksCutAnywhereGiveTheLinesOfTheWholeText) {
  kestrel::testing::TempDir dir;
  for (const auto& row : kestrel::testing::textRows("sima/cases/blocks.txt")) {
    SCOPED_TRACE(row.where);
    const std::string path = dir.write(row[0] + ".sim", row[1]);
    const EncodingChoice choice = row[2] == "cp932" ? EncodingChoice::Cp932 : EncodingChoice::Auto;
    const io::DecodedText whole = io::decode(row[1], choice);
    LineReader reference(whole.text);
    const std::vector<std::string> expected = allLines(reference);
    for (std::size_t block : {64u, 65u, 67u, 1u << 20}) {
      FileLineSource source;
      ASSERT_TRUE(source.open(path, choice, block));
      EXPECT_EQ(source.encoding(), row[3] == "cp932" ? Encoding::Cp932 : Encoding::Utf8);
      EXPECT_EQ(allLines(source), expected) << "in blocks of " << block;
      EXPECT_EQ(source.position(), row[1].size());
    }
  }
}

TEST(FileLineSource, FoldersAndMissingFilesDoNotOpen) {
  kestrel::testing::TempDir dir;
  FileLineSource source;
  EXPECT_FALSE(source.open(dir.path().string(), EncodingChoice::Auto));
  EXPECT_FALSE(source.open((dir.path() / "missing.sim").string(), EncodingChoice::Auto));
}

}  // namespace
}  // namespace kestrel::sima
