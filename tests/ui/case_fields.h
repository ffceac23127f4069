// What the dialog-rule case tables name: tree entries, a field's parts, the result dialog's inputs.
// The tests show their dialogs through the scripted views, which record the message boxes.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/dialog_views.h"
#include "tests/support/text_rows.h"
#include "ui/kestrel_settings_form.h"
#include "ui/sima_result_form.h"

namespace kestrel::testing {

// The keys case tables name the selection's entries by, in entry order.
inline const char* const kSeriesKeys[kSeriesCount] = {"A",  "D",  "H",  "I",  "F1", "F2",
                                                      "F3", "F4", "F5", "F6", "F7"};
inline std::string seriesKey(int entry) {
  return kSeriesKeys[entry];
}
// The entry of a key; kSeriesRoot for "root".
inline int seriesEntry(const std::string& key) {
  for (int entry = 0; entry < kSeriesCount; ++entry)
    if (key == kSeriesKeys[entry]) return entry;
  return key == "root" ? kSeriesRoot : throw std::invalid_argument(key);
}

// The trimmed parts of a case field split at `separator`; at blanks, empty parts are dropped.
inline std::vector<std::string> split(const std::string& text, char separator = ' ') {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);)
    if (separator != ' ' || !part.empty()) parts.push_back(unescapeTextField(part));
  return parts;
}

// The inputs of a "case" row of cases/result_lines.txt.
inline SimaResultInputs inputsOf(const TextRow& row) {
  SimaResultInputs in;
  in.language = row[2] == "en" ? sima::Language::English : sima::Language::Japanese;
  in.errorCount = std::stoi(row[3]);
  in.drawnPoints = std::stoi(row[4]);
  in.lotPolylines = std::stoi(row[5]);
  if (!row[6].empty()) in.alignmentNames = split(row[6], ',');
  std::istringstream polylines(row[7]), tolerated(row[10]);
  for (int type = 1; type <= 7; ++type) polylines >> in.routePolylines[type];
  in.verticalPoints = std::stoi(row[8]);
  in.sectionPoints = std::stoi(row[9]);
  in.tolerant = row[10] != "-" && !row[10].starts_with("strict");
  if (row[10].starts_with("strict")) tolerated.ignore(6);
  tolerated >> in.tolerated.lastFieldAdded >> in.tolerated.elevationWordDropped;
  return in;
}

// The "case" rows of cases/result_lines.txt with the lines that follow each.
inline std::vector<std::pair<TextRow, std::vector<std::string>>> resultCases() {
  std::vector<std::pair<TextRow, std::vector<std::string>>> cases;
  for (auto& row : textRows("ui/cases/result_lines.txt"))
    if (row[0] == "case")
      cases.push_back({row, {}});
    else
      cases.back().second.push_back(row[1]);
  return cases;
}

}  // namespace kestrel::testing
