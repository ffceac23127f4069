// Garbage in any amount goes through decoding, line cutting, splitting and every check without a
// crash, and every rejection is logged with its four lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sima/extended_cstring.h"
#include "sima/field_kinds.h"
#include "sima/import_log.h"
#include "sima/line_reader.h"
#include "sima/text_encoding.h"

namespace kestrel {
namespace {

// Runs every check on every line; returns the number of lines.
int checkEverything(const std::string& bytes, sima::EncodingChoice choice, ImportLog& log) {
  const sima::DecodedText decoded = sima::decode(bytes, choice);
  EXPECT_TRUE(sima::isValidUtf8(decoded.text));
  sima::LineReader reader(decoded.text);
  std::string_view line;
  Fields fields;
  PointStore store;
  int number = 0;
  while (reader.next(line)) {
    ++number;
    line = sima::trim(line);
    const int count = ExtendedCString::Split(line, ',', fields);
    EXPECT_EQ(count, static_cast<int>(fields.size()));
    EXPECT_GE(count, 1);
    log.checkG00(number, fields, line);
    log.checkA00(number, fields, line);
    log.checkA01(number, fields, line, store);
    log.checkA99(number, fields, line);
    log.checkD00(number, fields, line);
    log.checkB01(number, fields, line);
    log.checkB03(number, fields, line);
    log.checkF00(number, fields, line);
    log.checkC01(number, fields, line);
    log.checkC02(number, fields, line);
    log.checkC03(number, fields, line);
    log.checkH00(number, fields, line);
    log.checkH01(number, fields, line);
    log.checkH99(number, fields, line);
    log.checkI00(number, fields, line);
    log.checkI01(number, fields, line);
    log.checkI02(number, fields, line);
    log.checkI99(number, fields, line);
    log.checkSeriesA(number, fields, line);
    log.checkSeriesD(number, fields, line);
    log.checkSeriesF(number, fields, line);
    log.checkSeriesH(number, fields, line);
    log.checkSeriesI(number, fields, line);
    for (const auto& field : fields) {
      sima::toInteger(field);
      sima::toNumber(field);
    }
  }
  EXPECT_EQ(log.errorLines().size(), 4u * static_cast<std::size_t>(log.errorCount()));
  EXPECT_EQ(log.errors().size(), static_cast<std::size_t>(log.errorCount()));
  return number;
}

TEST(HostileInput, RandomBytesInEveryEncoding) {
  std::mt19937 random(4);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const auto choice :
       {sima::EncodingChoice::Auto, sima::EncodingChoice::Utf8, sima::EncodingChoice::Cp932}) {
    std::string bytes(40000, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    ImportLog log;
    EXPECT_GT(checkEverything(bytes, choice, log), 0);
  }
}

TEST(HostileInput, RecordLikeGarbage) {
  // Lines made of record codes, separators, quotes, signs, digits and blanks.
  std::mt19937 random(5);
  const std::vector<std::string> pieces = {"A01", "H01", "D00", ",", ",", ",", "\"", "\"\"", "-",
                                           ".", "1", "99999999999999999999", " ", "\t", "\r\n",
                                           "\n", "\r", "　", "\xFF", std::string(1, '\0')};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string bytes;
  while (bytes.size() < 40000) bytes += pieces[pick(random)];
  ImportLog log;
  EXPECT_GT(checkEverything(bytes, sima::EncodingChoice::Auto, log), 500);
  EXPECT_GT(log.errorCount(), 0);
}

TEST(HostileInput, OneHugeLineAndEmptyInput) {
  ImportLog log;
  EXPECT_EQ(checkEverything(std::string(1'000'000, ','), sima::EncodingChoice::Auto, log), 1);
  EXPECT_EQ(checkEverything(std::string(1'000'001, '"'), sima::EncodingChoice::Auto, log), 1);
  EXPECT_EQ(checkEverything("", sima::EncodingChoice::Auto, log), 0);
}

TEST(HostileInput, HugeNumbersInEveryNumberField) {
  const std::string huge(400, '9');
  const std::string line = "A01," + std::string(30, '9') + ",P," + huge + "," + huge + "," + huge + ",";
  Fields fields;
  ExtendedCString::Split(line, ',', fields);
  ImportLog log;
  EXPECT_EQ(log.checkA01(1, fields, line, PointStore()), -1);
  EXPECT_EQ(log.errors().back().code, "ErrA01-2");
  EXPECT_EQ(sima::toInteger(fields[1]), 2147483647);
}

}  // namespace
}  // namespace kestrel
