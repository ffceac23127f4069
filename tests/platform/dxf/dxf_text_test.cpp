#include "platform/dxf/dxf_text.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "io/text_encoding.h"

namespace {

struct SafeTextCase {
  const char* what;
  std::string input;
  std::string expected;
};

TEST(DxfSafeText, ControlsNeverPassAndLongTextIsCutAtACharacter) {
  const std::string a400(400, 'a');
  std::string kana;
  for (int i = 0; i < 86; ++i) kana += "あ";  // 258 bytes
  std::string kana85;
  for (int i = 0; i < 85; ++i) kana85 += "あ";
  std::string withFourByte = std::string(252, 'x') + "𠮷";  // 256 bytes
  const SafeTextCase cases[] = {
      {"plain", "P-1 点", "P-1 点"},
      {"CR LF", "a\r\nb", "a  b"},
      {"end of file marker", "0\nEOF", "0 EOF"},
      {"tab and NUL", std::string("a\tb\0c", 5), "a b c"},
      {"DEL",
       "a\x7f"
       "b",
       "a b"},
      {"C1 control NEL",
       "a\xC2\x85"
       "b",
       "a b"},
      {"line separator",
       "a\xE2\x80\xA8"
       "b",
       "a b"},
      {"lone continuation byte",
       "a\x80"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"CP932 bytes", "\x93\x5F", "\xEF\xBF\xBD_"},
      {"overlong slash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"400 ASCII bytes", a400, std::string(255, 'a')},
      {"three-byte characters", kana, kana85},
      {"four-byte character at the edge", withFourByte, std::string(252, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string safe = dxfSafeText(c.input);
    EXPECT_EQ(safe, c.expected);
    EXPECT_LE(safe.size(), kDxfMaxStringBytes);
    EXPECT_TRUE(kestrel::io::isValidUtf8(safe));
  }
}

TEST(DxfSafeText, AppendsWithoutTouchingWhatIsThere) {
  std::string out = "prefix:";
  appendDxfSafeText(out, std::string(300, 'b'));
  EXPECT_EQ(out, "prefix:" + std::string(255, 'b'));
}

TEST(DxfSymbolName, EscapesForbiddenCharactersAndTheEscapeItself) {
  const std::pair<const char*, const char*> cases[] = {
      {"points", "points"},
      {"点", "点"},
      {"a<b", "a%3Cb"},
      {"a>b", "a%3Eb"},
      {"50%", "50%25"},
      {"x/y\\z", "x%2Fy%5Cz"},
      {"\"q\":;?*|=`", "%22q%22%3A%3B%3F%2A%7C%3D%60"},
      {"line\r\nbreak", "line%0D%0Abreak"},
  };
  for (const auto& [name, escaped] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(escapeDxfSymbolName(name), escaped);
    EXPECT_EQ(unescapeDxfSymbolName(escaped), name);
  }
}

TEST(DxfSymbolName, NamesThatNoEscapeProducesComeBackUnchanged) {
  for (const char* name : {"%", "%4", "%zz", "%41", "%3c", "a<b", "100%off"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(unescapeDxfSymbolName(name), name);
  }
}

TEST(DxfSymbolName, RandomNamesRoundTripAndStayDistinct) {
  std::mt19937 random(20261206);
  const std::string alphabet = "ab%<>/\\\":;?*|=`\r\n\t 0A";
  std::set<std::string> names;
  std::set<std::string> escapedNames;
  for (int i = 0; i < 5000; ++i) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < length; ++k) name.push_back(alphabet[random() % alphabet.size()]);
    const std::string escaped = escapeDxfSymbolName(name);
    for (const char c : std::string("<>/\\\":;?*|=`\r\n\t"))
      EXPECT_EQ(escaped.find(c), std::string::npos) << name;
    EXPECT_EQ(unescapeDxfSymbolName(escaped), name);
    names.insert(name);
    escapedNames.insert(escaped);
  }
  EXPECT_EQ(names.size(), escapedNames.size());
}

}  // namespace
