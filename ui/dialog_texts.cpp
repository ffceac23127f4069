#include "ui/dialog_texts.h"

#include "platform/runtime/windowing.h"
#include "ui/dialog_resources.h"

namespace kestrel {

namespace {

const DialogTexts kJapanese = {
    resources::settings_dialog::kCaption,
    resources::settings_dialog::kShiftRefusedText,
    "エラーが発生しました（サイトが取得できません）",
    "SIMAインポート",
    resources::progress_window::kTitle,
    "SIMAファイル読み込み中...\n\n",
    "エラー無し",
    "%d個のエラー",
    "座標データから%d個のポイントを作成",
    "画地データから<Count>個のポリラインを作成",
    "平面線形【<Alignment>】を作成",
    {"路線成果-IP線から%d個のポリラインを作成", "路線成果-幅杭線左から%d個のポリラインを作成",
     "路線成果-幅杭線右から%d個のポリラインを作成",
     "路線成果-連続線（直線のみ）から%d個のポリラインを作成"},
    "縦断成果から%d個のポイントを作成",
    "横断成果から%d個のポイントを作成",
    "書式の違いを許容（末尾の空欄なし{0}行、数値でない標高{1}点）",
    "サイト「{0}」がないため「{1}」を使います",
    "不明なシリーズ「{0}」は無視しました",
    "シリーズ {0}: ファイルにありません",
    "平面線形「{0}」がありません。ある平面線形: {1}",
    "平面線形の選択を取り消しました。ある平面線形: {0}",
    "なし",
    "ログ {0} を書けません: {1}",
    "ログ {0} に結果を追記できません: {1}",
    "{0}: 行数が {1} を超えています。最初の {1} 行だけを読み込みました",
};

const DialogTexts kEnglish = {
    "SIMA Import Settings",
    "Please specify a value greater than 0.",
    "An error occurred (the sites cannot be read)",
    "SIMA Import",
    "Reading SIMA File",
    "Reading SIMA file...\n\n",
    "No errors",
    "Errors: %d",
    "Points made from the coordinate data: %d",
    "Polylines made from the lot data: <Count>",
    "Alignment made: <Alignment>",
    {"Polylines made from the route results (IP lines): %d",
     "Polylines made from the route results (left width-stake lines): %d",
     "Polylines made from the route results (right width-stake lines): %d",
     "Polylines made from the route results (continuous lines, straights only): %d"},
    "Points made from the vertical results: %d",
    "Points made from the cross-section results: %d",
    "Deviations tolerated: records without their empty last field {0}, elevations given as a "
    "word {1}",
    "site \"{0}\" not found; using \"{1}\"",
    "unknown series \"{0}\" ignored",
    "series {0}: the file holds none",
    "alignment \"{0}\" not found; alignments available: {1}",
    "alignment choice cancelled; alignments available: {0}",
    "none",
    "cannot write the log {0}: {1}",
    "cannot append the result to the log {0}: {1}",
    "{0}: more than {1} lines; the import read the first {1}",
};

}  // namespace

const DialogTexts& dialogTexts(sima::Language language) {
  return language == sima::Language::Japanese ? kJapanese : kEnglish;
}

sima::Language localeLanguage() {
  return ovwin::threadLocale() == ovwin::kJapaneseLocale ? sima::Language::Japanese
                                                         : sima::Language::English;
}

std::string fillIn(std::string pattern, std::initializer_list<std::string> values) {
  std::size_t index = 0;
  for (const std::string& value : values) {
    const std::string mark = "{" + std::to_string(index++) + "}";
    for (auto at = pattern.find(mark); at != std::string::npos;
         at = pattern.find(mark, at + value.size()))
      pattern.replace(at, mark.size(), value);
  }
  return pattern;
}

}  // namespace kestrel
