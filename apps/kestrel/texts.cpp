#include "apps/kestrel/texts.h"

#include <cstddef>

namespace kestrel::cli {

namespace {

struct Row {
  Text text;
  const char* code;  // JSON code of an error or warning; "" for other texts
  const char* japanese;
  const char* english;
};

// "{0}", "{1}", … stand for the values a text is said with.
constexpr Row kRows[] = {
    {Text::NoCommand, "no_command", "コマンドを指定してください (import、export または scan)",
     "no command given (import, export or scan)"},
    {Text::UnknownCommand, "unknown_command",
     "{0}: 不明なコマンドです (import、export または scan)",
     "{0}: unknown command (expected import, export or scan)"},
    {Text::UnknownOption, "unknown_option", "{0}: 不明なオプションです", "{0}: unknown option"},
    {Text::MissingValue, "missing_value", "{0}: 値を指定してください", "{0}: a value is missing"},
    {Text::FlagTakesNoValue, "unexpected_value", "{0}: 値はとりません", "{0}: takes no value"},
    {Text::BadChoice, "bad_value", "{0} {1}: 指定できる値は {2} です", "{0} {1}: expected {2}"},
    {Text::BadCount, "bad_value", "{0} {1}: 1 以上の整数を指定してください",
     "{0} {1}: expected a whole number of at least 1"},
    {Text::MissingInput, "missing_argument", "読み込むファイルを指定してください",
     "no input file given"},
    {Text::UnexpectedArgument, "unexpected_argument", "{0}: 余分な引数です",
     "{0}: unexpected argument"},
    {Text::SeriesUnknown, "bad_value",
     "--series {0}: 不明な項目「{1}」です (all、または A,D,H,I,F1..F7)",
     "--series {0}: unknown entry \"{1}\" (expected all, or A,D,H,I,F1..F7)"},
    {Text::SingleInputOption, "single_input_option",
     "{0}: 入力が一つのときだけ使えます (複数の入力には --output-dir)",
     "{0}: takes a single input; with several inputs use --output-dir"},
    {Text::LogNeedsFolder, "single_input_option",
     "--log {0}: 複数の入力ではフォルダーを指定してください",
     "--log {0}: with several inputs, name a folder"},
    {Text::ShiftRefused, "bad_value", "--shift {0}: {1}", "--shift {0}: {1}"},
    {Text::UnknownAlignment, "unknown_alignment",
     "--alignment {0}: その平面線形はありません。ある平面線形: {1}",
     "--alignment {0}: no such alignment; alignments: {1}"},
    {Text::OptionInputUnreadable, "option_input_unreadable", "{0}: 読み込めません: {1}",
     "{0}: cannot be read: {1}"},
    {Text::InputMissing, "input_missing", "{0}: ファイルがありません", "{0}: no such file"},
    {Text::InputNotRegular, "input_not_regular", "{0}: 通常のファイルではありません",
     "{0}: not a regular file"},
    {Text::InputUnreadable, "input_unreadable", "{0}: 読み取れません", "{0}: not readable"},
    {Text::InputNotSim, "input_not_sim", "{0}: 名前が .sim で終わっていません",
     "{0}: name does not end in .sim"},
    {Text::FolderWithoutSim, "folder_without_sim", "{0}: フォルダーに .sim ファイルがありません",
     "{0}: the folder holds no .sim file"},
    {Text::OutputExists, "output_exists", "{0}: すでにあります (置き換えるには --overwrite)",
     "{0}: already exists (use --overwrite to replace it)"},
    {Text::OutputOverwritesInput, "output_overwrites_input",
     "{0}: 出力が入力 {1} を上書きしてしまいます", "{0}: the output would overwrite the input {1}"},
    {Text::OutputClash, "output_clash", "{0}: {1} と {2} がどちらもこのファイルに書きます",
     "{0}: written by both {1} and {2}"},
    {Text::OutputFolderMissing, "output_folder_missing", "{0}: 出力先のフォルダーがありません",
     "{0}: the output's folder does not exist"},
    {Text::OutputFolderReadOnly, "output_folder_read_only",
     "{0}: 出力先のフォルダーに書き込めません", "{0}: the output's folder is read-only"},
    {Text::InputFolderReadOnly, "input_folder_read_only",
     "{0}: 入力ファイルのフォルダーが読み取り専用のため、ログを書けません (--log "
     "でほかの場所を指定してください)",
     "{0}: the input's folder is read-only, so the log cannot be written beside it (give --log "
     "PATH)"},
    {Text::BadZone, "bad_value", "--zone {0}: 1 から 19 までの整数を指定してください",
     "--zone {0}: expected a whole number from 1 to 19"},
    {Text::BadEpsg, "bad_value", "--epsg {0}: 正の整数を指定してください",
     "--epsg {0}: expected a positive whole number"},
    {Text::GisOptionWithoutOutput, "gis_option_without_output",
     "{0}: GIS 出力のためのオプションです。-o (OUT.gpkg、OUT.geojson、OUT.shp など) か -f で GIS "
     "出力を指定してください",
     "{0}: applies to GIS outputs; name one with -o (OUT.gpkg, OUT.geojson, OUT.shp, ...) or -f"},
    {Text::DrawingNamedTwice, "drawing_named_twice", "-o: 図面 (.dxf) は一つまでです ({0} と {1})",
     "-o: one drawing (.dxf) at most; {0} and {1} given"},
    {Text::GisNoExtension, "gis_format_unknown",
     "{0}: 形式を示す拡張子がありません (-f で GDAL のドライバーを指定してください)",
     "{0}: the name has no extension to tell the format by (name a GDAL driver with -f)"},
    {Text::GisExtensionUnknown, "gis_format_unknown",
     "{0}: 拡張子 {1} の GIS 形式はありません (-f で GDAL のドライバーを指定してください)",
     "{0}: no GIS format has the extension {1} (name a GDAL driver with -f)"},
    {Text::GisDriverUnknown, "gis_driver_unknown",
     "-f {0}: GDAL にこのドライバーはありません (ogrinfo --formats で一覧できます)",
     "-f {0}: GDAL has no such driver (ogrinfo --formats lists them)"},
    {Text::GisDriverCannotCreate, "gis_driver_unknown",
     "-f {0}: このドライバーはベクターデータを作れません",
     "-f {0}: the driver cannot create vector datasets"},
    {Text::GisDriverWithoutExtension, "gis_driver_without_extension",
     "-f {0}: このドライバーには拡張子がなく、入力の名前から出力の名前を作れません (-o "
     "で指定してください)",
     "-f {0}: the driver has no file extension to name outputs after their inputs (name the "
     "output with -o)"},
    {Text::CrsUnknown, "crs_unknown", "{0} {1}: GDAL が知らない座標参照系です",
     "{0} {1}: GDAL does not know this coordinate reference system"},
    {Text::TargetSrsWithoutCrs, "crs_missing",
     "{0}: ファイルが平面直角座標系の系を示していないため --t-srs で変換できません (--zone か "
     "--epsg で指定してください)",
     "{0}: --t-srs needs the coordinates' own CRS and the file names no zone (give --zone or "
     "--epsg)"},
    {Text::ExportNothingNamed, "missing_argument",
     "書き出すものを指定してください: 図面 (.dxf)、GIS データ、または --alignments IN.xml",
     "nothing named to export: give a drawing (.dxf), a GIS dataset or --alignments IN.xml"},
    {Text::ExportInputIsSima, "input_is_sima", "{0}: すでに SIMA ファイルです",
     "{0}: a SIMA file already"},
    {Text::ExportInputIsLandXml, "input_is_landxml",
     "{0}: LandXML ファイルの平面線形は --alignments で指定します",
     "{0}: a LandXML file's alignments are named with --alignments"},
    {Text::ExportNoOutput, "missing_option", "書き出す SIMA ファイルを -o OUT.sim で指定してください",
     "name the SIMA file to write with -o OUT.sim"},
    {Text::ExportOutputNotSim, "output_not_sim",
     "{0}: 出力の名前は、インポートが読めるよう .sim で終わらせてください",
     "{0}: the output's name must end in .sim, as the import wants"},
    {Text::OutputIsFolder, "output_is_folder", "{0}: フォルダーです", "{0}: is a folder"},
    {Text::ExportDrawingOption, "bad_option", "--all-entities は図面 (.dxf) の入力に使います",
     "--all-entities applies to a drawing (.dxf) input"},
    {Text::ExportGisOption, "bad_option",
     "--zone、--epsg、--number-field と --name-field は GIS データの入力に使います",
     "--zone, --epsg, --number-field and --name-field apply to a GIS dataset input"},
    {Text::ExportNeedsZone, "missing_option",
     "{0}: GIS データは平面直角座標に変換します。--zone (または --epsg) を指定してください",
     "{0}: a GIS dataset is reprojected into plane coordinates: give --zone (or --epsg)"},
    {Text::BadTolerance, "bad_value", "--tolerance {0}: 0 以上の数を指定してください",
     "--tolerance {0}: expected a number of at least 0"},
    {Text::BadDecimals, "bad_value", "--decimals {0}: 0 から 12 までの整数を指定してください",
     "--decimals {0}: expected a whole number from 0 to 12"},
    {Text::ExportInputUnreadable, "input_unreadable", "読み込めません: {0}",
     "cannot be read: {0}"},
    {Text::NothingToImport, "nothing_to_import",
     "{0}: 読み込むものがありません (このインポートが読むシリーズがファイルにありません)",
     "{0}: nothing to import: the file holds no series this import reads"},
    {Text::PathRejected, "path_rejected", "{0}: SIMAファイルとして受け付けられませんでした",
     "{0}: not accepted as a SIMA file"},
    {Text::SiteListFailed, "site_list_failed", "{0}", "{0}"},
    {Text::ModuleUnavailable, "module_unavailable", "{0}: モジュールを読み込めません: {1}",
     "{0}: cannot load the module: {1}"},
    {Text::CommandMissing, "module_unavailable", "モジュールが Kestrel コマンドを登録していません",
     "the module did not register the command Kestrel"},
    {Text::ImportNotRun, "import_not_run", "{0}: インポートが実行されませんでした",
     "{0}: the import did not run"},
    {Text::OutputWriteFailed, "output_write_failed", "書き込めません: {0}", "cannot write: {0}"},
    {Text::LogWriteFailed, "log_write_failed", "{0}", "{0}"},
    {Text::LineLimitReached, "line_limit_reached",
     "{0}: 行数が 2,147,483,647 を超えています。そこまでを読み込み、書き出しました",
     "{0}: more than 2,147,483,647 lines; those were imported and written, the rest was not read"},
    {Text::ChildFailed, "import_crashed", "{0}: インポートが異常終了しました ({1})",
     "{0}: the import ended abnormally ({1})"},
    {Text::GisUnavailable, "gis_unavailable", "{0}: GIS ライブラリを読み込めません: {1}",
     "{0}: cannot load the GIS library: {1}"},
    {Text::NothingToExport, "nothing_to_export",
     "{0}: 書き出すものがありません (測量点、画地、平面線形がありません)",
     "{0}: nothing to export: no survey points, lots or alignments"},
    {Text::NothingToExportDrawing, "nothing_to_export",
     "{0}: 書き出すものがありません (測量点、画地、平面線形がありません。ほかで作られた POINT "
     "と閉じたポリラインには --all-entities)",
     "{0}: nothing to export: no survey points, lots or alignments (POINT entities and closed "
     "polylines of other origin need --all-entities)"},
    {Text::SpiralOfType, "spiral_not_clothoid",
     "{0}: 平面線形「{1}」: 要素 {2} は種類「{3}」の緩和曲線です。SIMA "
     "の路線が持てるのは直線、円弧、クロソイドだけです",
     "{0}: alignment \"{1}\": element {2} is a spiral of type \"{3}\"; SIMA routes hold "
     "straights, arcs and clothoids only"},
    {Text::SpiralOfOneRadius, "spiral_not_clothoid",
     "{0}: 平面線形「{1}」: 要素 {2} は半径が変わらない緩和曲線で、クロソイドではありません",
     "{0}: alignment \"{1}\": element {2} is a spiral of one radius throughout, no clothoid"},
    {Text::ElementsDoNotJoin, "elements_do_not_join",
     "{0}: 平面線形「{1}」: 要素 {2} ({3}) の始点が要素 {5} の終点から {4} m "
     "離れています。路線は一続きの点の並びです",
     "{0}: alignment \"{1}\": element {2} ({3}) starts {4} m from where element {5} ends; a route "
     "is one chain of points"},
    {Text::NoPointNumberLeft, "no_point_number_left",
     "{0}: 2147483647 までの点番号がすべて使われています",
     "{0}: every point number up to 2147483647 is in use"},
    {Text::UnwritableText, "unwritable_text",
     "{0} (--replace-unmappable で「?」に置き換えて書けます)",
     "{0}; --replace-unmappable writes \"?\" in its place"},
    {Text::UnwritableTextCp932, "unwritable_text",
     "{0} (--replace-unmappable で「?」に置き換えるか、--encoding utf-8 でその文字のまま書けます)",
     "{0}; --replace-unmappable writes \"?\" in its place, --encoding utf-8 keeps a character "
     "CP932 lacks"},
    {Text::SiteCreated, "site_created", "サイト「{0}」がなかったため作成しました",
     "site \"{0}\" did not exist; created it"},
    {Text::LayerAdded, "layer_added", "画層「{0}」を図面に追加しました",
     "layer \"{0}\" added to the drawing"},
    {Text::CharactersReplaced, "characters_replaced",
     "{0}: {1} として読めないバイト {2} 個を U+FFFD に置き換えました (別の --encoding "
     "を試してください)",
     "{0}: {2} bytes could not be read as {1} and became U+FFFD (try another --encoding)"},
    {Text::ResultsUnplaced, "results_unplaced",
     "{0}: 縦断・横断成果 {1} 件をどの平面線形にも配置できませんでした (--alignments と "
     "--alignment で指定できます)",
     "{0}: {1} vertical or cross-section results could not be placed on any alignment (name one "
     "with --alignments and --alignment)"},
    {Text::ModuleNotice, "module_notice", "{0}", "{0}"},
    {Text::ZoneFromFile, "zone_from_file", "{0}: {3} 行目が示す {1} 系 (EPSG:{2}) を使います: {4}",
     "{0}: zone {1} (EPSG:{2}) from line {3}: {4}"},
    {Text::NoCrs, "no_crs",
     "{0}: ファイルが平面直角座標系の系を示さず、--zone も --epsg もないため、GIS "
     "出力には座標参照系がありません",
     "{0}: the file names no plane rectangular zone and neither --zone nor --epsg was given: the "
     "GIS outputs carry no coordinate reference system"},
    {Text::GdalWarning, "gdal_warning", "{0}: GDAL: {1}", "{0}: GDAL: {1}"},
    {Text::AlignmentEmpty, "alignment_empty", "平面線形「{0}」には要素がありません。書き出しません",
     "alignment \"{0}\" has no elements; left out"},
    {Text::StraightsJoined, "straights_joined",
     "平面線形「{0}」: {1} で接する直線の折れ角が 1° 未満です。インポートは一本の直線にします",
     "alignment \"{0}\": the straights meeting at {1} turn by less than 1°; the import makes "
     "them one straight"},
    {Text::EntityNotFinite, "entity_not_finite",
     "図形 {0}: 座標が有限の数ではありません。書き出しません",
     "entity {0}: coordinates that are not finite numbers; left out"},
    {Text::PointRenumbered, "point_renumbered",
     "点 {0}「{1}」(図形 {2}): 番号が先の点と重なるため {3} として書き出します",
     "point {0} \"{1}\" (entity {2}): its number is taken by an earlier point; written as {3}"},
    {Text::ArcSegments, "arc_segments",
     "画地 {0}「{1}」: 円弧の区間は頂点を結ぶ直線として書き出します",
     "lot {0} \"{1}\": arc segments written as straight lines between its vertices"},
    {Text::PointAdded, "point_added",
     "画地 {0}「{1}」: 頂点 {2} (X {3}, Y {4}) から {5} m 以内に点がないため、点 {6}「P{6}」を追加しました",
     "lot {0} \"{1}\": vertex {2} at X {3}, Y {4} has no point within {5} m; point {6} \"P{6}\" "
     "added there"},
    {Text::NumberUnusable, "number_unusable",
     "レイヤー {0} の地物 {1}: 番号のフィールドの「{2}」は点や画地の番号になりません。規則で番号を付けます",
     "layer {0} feature {1}: the number field holds \"{2}\", which is no point or lot number; "
     "numbered by rule"},
    {Text::FeatureRenumbered, "point_renumbered",
     "レイヤー {0} の地物 {1}: 点番号 {2} は先の点が使っています。規則で番号を付けます",
     "layer {0} feature {1}: point number {2} is taken by an earlier point; numbered by rule"},
    {Text::FeaturesLeftOut, "gis_left_out", "{0}", "{0}"},
    {Text::SimaCharactersReplaced, "characters_replaced", "{0}: {1} 文字を「?」として書きました",
     "{0}: {1} characters written as \"?\""},
    {Text::MoreWarnings, "", "ほかに警告が {0} 件あります (--json ですべて表示します)",
     "and {0} more warnings (--json lists every one)"},
    {Text::None, "", "なし", "none"},
    {Text::Reading, "", "読み込み中", "Reading"},
    {Text::BatchSummary, "",
     "{0} 個のファイル: 完了 {1}、一部のみ {2}、読み込むものなし {3}、失敗 {4}",
     "{0} files: {1} imported, {2} partial, {3} with nothing to import, {4} failed"},
    {Text::ExportSummary, "",
     "{0}: 点 {1} 個 (うち追加 {2} 個)、画地 {3} 個、路線 {4} 個。{6} で {5} 行",
     "{0}: {1} points ({2} added), {3} lots, {4} routes; {5} lines in {6}"},
    {Text::HelpUsage, "", "使い方:", "Usage:"},
    {Text::HelpCommands, "", "コマンド:", "Commands:"},
    {Text::HelpOptions, "", "オプション:", "Options:"},
    {Text::HelpExitStatus, "", "終了ステータス:", "Exit status:"},
    {Text::HelpMore, "", "各コマンドのオプションは kestrel <コマンド> --help で表示します。",
     "kestrel <command> --help lists a command's options."},
    {Text::HelpImportCommand, "",
     "SIMAファイルを読み込み、図面 (DXF)、LandXML、GIS データとインポートログを書く",
     "import SIMA files: write the drawing (DXF), the LandXML, GIS datasets and the import log"},
    {Text::HelpScanCommand, "", "インポートダイアログが示す内容を件数とともに表示する",
     "print what the import dialog would offer, with counts"},
    {Text::HelpImportUsage, "", "kestrel import FILE.sim|FOLDER ... [オプション]",
     "kestrel import FILE.sim|FOLDER ... [options]"},
    {Text::HelpScanUsage, "", "kestrel scan FILE.sim [オプション]",
     "kestrel scan FILE.sim [options]"},
    {Text::HelpExportCommand, "",
     "図面や GIS データの点と画地、LandXML の平面線形を SIMA ファイルに書き出す",
     "export to SIMA: the points and lots of a drawing or GIS dataset, and LandXML alignments"},
    {Text::HelpExportUsage, "", "kestrel export [DRAWING.dxf|DATASET] -o OUT.sim [オプション]",
     "kestrel export [DRAWING.dxf|DATASET] -o OUT.sim [options]"},
    {Text::HelpGlobalOptions, "", "kestrel <コマンド> [オプション]", "kestrel <command> [options]"},
    {Text::HelpHelp, "", "この説明を表示する", "show this help"},
    {Text::HelpVersion, "", "版を表示する", "print the version"},
    {Text::HelpLanguage, "", "表示の言語 (既定: ja)", "language of everything printed (default: ja)"},
    {Text::HelpWorst, "", "複数のファイルでは、各ファイルのうち最も重いもの (1 > 2 > 3 > 4 > 0)",
     "with several files, the worst of the files' statuses (1 > 2 > 3 > 4 > 0)"},
    {Text::StatusCompleted, "",
     "読み込み完了 (はじかれたレコードを含む。ログに記録されます)。export では書き出し完了 "
     "(警告を含む)",
     "imported (rejected records included: they are in the log); for export, written (warnings "
     "included)"},
    {Text::StatusFailed, "",
     "内部エラー、インポート (書き出し) 開始後に出力を書けなかった、またはファイルの行数が数えられる数を超えた",
     "internal error, an output could not be written after the import (export) started, or the "
     "file has more lines than the import counts"},
    {Text::StatusUsage, "",
     "使い方の誤り: "
     "不明なオプション、不正な値、引数の不足、読めない入力、書けない・既存の・重なる出力 "
     "(どれもインポート・書き出しの開始前に検査)",
     "usage error: unknown option, bad value, missing argument, unreadable input, or an output "
     "that cannot be written, already exists or clashes (all checked before the import or export "
     "starts)"},
    {Text::StatusNothing, "",
     "読み込むものがない (このインポートが読むシリーズがファイルにない)。export "
     "では書き出すもの (測量点、画地、平面線形) がない",
     "nothing to import: the file holds no series this import reads; for export, no survey "
     "point, lot or alignment to write"},
    {Text::StatusPartial, "", "一部のみ: 縦断・横断成果の一部をどの平面線形にも配置できなかった",
     "partial: some vertical or cross-section results could not be placed on any alignment"},
    {Text::StatusRefused, "",
     "書き出し拒否: SIMA ファイルが持てないもの (その文字コードにない文字、クロソイドでない緩和曲線、"
     "つながらない要素) があり、何も書いていない",
     "export refused: the data holds what a SIMA file cannot (a character the encoding lacks, a "
     "spiral that is no clothoid, elements that do not join); nothing written"},
};

// One row per Text, in the enum's order, so a text is found by its number.
constexpr bool rowsInOrder() {
  std::size_t i = 0;
  for (const Row& row : kRows)
    if (static_cast<std::size_t>(row.text) != i++) return false;
  return i == static_cast<std::size_t>(Text::StatusRefused) + 1;
}
static_assert(rowsInOrder(), "kRows must hold every Text once, in the enum's order");

const Row& rowOf(Text text) {
  return kRows[static_cast<std::size_t>(text)];
}

std::string filled(std::string out, const std::vector<std::string>& values) {
  for (std::size_t index = 0; index < values.size(); ++index) {
    const std::string mark = "{" + std::to_string(index) + "}";
    const std::string& value = values[index];
    for (auto at = out.find(mark); at != std::string::npos; at = out.find(mark, at + value.size()))
      out.replace(at, mark.size(), value);
  }
  return out;
}

}  // namespace

std::string say(Language language, Text text, std::initializer_list<std::string> values) {
  return Problem{text, values}.say(language);
}

std::string_view codeOf(Text text) {
  return rowOf(text).code;
}

std::string_view textOf(Language language, Text text) {
  const Row& row = rowOf(text);
  return language == Language::Japanese ? row.japanese : row.english;
}

std::string Problem::say(Language language) const {
  const Row& row = rowOf(text);
  return filled(language == Language::Japanese ? row.japanese : row.english, values);
}

}  // namespace kestrel::cli
