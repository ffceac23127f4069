#include "sima/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::sima {
namespace {

struct MessageCase {
  int id;
  const char* japanese;
  const char* english;
};

class MessageText : public ::testing::TestWithParam<MessageCase> {};

TEST_P(MessageText, IsExact) {
  const MessageCase& c = GetParam();
  EXPECT_EQ(message(c.id, Language::Japanese), c.japanese) << c.id;
  EXPECT_EQ(message(c.id, Language::English), c.english) << c.id;
}

INSTANTIATE_TEST_SUITE_P(
    SpotChecks, MessageText,
    ::testing::Values(
        MessageCase{100, "SIMA読み込み", "Kestrel"},
        // Japanese 101 has a blank after the first full stop; 102 none, and ".(" instead.
        MessageCase{101, "無効なデータ行です。 この行を無視して、処理を続けます。(余分なデータ)",
                    "It is invalid line.  Ignoring this line, it continued  processing.(Excessive)"},
        MessageCase{102, "無効なデータ行です。この行を無視して、処理を続けます。.(データが不足)",
                    "It is invalid line.  Ignoring this line, it continued  processing.(Incomplete)"},
        MessageCase{104, "点番号が５桁以下の整数ではありません。",
                    "The point number is not an integer within five digits. "},
        MessageCase{108, "Z座標が、実数ではありません。", "Z is non-numerical value. "},
        MessageCase{116, "路線番号が、５桁以下の整数ではありません。",
                    "The route number is not an integer within four digits."},
        MessageCase{130, "画地データが無効です。これを無視して、処理を続けます。",
                    "The lot data (D00-D99) with as for data division below  it is invalid."},
        MessageCase{135, "Width is non-numerical value.", "Width is non-numerical value."},
        MessageCase{138, "参照する座標が見つかりません。",
                    "The point where it is referred to is not found in the  coordinate data.  It "
                    "cannot draw up this lot."},
        MessageCase{140, "座標データ ", "A Series "},
        MessageCase{145, "路線成果-IP線 ", "F Series Type 1"},
        MessageCase{146, "路線成果-主要線  ", "F Series Type 2 "},
        MessageCase{150, "路線成果-連続線(直線のみ)\xE3\x80\x80", "F Series Type 6 "},
        MessageCase{151, "路線成果-連続線(曲線含み) ", "路線成果-連続線(曲線含み) "},
        MessageCase{152, "全て ", "ALL"}));

TEST(Messages, EveryIdFrom100To155HasBothTexts) {
  for (int id = 100; id <= 155; ++id) {
    EXPECT_FALSE(message(id, Language::Japanese).empty()) << id;
    EXPECT_FALSE(message(id, Language::English).empty()) << id;
  }
}

TEST(Messages, UnknownIdsAreEmpty) {
  for (int id : {-1, 0, 99, 156, 1000}) {
    EXPECT_TRUE(message(id, Language::Japanese).empty()) << id;
    EXPECT_TRUE(message(id, Language::English).empty()) << id;
  }
}

TEST(Messages, JapaneseOnlyTextsHaveReadableEnglish) {
  // The English table of these must not fall back to Japanese (only 151 does) and must be ASCII.
  for (int id : {141, 153, 154, 155}) {
    const std::string english(message(id, Language::English));
    EXPECT_NE(english, std::string(message(id, Language::Japanese))) << id;
    for (char c : english) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << id;
    for (char c : english) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << id;
  }
  EXPECT_EQ(message(141, Language::Japanese),
            "次の縦断成果を作成できませんでした。（線形範囲外の測点です）");
  EXPECT_EQ(message(153, Language::Japanese),
            "次の横断成果を作成できませんでした。（線形範囲外の測点です）");
  EXPECT_EQ(message(154, Language::Japanese), "次の座標データを作成できませんでした。（書式が無効です）");
  EXPECT_EQ(message(155, Language::Japanese), "次の縦断成果を作成できませんでした。（書式が無効です）");
}

}  // namespace
}  // namespace kestrel::sima
