// Captions and control texts of the Qt dialogs in the language of the thread locale.
#pragma once

#include <QString>
#include <string>

class QWidget;
class QSize;

namespace kestrel::qtui {

// Every text a Qt view shows that the forms do not produce themselves.
struct UiTexts {
  const char* importCaption;
  const char* browse;
  const char* siteLabel;
  const char* treeColumn;
  const char* settingsButton;
  const char* logButton;
  const char* importButton;
  const char* closeButton;
  const char* browseTitle;
  const char* browseFilter;
  const char* settingsCaption;
  const char* layerGroup;
  const char* shiftGroup;
  const char* layerLabels[5];
  const char* shiftLabel;
  const char* shiftUnit;
  const char* acceptButton;
  const char* cancelButton;
  const char* alignmentCaption;
  const char* alignmentLabel;
  const char* selectButton;
  const char* alignmentCancel;
  const char* resultCaption;
  const char* resultLabel;
  const char* resultHiddenLabel;
  const char* resultClose;
  const char* showLog;
  const char* progressCancel;
};

// Japanese under the Japanese thread locale (0x411), English otherwise.
const UiTexts& uiTexts();
// The Japanese set, whatever the locale.
const UiTexts& japaneseTexts();
// The English set.
const UiTexts& englishTexts();

// UTF-8 text as a QString, and back.
inline QString qs(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString qs(const char* text) {
  return QString::fromUtf8(text);
}
inline std::string utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// A dialog size given in dialog units, in pixels of the widget's font (4 units per average
// character width, 8 per line height).
QSize dialogUnits(const QWidget& widget, int widthUnits, int heightUnits);

// The host's visible main window, or null (dialogs take it as parent).
QWidget* hostMainWindow();

// Marks a widget with the control id the dialog resources give it.
void setControlId(QWidget& widget, int id);

}  // namespace kestrel::qtui
