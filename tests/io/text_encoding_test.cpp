// Decoding, detection and encoding of survey texts: case rows in cases/text_encoding.txt, and
// iconv as the reference for every CP932 pair and every BMP character.
#include "io/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <map>
#include <random>
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

TEST(DecodeCp932, AgreesWithAWholeBufferIconvPassOnRandomBytes) {
  // Random bytes weighted towards CP932 lead bytes, ASCII and half-width kana, so that valid
  // pairs, invalid trails, lone leads and cut-off ends all occur.
  std::mt19937 random(932);
  const std::string alphabet = "AZaz09,. \r\n\x5C\x7E\x80\xA0\xFD\xFF";
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<int> lead(0x81, 0x9F);
  std::uniform_int_distribution<int> trail(0x40, 0xFC);
  std::uniform_int_distribution<int> kana(0xA1, 0xDF);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int length = 1 + round % 97;
    for (int i = 0; i < length; ++i) {
      const int k = kind(random);  // 0-2 a pair, 3 kana, 4 any byte, 5 a lone lead, else ASCII
      if (k <= 2 || k == 5) bytes.push_back(static_cast<char>(lead(random)));
      if (k <= 2) bytes.push_back(static_cast<char>(trail(random)));
      if (k == 3) bytes.push_back(static_cast<char>(kana(random)));
      if (k == 4) bytes.push_back(static_cast<char>(anyByte(random)));
      if (k > 5)
        bytes.push_back(alphabet[static_cast<std::size_t>(anyByte(random)) % alphabet.size()]);
    }
    ASSERT_EQ(decode(bytes, EncodingChoice::Cp932).text,
              withIconv("UTF-8", "CP932", bytes, kReplacement))
        << round;
  }
}

TEST(DecodeCp932, EveryPairOfLeadAndTrailAgreesWithIconv) {
  std::string bytes;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      bytes.push_back(static_cast<char>(lead));
      bytes.push_back(static_cast<char>(trail));
      bytes.push_back(',');
    }
  }
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
