// Decoding, detection and encoding of survey texts: case rows in cases/text_encoding.txt, and
// iconv as the reference for every CP932 pair and every BMP character.
#include "io/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>

#include "tests/platform/case_tables.h"

namespace kestrel::io {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";
const std::map<std::string, EncodingChoice> kChoices = {{"auto", EncodingChoice::Auto},
                                                        {"utf-8", EncodingChoice::Utf8},
                                                        {"cp932", EncodingChoice::Cp932}};

Encoding encodingNamed(const std::string& name) {
  return kChoices.at(name) == EncodingChoice::Cp932 ? Encoding::Cp932 : Encoding::Utf8;
}

std::vector<testing::TextRow> rowsOf(const std::string& table) {
  return testing::tableRows("io/cases/text_encoding.txt", table);
}

TEST(TextEncoding, DecodesToUtf8) {
  for (const auto& row : rowsOf("decode")) {
    const DecodedText decoded = decode(row[0], kChoices.at(row[1]));
    EXPECT_EQ(decoded.text, row[2]) << row.where;
    EXPECT_EQ(decoded.encoding, encodingNamed(row[3])) << row.where;
  }
}

// One name in a short file, written in each encoding: detection gives back the encoding the file
// was written in, and then the very text.
TEST(TextEncoding, DetectsTheEncodingAFileWasWrittenIn) {
  for (const auto& row : rowsOf("detect")) {
    const std::string text =
        "G00,01,,\r\nA00,\r\nA01,1," + row[0] + ",0.000,0.000,1.0,\r\nA99,\r\n";
    for (const auto& [written, expected] : {std::pair{Encoding::Utf8, encodingNamed(row[1])},
                                            std::pair{Encoding::Cp932, encodingNamed(row[2])}}) {
      const DecodedText decoded = decode(encode(text, written), EncodingChoice::Auto);
      EXPECT_EQ(decoded.encoding, expected) << row.where << ": " << decoded.reason;
      if (decoded.encoding == written) {
        EXPECT_EQ(decoded.text, text) << row.where;
      }
    }
  }
  for (const auto& row : rowsOf("reason"))
    EXPECT_EQ(decode(row[0], EncodingChoice::Auto).reason, row[1]) << row.where;
}

TEST(TextEncoding, JudgesUtf8Validity) {
  for (const auto& row : rowsOf("valid"))
    EXPECT_EQ(isValidUtf8(row[0]), row[1] == "yes") << row.where;
}

TEST(TextEncoding, EncodesCp932AndCountsWhatItLacks) {
  for (const auto& row : rowsOf("unmappable")) {
    Unmappable unmappable;
    EXPECT_EQ(encode(row[0], Encoding::Cp932, &unmappable), row[1]) << row.where;
    EXPECT_EQ(unmappable.first, row[2]) << row.where;
    EXPECT_EQ(unmappable.count, std::stoul(row[3])) << row.where;
  }
  EXPECT_EQ(encode("座標 ”x”\n", Encoding::Utf8), "座標 ”x”\n");
}

TEST(TextEncoding, ParsesTheChoiceNamesAndLeavesTheChoiceOnARefusal) {
  for (const auto& row : rowsOf("choice")) {
    for (const auto& [name, before] : kChoices) {
      EncodingChoice choice = before;
      EXPECT_EQ(parseEncodingChoice(row[0], choice), row[1] != "no") << row.where << " " << name;
      EXPECT_EQ(choice, row[1] == "no" ? before : kChoices.at(row[1])) << row.where << " " << name;
    }
  }
}

// iconv, the reference: one pass over the whole text, each character it refuses written as
// `refused` and skipped (a byte of CP932, a whole sequence of UTF-8).
std::string withIconv(const char* to, const char* from, const std::string& bytes,
                      const std::string& refused) {
  const iconv_t handle = iconv_open(to, from);
  EXPECT_NE(handle, reinterpret_cast<iconv_t>(-1));
  std::string out(bytes.size() * 3 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* put = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0 &&
         iconv(handle, &in, &inLeft, &put, &outLeft) == static_cast<std::size_t>(-1)) {
    EXPECT_NE(errno, E2BIG);
    put = std::copy(refused.begin(), refused.end(), put);
    outLeft -= refused.size();
    do {
      ++in;
      --inLeft;
    } while (inLeft > 0 && std::string_view(from) == "UTF-8" && (*in & 0xC0) == 0x80);
  }
  iconv_close(handle);
  out.resize(out.size() - outLeft);
  return out;
}

// Every byte followed by every byte, then a comma, and a lead byte cut off at the end: valid and
// invalid pairs, lone leads, half-width kana, control bytes and the bytes CP932 leaves unused.
TEST(DecodeCp932, EveryPairOfBytesAgreesWithAWholeBufferIconvPass) {
  std::string bytes;
  for (int first = 0; first <= 0xFF; ++first)
    for (int second = 0; second <= 0xFF; ++second)
      bytes += {static_cast<char>(first), static_cast<char>(second), ','};
  bytes += '\x81';
  EXPECT_EQ(decode(bytes, EncodingChoice::Cp932).text,
            withIconv("UTF-8", "CP932", bytes, kReplacement));
}

// The encoder answers from a table; iconv is the reference, for each character and for all at once.
TEST(Encode, EveryBmpCharacterAsIconvEncodesIt) {
  int differences = 0;
  std::string all, expected;
  for (uint32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string one =
        withIconv("UTF-8", "UTF-32LE", std::string(reinterpret_cast<const char*>(&c), 4), "");
    const std::string reference = withIconv("CP932", "UTF-8", one, "?");
    if (encode(one, Encoding::Cp932) != reference && ++differences <= 5)
      ADD_FAILURE() << "U+" << std::hex << c;
    all += one;
    expected += reference;
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(encode(all, Encoding::Cp932), expected);  // and the same in one text
}

TEST(Encode, RoundTripsThroughDecode) {
  const std::string text = "H00,1,中心線”本線”,\nZ00,ｱｲｳ\\～,\n";
  EXPECT_EQ(decode(encode(text, Encoding::Cp932), EncodingChoice::Cp932).text, text);
}

}  // namespace
}  // namespace kestrel::io
