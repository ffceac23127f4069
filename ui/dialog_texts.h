// The texts the module's dialogs and their scripted back end make themselves (message boxes, the
// progress window, result lines, notices), in Japanese and English. Captions and control labels
// are in dialog_resources.h.
#pragma once

#include <initializer_list>
#include <string>

#include "sima/messages.h"

namespace kestrel {

struct DialogTexts {
  const char* settingsCaption;
  const char* shiftRefused;
  const char* siteListError;
  const char* siteListCaption;
  const char* progressTitle;
  const char* progressText;
  // Result lines: "%d" stands for a count, "<Count>" for the lots, "<Alignment>" for a name.
  const char* noErrors;
  const char* errors;
  const char* points;
  const char* lots;
  const char* alignment;
  const char* routePolylines[4];  // route types 1, 4, 5, 6
  const char* verticalPoints;
  const char* sectionPoints;
  // What a tolerant reading let through: "{0}" records given their empty last field, "{1}"
  // elevation words read as none.
  const char* tolerated;
  // Notices of the scripted back end; "{0}", "{1}" stand for their values.
  const char* siteNotFound;
  const char* seriesUnknown;
  const char* seriesEmpty;
  const char* alignmentNotFound;
  const char* alignmentCancelled;
  const char* none;
  const char* logWriteFailed;
  const char* logAppendFailed;
  const char* lineLimitReached;  // "{0}" the file, "{1}" the number of lines read
};

// The Japanese texts are the ones the dialogs were made with; the English ones follow them.
const DialogTexts& dialogTexts(sima::Language language);

// The language of the thread locale: Japanese for the Japanese locale, else English.
sima::Language localeLanguage();

// The pattern with "{0}", "{1}", … replaced by the values.
std::string fillIn(std::string pattern, std::initializer_list<std::string> values);

}  // namespace kestrel
