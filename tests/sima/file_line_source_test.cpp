// Block-wise reading gives exactly the lines of the whole file decoded at once.
#include "sima/file_line_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrel::sima {
namespace {

using io::Encoding;
using io::EncodingChoice;

std::vector<std::string> allLines(LineSource& source) {
  std::vector<std::string> lines;
  for (std::string_view line; source.next(line);) lines.emplace_back(line);
  return lines;
}

TEST(FileLineSource, BlocksCutAnywhereGiveTheLinesOfTheWholeText) {
  std::string cp932Line = "A01,1,\x93\x5f\x96\xbc,1,2,3,";  // 点名 in CP932: trail byte 0x5f/0xbc
  const struct {
    const char* name;
    std::string bytes;
    EncodingChoice choice;
    Encoding expected;
  } cases[] = {
      {"crlf", "A00,\r\nA01,1,P,1,2,3,\r\nA99,\r\n", EncodingChoice::Auto, Encoding::Utf8},
      {"lone cr", "A00,\rA01,1,P,1,2,3,\rA99,", EncodingChoice::Auto, Encoding::Utf8},
      {"bom", "\xEF\xBB\xBFG00,01,,\nZ00\n", EncodingChoice::Auto, Encoding::Utf8},
      {"utf-8", "A01,1,点名,1,2,3,\n\nA01,2,名前,4,5,6,", EncodingChoice::Auto, Encoding::Utf8},
      {"cp932", "A00,\r\n" + cp932Line + "\r\n" + cp932Line + "\r\nA99,\r\n", EncodingChoice::Auto,
       Encoding::Cp932},
      {"forced cp932", "A00,\nA99,\n", EncodingChoice::Cp932, Encoding::Cp932},
      {"invalid bytes", "A01,\x81\x20,\xa0\xfd,\n\x82", EncodingChoice::Auto, Encoding::Cp932},
      // Half-width kana whose bytes are valid UTF-8 too ("ﾎｼ" is CE BC, "μ"), over many blocks.
      {"cp932 that is valid utf-8", "A00,\r\n" + std::string(150, ' ') + "\r\nA01,1,\xCE\xBC" "1,0,0,1,\r\n",
       EncodingChoice::Auto, Encoding::Cp932},
      {"long line", std::string(300, 'x') + "\n" + std::string(200, 'y'), EncodingChoice::Auto,
       Encoding::Utf8},
      {"empty", "", EncodingChoice::Auto, Encoding::Utf8},
      // A long line whose CR is the last byte of a block: the LF (or the next line) comes later.
      {"crlf split by a block", std::string(127, 'x') + "\r\n" + std::string(70, 'y') + "\r\nz",
       EncodingChoice::Auto, Encoding::Utf8},
      {"lone cr split by a block", std::string(127, 'x') + "\r" + std::string(70, 'y') + "\rz",
       EncodingChoice::Auto, Encoding::Utf8},
  };
  kestrel::testing::TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.write(std::string(c.name) + ".sim", c.bytes);
    const io::DecodedText whole = io::decode(c.bytes, c.choice);
    LineReader reference(whole.text);
    const std::vector<std::string> expected = allLines(reference);
    for (std::size_t block : {64u, 65u, 67u, 1u << 20}) {
      FileLineSource source;
      ASSERT_TRUE(source.open(path, c.choice, block)) << c.name;
      EXPECT_EQ(source.encoding(), c.expected) << c.name;
      EXPECT_EQ(allLines(source), expected) << c.name << " in blocks of " << block;
      EXPECT_EQ(source.position(), c.bytes.size()) << c.name;
    }
  }
}

TEST(FileLineSource, DetectionLooksAtTheWholeFile) {
  // Valid UTF-8 for many blocks, then one CP932 byte pair near the end: the file is CP932.
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes += "A01,1,P,1,2,3,\n";
  bytes += "A01,2,\x93\x5f,1,2,3,\n";
  kestrel::testing::TempDir dir;
  FileLineSource source;
  ASSERT_TRUE(source.open(dir.write("late.sim", bytes), EncodingChoice::Auto, 64));
  EXPECT_EQ(source.encoding(), Encoding::Cp932);
  std::vector<std::string> lines = allLines(source);
  ASSERT_EQ(lines.size(), 201u);
  EXPECT_EQ(lines.back(), "A01,2,\xE7\x82\xB9,1,2,3,");  // 点
}

TEST(FileLineSource, FoldersAndMissingFilesDoNotOpen) {
  kestrel::testing::TempDir dir;
  FileLineSource source;
  EXPECT_FALSE(source.open(dir.path().string(), EncodingChoice::Auto));
  EXPECT_FALSE(source.open((dir.path() / "missing.sim").string(), EncodingChoice::Auto));
}

}  // namespace
}  // namespace kestrel::sima
