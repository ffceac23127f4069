#include "ui/sima_result_form.h"

#include <utility>

#include "platform/runtime/windowing.h"
#include "ui/dialog_texts.h"

namespace kestrel {

namespace {

// The pattern with "%d", "<Count>" or "<Alignment>" (whichever it holds) replaced by `value`.
std::string filled(std::string pattern, const std::string& value) {
  for (std::string_view placeholder : {"%d", "<Count>", "<Alignment>"}) {
    const auto at = pattern.find(placeholder);
    if (at != std::string::npos) return pattern.replace(at, placeholder.size(), value);
  }
  return pattern;
}

void addCount(std::vector<std::string>& lines, const char* pattern, int32_t count) {
  if (count != 0) lines.push_back(filled(pattern, std::to_string(count)));
}

}  // namespace

std::vector<std::string> resultLines(const SimaResultInputs& in) {
  const DialogTexts& text = dialogTexts(in.language);
  std::vector<std::string> lines;
  lines.push_back(in.errorCount == 0 ? std::string(text.noErrors)
                                     : filled(text.errors, std::to_string(in.errorCount)));
  addCount(lines, text.points, in.drawnPoints);
  addCount(lines, text.lots, in.lotPolylines);
  for (const auto& name : in.alignmentNames) lines.push_back(filled(text.alignment, name));
  const int routeTypes[4] = {1, 4, 5, 6};
  for (int i = 0; i < 4; ++i) addCount(lines, text.routePolylines[i], in.routePolylines[routeTypes[i]]);
  addCount(lines, text.verticalPoints, in.verticalPoints);
  addCount(lines, text.sectionPoints, in.sectionPoints);
  // A tolerant reading says what it let through; a strict one adds nothing here.
  if (in.tolerant && (in.tolerated.lastFieldAdded != 0 || in.tolerated.elevationWordDropped != 0))
    lines.push_back(fillIn(text.tolerated, {std::to_string(in.tolerated.lastFieldAdded),
                                            std::to_string(in.tolerated.elevationWordDropped)}));
  return lines;
}

SimaResultForm::SimaResultForm(SimaResultInputs inputs, CHScrollListBox::TextWidth measure)
    : inputs_(std::move(inputs)), list_(std::move(measure)) {
  for (const auto& line : resultLines(inputs_)) list_.addString(line);
}

SimaResultForm SimaResultForm::fromRun(const ImportRun& run, const std::string& simaPath) {
  SimaResultInputs in;
  in.errorCount = run.log.errorCount();
  in.drawnPoints = run.counters.drawnPoints;
  in.lotPolylines = run.counters.lotPolylines;
  in.alignmentNames = run.names;
  for (int type = 0; type < 8; ++type) {
    in.routePolylines[type] = run.counters.routePolylinesPerType[type];
    in.routesPerType[type] = run.counters.routesPerType[type];
  }
  in.verticalPoints = run.counters.verticalPoints;
  in.sectionPoints = run.counters.sectionPoints;
  in.simaPath = simaPath;
  in.logPath = run.log.path();
  in.inputEncoding = run.inputEncoding;
  in.logEncoding = run.logEncoding();
  in.language = run.log.language();
  in.encodingReason = run.inputEncodingReason;
  in.tolerant = run.tolerant;
  in.tolerated = run.tolerated;
  in.wholeFileRead = !run.stoppedAtLineLimit;
  in.errors = run.log.errors();
  in.unplacedResults = run.counters.unplacedResults;
  in.replacedCharacters = run.replacedCharacters;
  return SimaResultForm(std::move(in));
}

std::string SimaResultForm::logPath() const {
  if (!inputs_.logPath.empty()) return inputs_.logPath;
  ImportLog log;  // one rule for the log's name, wherever it is needed
  log.setPath(inputs_.simaPath);
  return log.path();
}

io::Result SimaResultForm::open() {
  if (linesInLog_) return {};
  return appendLogLines(logPath(), list_.lines(), inputs_.logEncoding);
}

bool SimaResultForm::showLog() {
  if (!showLogEnabled()) return false;
  ovwin::windowing().openedInShell.push_back(logPath());
  return true;
}

}  // namespace kestrel
