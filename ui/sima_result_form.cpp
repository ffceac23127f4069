#include "ui/sima_result_form.h"

#include <utility>

#include "platform/runtime/windowing.h"

namespace kestrel {

namespace {

// Replaces the first `placeholder` in `pattern` by `value`.
std::string replaced(std::string pattern, std::string_view placeholder, const std::string& value) {
  const auto at = pattern.find(placeholder);
  if (at != std::string::npos) pattern.replace(at, placeholder.size(), value);
  return pattern;
}

// Adds "<prefix><count><suffix>" when the count is above 0 ("%d" sits between the two parts).
void addCount(std::vector<std::string>& lines, const char* prefix, int32_t count,
              const char* suffix) {
  if (count != 0) lines.push_back(prefix + std::to_string(count) + suffix);
}

}  // namespace

std::vector<std::string> resultLines(const SimaResultInputs& in) {
  std::vector<std::string> lines;
  lines.push_back(in.errorCount == 0 ? std::string("エラー無し")
                                     : std::to_string(in.errorCount) + "個のエラー");
  addCount(lines, "座標データから", in.drawnPoints, "個のポイントを作成");
  if (in.lotPolylines != 0)
    lines.push_back(replaced("画地データから<Count>個のポリラインを作成", "<Count>",
                             std::to_string(in.lotPolylines)));
  for (const auto& name : in.alignmentNames)
    lines.push_back(replaced("平面線形【<Alignment>】を作成", "<Alignment>", name));
  addCount(lines, "路線成果-IP線から", in.routePolylines[1], "個のポリラインを作成");
  addCount(lines, "路線成果-幅杭線左から", in.routePolylines[4], "個のポリラインを作成");
  addCount(lines, "路線成果-幅杭線右から", in.routePolylines[5], "個のポリラインを作成");
  addCount(lines, "路線成果-連続線（直線のみ）から", in.routePolylines[6], "個のポリラインを作成");
  addCount(lines, "縦断成果から", in.verticalPoints, "個のポイントを作成");
  addCount(lines, "横断成果から", in.sectionPoints, "個のポイントを作成");
  // A tolerant reading says what it let through; a strict one adds nothing here.
  if (in.tolerant && (in.tolerated.lastFieldAdded != 0 || in.tolerated.elevationWordDropped != 0))
    lines.push_back("書式の違いを許容（末尾の空欄なし" + std::to_string(in.tolerated.lastFieldAdded) +
                    "行、数値でない標高" + std::to_string(in.tolerated.elevationWordDropped) + "点）");
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
  in.logEncoding = run.inputEncoding;
  in.encodingReason = run.inputEncodingReason;
  in.tolerant = run.tolerant;
  in.tolerated = run.tolerated;
  in.wholeFileRead = !run.stoppedAtLineLimit;
  in.errors = run.log.errors();
  return SimaResultForm(std::move(in));
}

std::string SimaResultForm::logPath() const {
  ImportLog log;  // one rule for the log's name, wherever it is needed
  log.setPath(inputs_.simaPath);
  return log.path();
}

io::Result SimaResultForm::open() {
  return appendLogLines(logPath(), list_.lines(), inputs_.logEncoding);
}

bool SimaResultForm::showLog() {
  if (!showLogEnabled()) return false;
  ovwin::windowing().openedInShell.push_back(logPath());
  return true;
}

}  // namespace kestrel
