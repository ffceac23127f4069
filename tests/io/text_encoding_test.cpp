#include "io/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <string>

namespace kestrel::io {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

struct DecodeCase {
  const char* name;
  std::string bytes;
  EncodingChoice choice;
  std::string text;
  Encoding encoding;
};

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesUtf8Text) {
  const DecodeCase& c = GetParam();
  const DecodedText decoded = decode(c.bytes, c.choice);
  EXPECT_EQ(decoded.text, c.text);
  EXPECT_EQ(decoded.encoding, c.encoding);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, Decode,
    ::testing::Values(
        DecodeCase{"Ascii", "A01,1,P1,10,20,,\r\n", EncodingChoice::Auto, "A01,1,P1,10,20,,\r\n",
                   Encoding::Utf8},
        DecodeCase{"Empty", "", EncodingChoice::Auto, "", Encoding::Utf8},
        DecodeCase{"Utf8", "D00,1,座標,1,", EncodingChoice::Auto, "D00,1,座標,1,", Encoding::Utf8},
        DecodeCase{"Utf8WithBom", "\xEF\xBB\xBFG00,01,", EncodingChoice::Auto, "G00,01,",
                   Encoding::Utf8},
        // 座標 in CP932 is 8D C0 95 57; あ is 82 A0; half-width ｱ is B1; ～ is 81 60 (U+FF5E);
        // 0x5C is the backslash in CP932, not the yen sign.
        DecodeCase{"Cp932", "D00,1,\x8D\xC0\x95\x57,1,", EncodingChoice::Auto, "D00,1,座標,1,",
                   Encoding::Cp932},
        DecodeCase{"Cp932Kana", "\x82\xA0\xB1\x81\x60\x5C", EncodingChoice::Auto, "あｱ～\\",
                   Encoding::Cp932},
        DecodeCase{"Cp932Invalid", "\x82\xA0\xFF\x82\xA2", EncodingChoice::Auto,
                   "あ" + kReplacement + "い", Encoding::Cp932},
        // A lead byte with a trail byte CP932 does not allow: one replacement, then the blank.
        DecodeCase{"Cp932BadTrail", "a\x82\x20z", EncodingChoice::Auto, "a" + kReplacement + " z",
                   Encoding::Cp932},
        DecodeCase{"Cp932CutAtEnd", "ab\x82", EncodingChoice::Auto, "ab" + kReplacement,
                   Encoding::Cp932},
        DecodeCase{"ForcedCp932OnAscii", "A99,", EncodingChoice::Cp932, "A99,", Encoding::Cp932},
        DecodeCase{"ForcedUtf8OnCp932", "a\x82\xA0z", EncodingChoice::Utf8,
                   "a" + kReplacement + kReplacement + "z", Encoding::Utf8},
        DecodeCase{"NulBytes", std::string("a\0b", 3), EncodingChoice::Auto, std::string("a\0b", 3),
                   Encoding::Utf8}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// One name in a short file, written in each encoding: detection must give back the encoding the
// file was written in. The last rows are names whose bytes say the same in both readings; they
// record which reading wins.
struct NameCase {
  const char* name;
  Encoding utf8File;   // what a UTF-8 file of the name is read as
  Encoding cp932File;  // what a CP932 file of the name is read as
};

class DetectedName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DetectedName, FileIsReadInTheEncodingItWasWrittenIn) {
  const NameCase& c = GetParam();
  const std::string text = "G00,01,,\r\nA00,\r\nA01,1," + std::string(c.name) + ",0.000,0.000,1.0,\r\nA99,\r\n";
  const std::pair<Encoding, Encoding> files[] = {{Encoding::Utf8, c.utf8File},
                                                 {Encoding::Cp932, c.cp932File}};
  for (const auto& [written, expected] : files) {
    const DecodedText decoded = decode(encode(text, written), EncodingChoice::Auto);
    EXPECT_EQ(decoded.encoding, expected) << c.name << " written in " << static_cast<int>(written)
                                          << ": " << decoded.reason;
    if (decoded.encoding == written) {
      EXPECT_EQ(decoded.text, text) << c.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, DetectedName,
    ::testing::Values(
        NameCase{"P1", Encoding::Utf8, Encoding::Utf8},  // ASCII: one text either way
        NameCase{"座標", Encoding::Utf8, Encoding::Cp932},
        NameCase{"ﾎｼ1", Encoding::Utf8, Encoding::Cp932},   // CP932 CE BC: "μ" as UTF-8
        NameCase{"ﾐｷ", Encoding::Utf8, Encoding::Cp932},    // D0 B7: Cyrillic "з"
        NameCase{"ﾅｶﾞ", Encoding::Utf8, Encoding::Cp932},   // C5 B6 DE: "Ŷ", then no UTF-8
        NameCase{"ﾄｲﾚ", Encoding::Utf8, Encoding::Cp932},   // C4 B2 DA: "Ĳ", then no UTF-8
        NameCase{"ｱｲｳ", Encoding::Utf8, Encoding::Cp932},   // B1 B2 B3: no UTF-8 at all
        NameCase{"点ﾎｼ", Encoding::Utf8, Encoding::Cp932},
        NameCase{"Ａ１", Encoding::Utf8, Encoding::Cp932},
        NameCase{"①", Encoding::Utf8, Encoding::Cp932},
        NameCase{"10°", Encoding::Utf8, Encoding::Cp932},
        NameCase{"α角", Encoding::Utf8, Encoding::Cp932},
        // UTF-8 CE B1 ("α") is CP932 "ﾎｱ": a lone Greek letter is taken for half-width kana.
        NameCase{"α", Encoding::Cp932, Encoding::Cp932},
        // CP932 C2 B0 ("ﾂｰ") is UTF-8 "°", a sign survey files use: it is taken for the sign.
        NameCase{"ﾂｰ", Encoding::Utf8, Encoding::Utf8}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return "row" + std::to_string(info.index); });

TEST(DetectedName, TheReasonShowsBothReadingsOfTheField) {
  const DecodedText decoded = decode("A01,1,\xCE\xBC" "1,0.000,0.000,1.0,\r\n", EncodingChoice::Auto);
  EXPECT_EQ(decoded.reason,
            "valid UTF-8, but as UTF-8 it reads \"μ1\", characters no SIMA file holds; as CP932 \"ﾎｼ1\"");
}

struct ValidityCase {
  std::string bytes;
  bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(Utf8Validity, IsJudged) {
  EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, Utf8Validity,
    ::testing::Values(ValidityCase{"plain ascii, long enough for the eight-byte steps", true},
                      ValidityCase{"\xEF\xBB\xBF" "abc", true},
                      ValidityCase{"\xE3\x80\x80", true},                // U+3000
                      ValidityCase{"\xF0\x9F\x98\x80", true},            // U+1F600
                      ValidityCase{"\xC0\xAF", false},                   // overlong "/"
                      ValidityCase{"\xE0\x80\xAF", false},               // overlong
                      ValidityCase{"\xED\xA0\x80", false},               // surrogate
                      ValidityCase{"\xF4\x90\x80\x80", false},           // above U+10FFFF
                      ValidityCase{"abcdefgh\xE3\x80", false},           // cut short
                      ValidityCase{"abcdefghijklmno\x80", false},        // stray continuation
                      ValidityCase{"\x8D\xC0\x95\x57", false}));         // CP932

// The plain way to decode CP932: one iconv pass over the whole buffer, each refused byte
// replaced by U+FFFD and skipped.
std::string decodeCp932WithIconv(const std::string& bytes) {
  iconv_t handle = iconv_open("UTF-8", "CP932");
  EXPECT_NE(handle, reinterpret_cast<iconv_t>(-1));
  std::string out(bytes.size() * 3 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(handle, &in, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1)) break;
    EXPECT_NE(errno, E2BIG);
    for (char c : kReplacement) *outPointer++ = c;
    outLeft -= kReplacement.size();
    ++in;
    --inLeft;
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
      switch (kind(random)) {
        case 0: case 1: case 2: bytes.push_back(static_cast<char>(lead(random)));
                bytes.push_back(static_cast<char>(trail(random))); break;
        case 3: bytes.push_back(static_cast<char>(kana(random))); break;
        case 4: bytes.push_back(static_cast<char>(anyByte(random))); break;
        case 5: bytes.push_back(static_cast<char>(lead(random))); break;
        default: bytes.push_back(alphabet[static_cast<std::size_t>(anyByte(random)) % alphabet.size()]);
      }
    }
    ASSERT_EQ(decode(bytes, EncodingChoice::Cp932).text, decodeCp932WithIconv(bytes)) << round;
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
  EXPECT_EQ(decode(bytes, EncodingChoice::Cp932).text, decodeCp932WithIconv(bytes));
}

TEST(Encode, Utf8StaysAsItIs) {
  EXPECT_EQ(encode("座標 ”x”\n", Encoding::Utf8), "座標 ”x”\n");
}

TEST(Encode, Cp932BytesOfTheLogsCharacters) {
  // 座標 8D C0 95 57; U+3000 81 40; ” 81 68; 行目 8D 73 96 DA.
  EXPECT_EQ(encode("座標\xE3\x80\x80”行目 a\n", Encoding::Cp932),
            "\x8D\xC0\x95\x57\x81\x40\x81\x68\x8D\x73\x96\xDA a\n");
}

TEST(Encode, CharactersCp932LacksBecomeQuestionMarksAndAreCounted) {
  const struct {
    std::string text, encoded, first;
    std::size_t count;
  } rows[] = {{"a\xF0\x9F\x98\x80" "b", "a?b", "\xF0\x9F\x98\x80", 1},  // an emoji
              {"a" + kReplacement + "b", "a?b", kReplacement, 1},
              {"\xC3\xA9t\xC3\xA9", "?t?", "\xC3\xA9", 2},  // é
              {"a\xFF" "b", "a?b", "\xFF", 1},                  // not UTF-8 at all
              {"座標 a", "\x8D\xC0\x95\x57 a", "", 0}};
  for (const auto& row : rows) {
    Unmappable unmappable;
    EXPECT_EQ(encode(row.text, Encoding::Cp932, &unmappable), row.encoded);
    EXPECT_EQ(unmappable.count, row.count) << row.text;
    EXPECT_EQ(unmappable.first, row.first) << row.text;
  }
}

// The encoder answers from a table; iconv, one character at a time, is the reference.
std::string encodeCharacterWithIconv(const std::string& utf8) {
  const iconv_t handle = iconv_open("CP932", "UTF-8");
  char out[8];
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* put = out;
  std::size_t outLeft = sizeof out;
  const bool ok = iconv(handle, &in, &inLeft, &put, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(handle);
  return ok ? std::string(out, put) : "?";
}

std::string utf8Of(uint32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | c >> 6);
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | c >> 12);
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

TEST(Encode, EveryBmpCharacterAsIconvEncodesIt) {
  int differences = 0;
  std::string all;
  std::string expected;
  for (uint32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string one = utf8Of(c);
    const std::string reference = encodeCharacterWithIconv(one);
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

TEST(ParseEncodingChoice, KnowsTheNames) {
  EncodingChoice choice = EncodingChoice::Auto;
  EXPECT_TRUE(parseEncodingChoice("utf-8", choice));
  EXPECT_EQ(choice, EncodingChoice::Utf8);
  EXPECT_TRUE(parseEncodingChoice("CP932", choice));
  EXPECT_EQ(choice, EncodingChoice::Cp932);
  EXPECT_TRUE(parseEncodingChoice("sjis", choice));
  EXPECT_EQ(choice, EncodingChoice::Cp932);
  EXPECT_TRUE(parseEncodingChoice("auto", choice));
  EXPECT_EQ(choice, EncodingChoice::Auto);
  EXPECT_TRUE(parseEncodingChoice("utf8", choice));
  EXPECT_EQ(choice, EncodingChoice::Utf8);
  EXPECT_FALSE(parseEncodingChoice("latin1", choice));
  EXPECT_EQ(choice, EncodingChoice::Utf8);  // unchanged on failure
}

}  // namespace
}  // namespace kestrel::io
