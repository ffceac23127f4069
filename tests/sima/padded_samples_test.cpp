// Padded SIMA files must give the same values as their unpadded partners, field by field.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "io/text_encoding.h"
#include "sima/extended_cstring.h"
#include "sima/field_kinds.h"
#include "sima/import_log.h"
#include "sima/line_reader.h"

namespace kestrel {
namespace {

std::vector<Fields> readSample(const std::string& name) {
  std::ifstream in(std::string(KESTREL_SOURCE_DIR) + "/tests/sima/samples/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const io::DecodedText decoded = io::decode(bytes, io::EncodingChoice::Auto);
  EXPECT_EQ(decoded.encoding, io::Encoding::Utf8);
  std::vector<Fields> lines;
  sima::LineReader reader(decoded.text);
  std::string_view line;
  while (reader.next(line)) {
    Fields fields;
    ExtendedCString::Split(sima::trim(line), ',', fields);
    lines.push_back(fields);
  }
  return lines;
}

// The check a reader runs on a record of that code; 0 for codes without one.
int check(ImportLog& log, const Fields& f, const std::string& text) {
  const std::string& code = f[0];
  static const std::pair<const char*, RecordCheck> kChecked[] = {
      {"G00", RecordCheck::G00}, {"A00", RecordCheck::A00}, {"A01", RecordCheck::A01},
      {"A99", RecordCheck::A99}, {"D00", RecordCheck::D00}, {"B01", RecordCheck::B01}};
  for (const auto& [name, record] : kChecked)
    if (code == name) return log.check(record, 1, f, text);
  return 0;
}

class PaddedSample : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(PaddedSample, GivesTheSameValuesAsTheUnpaddedFile) {
  const std::vector<Fields> plain = readSample(GetParam().first);
  const std::vector<Fields> padded = readSample(GetParam().second);
  ASSERT_EQ(plain.size(), padded.size());
  ASSERT_FALSE(plain.empty());
  ImportLog log;
  int numbersCompared = 0;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    const Fields& a = plain[i];
    const Fields& b = padded[i];
    ASSERT_EQ(a.size(), b.size()) << "line " << i + 1;
    EXPECT_EQ(a[0], b[0]) << "line " << i + 1;
    EXPECT_EQ(check(log, a, ""), 0) << "line " << i + 1;
    EXPECT_EQ(check(log, b, ""), 0) << "line " << i + 1;
    for (std::size_t k = 1; k < a.size(); ++k) {
      EXPECT_EQ(sima::trim(a[k]), sima::trim(b[k])) << "line " << i + 1 << " field " << k;
      if (sima::isNumber(a[k])) {
        EXPECT_TRUE(sima::isNumber(b[k]));
        EXPECT_EQ(sima::toNumber(a[k]), sima::toNumber(b[k]));
        ++numbersCompared;
      }
      if (sima::isInteger(a[k])) {
        EXPECT_EQ(sima::toInteger(a[k]), sima::toInteger(b[k]));
      }
    }
  }
  EXPECT_GT(numbersCompared, 20);
  EXPECT_EQ(log.errorCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PaddedSample,
    ::testing::Values(std::make_pair("test-polygonGeoJSON_simaObj.sim",
                                     "test-polygonGeoJSON_simaObjSpaced.sim"),
                      std::make_pair("test-pointObject_simasplited.sim",
                                     "test-pointObject_simasplitedSpaced.sim")));

}  // namespace
}  // namespace kestrel
