// The message table. Trailing blanks inside the texts are part of them.
#include "sima/messages.h"

#include <array>

namespace kestrel::sima {
namespace {

constexpr int kFirstId = 100;

struct MessageTexts {
  std::string_view japanese;
  std::string_view english;
};

// Indexed by id - 100. English 151 has no text of its own and shows the Japanese one.
constexpr std::array<MessageTexts, 56> kMessages{{
    {"SIMA読み込み",
     "Kestrel"},  // 100
    {"無効なデータ行です。 この行を無視して、処理を続けます。(余分なデータ)",
     "It is invalid line.  Ignoring this line, it continued  processing.(Excessive)"},  // 101
    {"無効なデータ行です。この行を無視して、処理を続けます。.(データが不足)",
     "It is invalid line.  Ignoring this line, it continued  processing.(Incomplete)"},  // 102
    {"座標データが無効です。これを無視して、処理を続けます。",
     "The coordinate data (A00-A09) with as for data division  below it is invalid.  Ignoring this line, it continued processing."},  // 103
    {"点番号が５桁以下の整数ではありません。",
     "The point number is not an integer within five digits. "},  // 104
    {"同一の点番号があります。これを無視して、処理を続けます。.",
     "Point number has overlapped.  Ignoring this line, it  continued processing."},  // 105
    {"X座標が、実数ではありません。",
     "X is non-numerical value. "},  // 106
    {"Y座標が、実数ではありません。",
     "Y is non-numerical value. "},  // 107
    {"Z座標が、実数ではありません。",
     "Z is non-numerical value. "},  // 108
    {"追加距離が、実数ではありません。",
     "Additional distance is non-numerical value."},  // 109
    {"パラメータAが、実数ではありません。",
     "Parameter A is non-numerical value."},  // 110
    {"始点半径が、実数ではありません。",
     "The starting point radius is non-numerical value."},  // 111
    {"終点半径が、実数ではありません。",
     "The terminal radius is non-numerical value."},  // 112
    {"辺長が、実数値ではありません。",
     "The vicinity length is non-numerical value."},  // 113
    {"方向角が、実数ではありません。",
     "Azimuthal is non-numerical value."},  // 114
    {"画地番号が、５桁以下の整数ではありません。",
     "The picture lot number title is not an integer within five digits."},  // 115
    {"路線番号が、５桁以下の整数ではありません。",
     "The route number is not an integer within four digits."},  // 116
    {"グループ番号が、５桁以下の整数ではありません。",
     "The group number is not an integer within five digits."},  // 117
    {"開始追加距離が、実数ではありません。",
     "The beginning addition distance is non-numerical value."},  // 118
    {"路線番号が、５桁以下の整数ではありません。",
     "The route number is not an integer of one or more within five digits."},  // 119
    {"グループ番号が、５桁以下の整数ではありません。",
     "The group number is not an integer within five digits."},  // 120
    {"杭頭高が、実数ではありません。",
     "The paling head amount is non-numerical value."},  // 121
    {"距離が、実数ではありません。",
     "The distance is non-numerical value."},  // 122
    {"地盤高が、実数ではありません。",
     "The ground amount is non-numerical value."},  // 123
    {"バージョン番号が、整数ではありません。",
     "The version number is non-numerical value."},  // 124
    {"座標系の指定が間違っています。",
     "Division : excluding 0 or 1."},  // 125
    {"画地種別の指定が無効です。",
     "The picture ground type is characters other than 1 and 2."},  // 126
    {"路線種別の指定が無効です。",
     "The route type is not a numerical value from 1 to 6."},  // 127
    {"測点種別の指定が無効です。",
     "The Hacaten type is characters other than 1 and 2."},  // 128
    {"線分に関するデータが無効です。これを無視して、処理を続けます。",
     "The element section data (C00-C99) with as for data  division below it is invalid.  Ignoring this line, it continued  processing."},  // 129
    {"画地データが無効です。これを無視して、処理を続けます。",
     "The lot data (D00-D99) with as for data division below  it is invalid."},  // 130
    {"座標データが無効です。これを無視して、これを処理を続けます。",
     "The coordinate data (A00-A99) with as for data division  below it is invalid.  Ignoring this line, it continued processing."},  // 131
    {"縦断成果データが処理できません。これを無視して、処理を続けます。",
     "The vertical result data (H00-H99) with as for data  division below it is invalid.  Ignoring this line, it continued  processing."},  // 132
    {"横断成果データが処理できません。これを無視して、処理を続けます。",
     "The intersection result data (I00-I02) with as for data division below it is invalid.  Ignoring this line, it continued  processing."},  // 133
    {"半径が、実数ではありません。",
     "The radius is a ratio numerical value."},  // 134
    {"Width is non-numerical value.",
     "Width is non-numerical value."},  // 135
    {"測点ピッチが、実数ではありません。",
     "The station pitch is non-numerical value."},  // 136
    {"中間ピッチが、実数ではありません。",
     "The middle pitch is non-numerical value."},  // 137
    {"参照する座標が見つかりません。",
     "The point where it is referred to is not found in the  coordinate data.  It cannot draw up this lot."},  // 138
    {"円弧とクロソイドが作成出来ません。これを無視して、処理を続けます。",
     "Here it cannot draw up the circular arc and the  clothoid.  Ignoring this line, it continued processing."},  // 139
    {"座標データ ",
     "A Series "},  // 140
    {"次の縦断成果を作成できませんでした。（線形範囲外の測点です）",
     "The following vertical result could not be made. (Its station lies outside the alignment.)"},  // 141
    {"画地データ ",
     "D Series "},  // 142
    {"縦断成果データ ",
     "H Series "},  // 143
    {"横断成果データ ",
     "I Series "},  // 144
    {"路線成果-IP線 ",
     "F Series Type 1"},  // 145
    {"路線成果-主要線  ",
     "F Series Type 2 "},  // 146
    {"路線成果-中心線 ",
     "F Series Type 3 "},  // 147
    {"路線成果-幅杭線左 ",
     "F Series Type 4 "},  // 148
    {"路線成果-幅杭線右 ",
     "F Series Type 5 "},  // 149
    {"路線成果-連続線(直線のみ)　",
     "F Series Type 6 "},  // 150
    {"路線成果-連続線(曲線含み) ",
     "路線成果-連続線(曲線含み) "},  // 151
    {"全て ",
     "ALL"},  // 152
    {"次の横断成果を作成できませんでした。（線形範囲外の測点です）",
     "The following cross-section result could not be made. (Its station lies outside the alignment.)"},  // 153
    {"次の座標データを作成できませんでした。（書式が無効です）",
     "The following coordinate data could not be made. (The line is not in a valid format.)"},  // 154
    {"次の縦断成果を作成できませんでした。（書式が無効です）",
     "The following vertical result could not be made. (The line is not in a valid format.)"},  // 155
}};

}  // namespace

std::string_view message(int id, Language language) {
  if (id < kFirstId || id >= kFirstId + static_cast<int>(kMessages.size())) return {};
  const MessageTexts& texts = kMessages[static_cast<std::size_t>(id - kFirstId)];
  return language == Language::Japanese ? texts.japanese : texts.english;
}

}  // namespace kestrel::sima
