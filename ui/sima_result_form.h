// The result dialog: what the import made, in a fixed order of lines, and the way to the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sima/import_run.h"
#include "ui/hscroll_list_box.h"

namespace kestrel {

// What the result dialog is told about a finished run.
struct SimaResultInputs {
  int32_t errorCount = 0;
  int32_t drawnPoints = 0;
  int32_t lotPolylines = 0;
  std::vector<std::string> alignmentNames;  // alignments made, in order
  int32_t routePolylines[8] = {};           // polylines per route type; 1, 4, 5, 6 are shown
  int32_t verticalPoints = 0;
  int32_t sectionPoints = 0;
  std::string simaPath;
  std::string logPath;  // empty: the log beside the SIMA file
  io::Encoding inputEncoding = io::Encoding::Utf8;     // what the SIMA file was read as
  std::string encodingReason;                          // why it was read in that encoding
  io::Encoding logEncoding = io::Encoding::Utf8;       // the log's own encoding
  sima::Language language = sima::Language::Japanese;  // of the result lines
  bool tolerant = false;                               // the run read tolerantly
  ToleratedCounts tolerated;                           // what it let through
  bool wholeFileRead = true;                           // false: stopped at the line limit
  // Kept for hosts that report the run in full.
  int32_t routesPerType[8] = {};
  std::vector<ErrorEntry> errors;
  int32_t unplacedResults = 0;
  int64_t replacedCharacters = 0;
};

// Result lines, the "ログを表示" rule, and the summary appended to the import log.
class SimaResultForm {
 public:
  // Fills the list with the result lines.
  explicit SimaResultForm(SimaResultInputs inputs, CHScrollListBox::TextWidth measure = {});
  // The inputs of a finished run read from `simaPath`.
  static SimaResultForm fromRun(const ImportRun& run, const std::string& simaPath);

  // The lines in the list, in order.
  const std::vector<std::string>& lines() const { return list_.lines(); }
  const CHScrollListBox& list() const { return list_; }
  const SimaResultInputs& inputs() const { return inputs_; }
  // Whether "ログを表示" is enabled: only when there were errors.
  bool showLogEnabled() const { return inputs_.errorCount >= 1; }
  // The import log: the one the host named, else the SIMA path less its last four characters,
  // plus "_Input.log".
  std::string logPath() const;

  // Opening: appends every line and a line break to the log (created when missing), unless the
  // lines were written with the log itself.
  io::Result open();
  void linesWrittenWithLog() { linesInLog_ = true; }
  // "ログを表示": hands the log to the shell's "open" verb; false when the button is disabled.
  bool showLog();

 private:
  SimaResultInputs inputs_;
  CHScrollListBox list_;
  bool linesInLog_ = false;
};

// The result lines of a run, in the dialog's order; lines with a count of 0 are left out,
// except the first.
std::vector<std::string> resultLines(const SimaResultInputs& inputs);

}  // namespace kestrel
