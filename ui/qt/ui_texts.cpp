#include "ui/qt/ui_texts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QSize>
#include <QVariant>
#include <QWidget>

#include "platform/runtime/windowing.h"
#include "ui/dialog_resources.h"

namespace kestrel::qtui {

namespace {

namespace r = resources;


const UiTexts kJapanese = {
    r::import_dialog::kCaption,
    r::import_dialog::kBrowseText,
    r::import_dialog::kSiteLabelText,
    r::import_dialog::kTreeColumn,
    r::import_dialog::kSettingsText,
    r::import_dialog::kLogText,
    r::import_dialog::kImportText,
    r::import_dialog::kCloseText,
    r::import_dialog::kBrowseTitle,
    "(*.sim)",
    r::settings_dialog::kCaption,
    r::settings_dialog::kLayerGroup,
    r::settings_dialog::kShiftGroup,
    {r::settings_dialog::kLayerLabel[0], r::settings_dialog::kLayerLabel[1],
     r::settings_dialog::kLayerLabel[2], r::settings_dialog::kLayerLabel[3],
     r::settings_dialog::kLayerLabel[4]},
    r::settings_dialog::kShiftLabel,
    r::settings_dialog::kShiftUnit,
    r::settings_dialog::kAcceptText,
    r::settings_dialog::kCancelText,
    r::alignment_dialog::kCaption,
    r::alignment_dialog::kLabel,
    r::alignment_dialog::kSelectText,
    r::alignment_dialog::kCancelText,
    r::result_dialog::kCaption,
    r::result_dialog::kLabel,
    r::result_dialog::kHiddenLabel,
    r::result_dialog::kCloseText,
    r::result_dialog::kShowLogText,
    r::progress_window::kCancelText,
};

const UiTexts kEnglish = {
    "Import SIMA File",
    "Browse",
    "Site name:",
    "Name",
    "Settings...",
    "Show Log...",
    "Import",
    "Close",
    "Select SIMA File",
    "SIMA files (*.sim)",
    "SIMA Import Settings",
    "Polyline Layers",
    "Shift Distance of Vertical Walls of Profile and Cross-Section Results",
    {"Points:", "IP lines:", "Lots:", "Width-stake lines:", "Continuous lines without curves:"},
    "Shift distance:",
    "m",
    "Set",
    "Cancel",
    "Select Alignment",
    "Alignment:",
    "Select",
    "Cancel",
    "SIMA Import Result",
    "Import result:",
    "SIMA File",
    "Close",
    "Show Log",
    r::progress_window::kCancelText,
};

}  // namespace

const UiTexts& uiTexts() {
  return ovwin::threadLocale() == ovwin::kJapaneseLocale ? kJapanese : kEnglish;
}

const UiTexts& japaneseTexts() {
  return kJapanese;
}
const UiTexts& englishTexts() {
  return kEnglish;
}

QSize dialogUnits(const QWidget& widget, int widthUnits, int heightUnits) {
  const QFontMetrics metrics(widget.font());
  const int baseX = std::max(1, metrics.averageCharWidth());
  const int baseY = std::max(1, metrics.height());
  return {widthUnits * baseX / 4, heightUnits * baseY / 8};
}

QWidget* hostMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) return widget;
  return nullptr;
}

void setControlId(QWidget& widget, int id) {
  widget.setProperty("controlId", id);
}

}  // namespace kestrel::qtui
