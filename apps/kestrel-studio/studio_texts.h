// Every text kestrel-studio shows of its own, in Japanese and English.
#pragma once

#include <QString>

namespace kestrel::studio {

struct StudioTexts {
  const char* windowTitle;
  // Menus and their entries ("&" marks the access key).
  const char* fileMenu;
  const char* importSima;
  const char* newDrawing;
  const char* openDxf;
  const char* saveDxf;
  const char* openLandXml;
  const char* saveLandXml;
  const char* recentFiles;
  const char* noRecentFiles;
  const char* quit;
  const char* commandsMenu;
  const char* importCommand;  // what the command "Kestrel" does
  const char* emptyCommand;   // what "Kestrels" and "Kestrel2" do
  const char* commandEntry;   // "%1 (%2)": what it does, the command's name
  const char* viewMenu;
  const char* zoomExtents;
  const char* pointLabels;
  const char* labelNumbers;
  const char* labelElevations;
  const char* helpMenu;
  const char* about;
  const char* aboutQt;
  const char* aboutText;  // %1 version, %2 Qt version
  // File dialogs.
  const char* openDxfTitle;
  const char* saveDxfTitle;
  const char* openLandXmlTitle;
  const char* saveLandXmlTitle;
  const char* dxfFilter;
  const char* landXmlFilter;
  // Command line and status bar.
  const char* commandPrompt;
  const char* unknownCommand;  // %1 the name typed
  const char* cannotOpen;      // %1 the file
  const char* coordinates;     // %1 X (north), %2 Y (east)
  const char* stationReadout;  // %1 alignment, %2 station, %3 offset
  // Docks.
  const char* layersDock;
  const char* inspectorDock;
  const char* fieldColumn;
  const char* valueColumn;
  // Inspector rows.
  const char* kind;
  const char* layer;
  const char* handle;
  const char* point;
  const char* polyline;
  const char* line;
  const char* arc;
  const char* alignment;
  const char* vertices;
  const char* length;
  const char* closed;
  const char* yes;
  const char* no;
  const char* start;
  const char* end;
  const char* centre;
  const char* radius;
  const char* objectData;
  const char* extendedData;
  const char* name;
  const char* startStation;
  const char* endStation;
  const char* elements;
  const char* straight;
  const char* curve;
  const char* clothoid;
  const char* turn;
  const char* left;
  const char* right;
};

// The set of the thread locale's language: Japanese under the Japanese locale, else English.
const StudioTexts& studioTexts();

// Loads Qt's own translations of its standard dialogs and buttons for the thread locale's
// language (none are needed for English); false when they are not installed.
bool loadQtTranslations();

// A text of the set as a QString.
inline QString tx(const char* text) {
  return QString::fromUtf8(text);
}

}  // namespace kestrel::studio
