#include "apps/kestrel-studio/studio_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "platform/runtime/windowing.h"

namespace kestrel::studio {

namespace {

const StudioTexts kJapanese = {
    .windowTitle = "Kestrel Studio",
    .fileMenu = "ファイル(&F)",
    .importSima = "SIMAファイルの読み込み(&I)...",
    .newDrawing = "新規図面(&N)",
    .openDxf = "DXFを開く(&O)...",
    .saveDxf = "DXFを保存(&S)...",
    .openLandXml = "LandXMLを開く(&L)...",
    .saveLandXml = "LandXMLを保存(&A)...",
    .recentFiles = "最近使ったファイル(&R)",
    .noRecentFiles = "(なし)",
    .quit = "終了(&X)",
    .commandsMenu = "コマンド(&C)",
    .importCommand = "SIMAファイルを読み込む",
    .emptyCommand = "何もしない",
    .commandEntry = "%1 (%2)",
    .viewMenu = "表示(&V)",
    .zoomExtents = "全体表示(&E)",
    .pointLabels = "点名を表示(&L)",
    .labelNumbers = "点番号を表示(&N)",
    .labelElevations = "標高を表示(&Z)",
    .helpMenu = "ヘルプ(&H)",
    .about = "Kestrel Studioについて(&A)",
    .aboutQt = "Qtについて(&Q)",
    .aboutText =
        "<p><b>Kestrel Studio %1</b></p>"
        "<p>SIMA測量データ(*.sim)を図面(DXF)と線形(LandXML)に読み込むデスクトップホスト。</p>"
        "<p>使用しているライブラリとそのライセンス:</p><ul>"
        "<li>Qt %2: LGPL-3.0</li><li>pugixml: MIT</li>"
        "<li>GNU C Library (iconv): LGPL-2.1 以降</li></ul>",
    .openDxfTitle = "DXFファイルを開く",
    .saveDxfTitle = "DXFファイルに保存",
    .openLandXmlTitle = "LandXMLファイルを開く",
    .saveLandXmlTitle = "LandXMLファイルに保存",
    .dxfFilter = "DXFファイル (*.dxf)",
    .landXmlFilter = "LandXMLファイル (*.xml)",
    .commandPrompt = "コマンド:",
    .unknownCommand = "そのようなコマンドはありません: %1",
    .cannotOpen = "このファイルは開けません: %1",
    .coordinates = "X %1  Y %2",
    .stationReadout = "%1  追加距離 %2 m  オフセット %3 m",
    .layersDock = "画層",
    .inspectorDock = "属性",
    .fieldColumn = "項目",
    .valueColumn = "値",
    .kind = "種類",
    .layer = "画層",
    .handle = "ハンドル",
    .point = "点",
    .polyline = "ポリライン",
    .line = "線分",
    .arc = "円弧",
    .alignment = "平面線形",
    .vertices = "頂点数",
    .length = "長さ",
    .closed = "閉合",
    .yes = "はい",
    .no = "いいえ",
    .start = "始点",
    .end = "終点",
    .centre = "中心",
    .radius = "半径",
    .objectData = "オブジェクトデータ",
    .extendedData = "拡張データ",
    .name = "名前",
    .startStation = "始点追加距離",
    .endStation = "終点追加距離",
    .elements = "要素",
    .straight = "直線",
    .curve = "円曲線",
    .clothoid = "クロソイド",
    .turn = "曲がる向き",
    .left = "左",
    .right = "右",
};

const StudioTexts kEnglish = {
    .windowTitle = "Kestrel Studio",
    .fileMenu = "&File",
    .importSima = "&Import SIMA...",
    .newDrawing = "&New Drawing",
    .openDxf = "&Open DXF...",
    .saveDxf = "&Save DXF...",
    .openLandXml = "Open &LandXML...",
    .saveLandXml = "Save L&andXML...",
    .recentFiles = "&Recent Files",
    .noRecentFiles = "(none)",
    .quit = "&Quit",
    .commandsMenu = "&Commands",
    .importCommand = "Import a SIMA file",
    .emptyCommand = "Does nothing",
    .commandEntry = "%1 (%2)",
    .viewMenu = "&View",
    .zoomExtents = "Zoom &Extents",
    .pointLabels = "Point &Labels",
    .labelNumbers = "Label &Numbers",
    .labelElevations = "Label &Elevations",
    .helpMenu = "&Help",
    .about = "&About Kestrel Studio",
    .aboutQt = "About &Qt",
    .aboutText =
        "<p><b>Kestrel Studio %1</b></p>"
        "<p>A desktop host that imports SIMA survey files (*.sim) into a drawing (DXF) "
        "and alignments (LandXML).</p>"
        "<p>Libraries it uses, with their licences:</p><ul>"
        "<li>Qt %2: LGPL-3.0</li><li>pugixml: MIT</li>"
        "<li>GNU C Library (iconv): LGPL-2.1 or later</li></ul>",
    .openDxfTitle = "Open DXF File",
    .saveDxfTitle = "Save DXF File",
    .openLandXmlTitle = "Open LandXML File",
    .saveLandXmlTitle = "Save LandXML File",
    .dxfFilter = "DXF files (*.dxf)",
    .landXmlFilter = "LandXML files (*.xml)",
    .commandPrompt = "Command:",
    .unknownCommand = "Unknown command: %1",
    .cannotOpen = "Cannot open this file: %1",
    .coordinates = "X %1  Y %2",
    .stationReadout = "%1  station %2 m  offset %3 m",
    .layersDock = "Layers",
    .inspectorDock = "Inspector",
    .fieldColumn = "Field",
    .valueColumn = "Value",
    .kind = "Kind",
    .layer = "Layer",
    .handle = "Handle",
    .point = "Point",
    .polyline = "Polyline",
    .line = "Line",
    .arc = "Arc",
    .alignment = "Alignment",
    .vertices = "Vertices",
    .length = "Length",
    .closed = "Closed",
    .yes = "yes",
    .no = "no",
    .start = "Start",
    .end = "End",
    .centre = "Centre",
    .radius = "Radius",
    .objectData = "Object data",
    .extendedData = "Extended data",
    .name = "Name",
    .startStation = "Start station",
    .endStation = "End station",
    .elements = "Elements",
    .straight = "Straight",
    .curve = "Arc",
    .clothoid = "Clothoid",
    .turn = "Turns",
    .left = "left",
    .right = "right",
};

}  // namespace

const StudioTexts& studioTexts() {
  return ovwin::threadLocale() == ovwin::kJapaneseLocale ? kJapanese : kEnglish;
}

bool loadQtTranslations() {
  static QTranslator* installed = nullptr;
  if (installed != nullptr) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  if (ovwin::threadLocale() != ovwin::kJapaneseLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return true;
  }
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(QLocale::Japanese), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
  return true;
}

}  // namespace kestrel::studio
