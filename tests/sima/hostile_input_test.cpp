// Garbage in any amount goes through decoding, line cutting, splitting and every check without a
// crash, and every rejection is logged with its four lines. (Huge numbers in every field of a
// record: a row of cases/record_checks.txt.)
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "io/text_encoding.h"
#include "sima/extended_cstring.h"
#include "sima/field_kinds.h"
#include "sima/import_log.h"
#include "sima/line_reader.h"

namespace kestrel {
namespace {

// Runs every check on every line; returns the number of lines.
int checkEverything(const std::string& bytes, io::EncodingChoice choice, ImportLog& log) {
  const io::DecodedText decoded = io::decode(bytes, choice);
  EXPECT_TRUE(io::isValidUtf8(decoded.text));
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
    for (int record = 0; record <= static_cast<int>(RecordCheck::SeriesI); ++record)
      log.check(static_cast<RecordCheck>(record), number, fields, line, &store);
    for (const auto& field : fields) {
      sima::toInteger(field);
      sima::toNumber(field);
    }
  }
  EXPECT_EQ(log.errorLines().size(), 4u * static_cast<std::size_t>(log.errorCount()));
  EXPECT_EQ(log.errors().size(), static_cast<std::size_t>(log.errorCount()));
  return number;
}

// Random bytes in every encoding; lines made of record codes, separators, quotes, signs, digits
// and blanks; one huge line; nothing.
TEST(HostileInput, GarbageEndsCleanlyWithEveryRejectionLogged) {
  std::mt19937 random(4);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const auto choice :
       {io::EncodingChoice::Auto, io::EncodingChoice::Utf8, io::EncodingChoice::Cp932}) {
    std::string bytes(40000, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    ImportLog log;
    EXPECT_GT(checkEverything(bytes, choice, log), 0);
  }
  random.seed(5);
  const std::vector<std::string> pieces = {"A01", "H01", "D00", ",", ",", ",", "\"", "\"\"", "-",
                                           ".", "1", "99999999999999999999", " ", "\t", "\r\n",
                                           "\n", "\r", "　", "\xFF", std::string(1, '\0')};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string bytes;
  while (bytes.size() < 40000) bytes += pieces[pick(random)];
  ImportLog log;
  EXPECT_GT(checkEverything(bytes, io::EncodingChoice::Auto, log), 500);
  EXPECT_GT(log.errorCount(), 0);
  EXPECT_EQ(checkEverything(std::string(1'000'000, ','), io::EncodingChoice::Auto, log), 1);
  EXPECT_EQ(checkEverything(std::string(1'000'001, '"'), io::EncodingChoice::Auto, log), 1);
  EXPECT_EQ(checkEverything("", io::EncodingChoice::Auto, log), 0);
}

}  // namespace
}  // namespace kestrel
