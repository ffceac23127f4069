// Dialog ids, captions and control texts of the import module's windows, shared by every view.
#pragma once

namespace kestrel::resources {

// The import dialog (KestrelForm).
namespace import_dialog {
inline constexpr int kDialogId = 201;
inline constexpr int kWidthUnits = 268;
inline constexpr int kHeightUnits = 204;
inline constexpr const char* kCaption = "SIMAファイル読み込み";
inline constexpr int kPathEdit = 210;
inline constexpr int kBrowseButton = 206;
inline constexpr const char* kBrowseText = "参照";
inline constexpr int kSiteLabel = 220;
inline constexpr const char* kSiteLabelText = "サイト名:";
inline constexpr int kSiteList = 207;
inline constexpr int kSeriesTree = 208;
inline constexpr const char* kTreeColumn = "Name";
inline constexpr int kSettingsButton = 209;
inline constexpr const char* kSettingsText = "設定...";
inline constexpr int kLogButton = 212;  // hidden
inline constexpr const char* kLogText = "ログの表示...";
inline constexpr int kImportButton = 1;
inline constexpr const char* kImportText = "読み込み";
inline constexpr int kCloseButton = 2;
inline constexpr const char* kCloseText = "閉じる";
// The file-open dialog of the browse button.
inline constexpr const char* kBrowseTitle = "SIMAファイルを選択";
inline constexpr const char* kBrowseFilter = "(*.sim)|*.sim||";
inline constexpr const char* kBrowseDefaultExtension = "*.sim";
// The message box of a refused path.
inline constexpr const char* kInvalidPathText = "Please browse for Valid SIM File.";
inline constexpr const char* kInvalidPathCaption = "Invalid SIM File!";
}  // namespace import_dialog

// The settings dialog (KestrelSettingsForm).
namespace settings_dialog {
inline constexpr int kDialogId = 200;
inline constexpr int kWidthUnits = 292;
inline constexpr int kHeightUnits = 193;
inline constexpr const char* kCaption = "SIMAファイル読み込み設定";
inline constexpr const char* kLayerGroup = "ポリラインの画層";
inline constexpr const char* kShiftGroup = "縦断・横断成果の垂直壁のシフト距離　";
// Drop-down ids and labels, in the order of the five layer settings.
inline constexpr int kLayerList[5] = {205, 200, 201, 202, 203};
inline constexpr const char* kLayerLabel[5] = {"ポイント：", "ＩＰ線：　", "画地：", "幅杭線：",
                                               "曲線を含まない連続線："};
inline constexpr int kShiftEdit = 204;
inline constexpr const char* kShiftLabel = "シフト距離：　";
inline constexpr const char* kShiftUnit = "m";
inline constexpr int kAcceptButton = 1;
inline constexpr const char* kAcceptText = "設定";
inline constexpr int kCancelButton = 2;
inline constexpr const char* kCancelText = "取り消し";
inline constexpr const char* kShiftRefusedText = "0より大きい値を指定してください。";
}  // namespace settings_dialog

// The alignment selection (SelectAlignmentForm).
namespace alignment_dialog {
inline constexpr int kDialogId = 204;
inline constexpr const char* kCaption = "平面線形選択";
inline constexpr const char* kLabel = "平面線形:";
inline constexpr int kAlignmentList = 215;
inline constexpr int kSelectButton = 1;
inline constexpr const char* kSelectText = "選択";
inline constexpr int kCancelButton = 2;
inline constexpr const char* kCancelText = "キャンセル";
}  // namespace alignment_dialog

// The result dialog (SimaResultForm).
namespace result_dialog {
inline constexpr int kDialogId = 203;
inline constexpr const char* kCaption = "SIMA読み込み結果";
inline constexpr const char* kLabel = "読み込み結果:";
inline constexpr int kResultList = 213;
inline constexpr const char* kHiddenLabel = "SIMAファイル";
inline constexpr int kCloseButton = 1;
inline constexpr const char* kCloseText = "閉じる";
inline constexpr int kShowLogButton = 214;
inline constexpr const char* kShowLogText = "ログを表示";
}  // namespace result_dialog

// The progress window (CProgressWnd).
namespace progress_window {
inline constexpr const char* kTitle = "SIMAファイル読み込み中";
inline constexpr const char* kCancelText = " Cancel ";
inline constexpr int kCancelCommand = 10;
inline constexpr int kTextLines = 4;
inline constexpr const char* kProfileSection = "Settings";
inline constexpr const char* kProfileX = "X";
inline constexpr const char* kProfileY = "Y";
}  // namespace progress_window

}  // namespace kestrel::resources
