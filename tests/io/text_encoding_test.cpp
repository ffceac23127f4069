// Decoding, detection and encoding of survey texts: case rows in cases/text_encoding.txt, and
// iconv as the reference for every CP932 pair and every BMP character.
#include "io/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>

#include "tests/support/text_rows.h"

namespace kestrel::io {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";
const std::map<std::string, EncodingChoice> kChoices = {{"auto", EncodingChoice::Auto},
                                                        {"utf-8", EncodingChoice::Utf8},
                                                        {"cp932", EncodingChoice::Cp932}};

Encoding encodingNamed(const std::string& name) {
  return kChoices.at(name) == EncodingChoice::Cp932 ? Encoding::Cp932 : Encoding::Utf8;
}

// The rows of cases/text_encoding.txt: decoding, detection and its reason, UTF-8 validity, CP932
// encoding with what it lacks, and the choice names. Detection writes one name in a short file in
// each encoding and must give back the encoding it was written in, and then the very text.
TEST(TextEncoding, CaseRows) {
  for (const auto& row : testing::textRows("io/cases/text_encoding.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] == "decode") {
      const DecodedText decoded = decode(row[1], kChoices.at(row[2]));
      EXPECT_EQ(decoded.text, row[3]);
      EXPECT_EQ(decoded.encoding, encodingNamed(row[4]));
      // The one-walk form for a settled encoding gives the same.
      std::string room(maxDecodedSize(row[1].size()), '\0');
      std::size_t replaced = 0;
      room.resize(decodeInto(row[1], decoded.encoding, true, room.data(), replaced));
      EXPECT_EQ(room, decoded.text);
      EXPECT_EQ(replaced, decoded.replacements);
    }
    const std::string text =
        "G00,01,,\r\nA00,\r\nA01,1," + row[1] + ",0.000,0.000,1.0,\r\nA99,\r\n";
    for (const auto& [written, column] : {std::pair{Encoding::Utf8, 2}, {Encoding::Cp932, 3}}) {
      if (row[0] != "detect") break;
      const DecodedText decoded = decode(encode(text, written), EncodingChoice::Auto);
      EXPECT_EQ(decoded.encoding, encodingNamed(row[column])) << decoded.reason;
      if (decoded.encoding == written) {
        EXPECT_EQ(decoded.text, text);
      }
    }
    if (row[0] == "reason") {
      EXPECT_EQ(decode(row[1], EncodingChoice::Auto).reason, row[2]);
    }
    if (row[0] == "valid") {
      EXPECT_EQ(isValidUtf8(row[1]), row[2] == "yes");
    }
    if (row[0] == "unmappable") {
      Unmappable unmappable;
      EXPECT_EQ(encode(row[1], Encoding::Cp932, &unmappable), row[2]);
      EXPECT_EQ(unmappable.first + " " + std::to_string(unmappable.count), row[3] + " " + row[4]);
    }
    for (const auto& [name, before] : row[0] == "choice" ? kChoices : decltype(kChoices){}) {
      EncodingChoice choice = before;  // a refusal leaves the choice as it was
      EXPECT_EQ(parseEncodingChoice(row[1], choice), row[2] != "no") << name;
      EXPECT_EQ(choice, row[2] == "no" ? before : kChoices.at(row[2])) << name;
    }
  }
  EXPECT_EQ(encode("座標 ”x”\n", Encoding::Utf8), "座標 ”x”\n");
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
  const std::string reference = withIconv("UTF-8", "CP932", bytes, kReplacement);
  EXPECT_EQ(decode(bytes, EncodingChoice::Cp932).text, reference);
  std::string room(maxDecodedSize(bytes.size()), '\0');
  std::size_t replaced = 0;
  room.resize(decodeInto(bytes, Encoding::Cp932, false, room.data(), replaced));
  EXPECT_EQ(room, reference);
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
