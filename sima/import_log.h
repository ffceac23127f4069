// The import log: progress lines, error blocks, and the record checks that write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "sima/messages.h"
#include "sima/records.h"
#include "sima/text_encoding.h"

namespace kestrel {

using Fields = std::vector<std::string>;

// One rejected record, kept structured beside its four log lines (for machine-readable reports).
struct ErrorEntry {
  std::string code;     // e.g. "ErrA01-2"; empty for a point that was not found (message 138)
  int messageId = 0;    // 0 for the fixed D00 text
  std::string message;  // the message text as logged
  int32_t lineNumber = 0;
  std::string lineText;
};

// Collects what one import run reports. Every check returns 0 (accepted) or -1 (rejected); a
// rejection appends an error block and adds one to the error count.
class ImportLog {
 public:
  explicit ImportLog(sima::Language language = sima::Language::Japanese) : language_(language) {}

  sima::Language language() const { return language_; }
  void setLanguage(sima::Language language) { language_ = language; }

  // ---- record checks (line number, split fields, trimmed line) ----
  int checkG00(int32_t line, const Fields& f, std::string_view text);
  int checkA00(int32_t line, const Fields& f, std::string_view text);
  int checkA99(int32_t line, const Fields& f, std::string_view text);
  // `earlierPoints` are the points of the A series finished before the current one.
  int checkA01(int32_t line, const Fields& f, std::string_view text, const PointStore& earlierPoints);
  int checkD00(int32_t line, const Fields& f, std::string_view text);
  int checkB01(int32_t line, const Fields& f, std::string_view text);
  int checkB03(int32_t line, const Fields& f, std::string_view text);
  int checkF00(int32_t line, const Fields& f, std::string_view text);
  int checkC01(int32_t line, const Fields& f, std::string_view text);
  int checkC02(int32_t line, const Fields& f, std::string_view text);
  int checkC03(int32_t line, const Fields& f, std::string_view text);
  int checkH00(int32_t line, const Fields& f, std::string_view text);
  int checkH01(int32_t line, const Fields& f, std::string_view text);
  int checkH99(int32_t line, const Fields& f, std::string_view text);
  int checkI00(int32_t line, const Fields& f, std::string_view text);
  int checkI01(int32_t line, const Fields& f, std::string_view text);
  int checkI02(int32_t line, const Fields& f, std::string_view text);
  int checkI99(int32_t line, const Fields& f, std::string_view text);

  // ---- series code checks: field 0 against the codes the series expects ----
  // An empty field 0 is rejected without a log entry.
  int checkSeriesA(int32_t line, const Fields& f, std::string_view text);
  int checkSeriesD(int32_t line, const Fields& f, std::string_view text);
  int checkSeriesF(int32_t line, const Fields& f, std::string_view text);
  int checkSeriesH(int32_t line, const Fields& f, std::string_view text);
  int checkSeriesI(int32_t line, const Fields& f, std::string_view text);

  // ---- error entries the readers write themselves ----
  void addCurveInStraightRoute(int32_t line, std::string_view text);  // "ErrF002", 139
  void addVerticalOutsideAlignment(int32_t line, std::string_view text);  // "ErrX001", 141
  void addSectionOutsideAlignment(int32_t line, std::string_view text);   // "ErrX001", 153
  void addPointNotFound(int32_t line, std::string_view text);  // 138 alone, "%.5d %s"

  // Appends the four lines of an error block and counts it.
  void addErrorBlock(const std::string& codeLine, const std::string& referenceLine);

  // ---- progress lines, one operation per template ----
  void logVersion(int32_t line, std::string_view version);                 // accepted G00
  void logCoordinateStart(int32_t line);                                   // A00
  void logCoordinateEnd(int32_t line, int withElevation, int without);     // A99
  void logLotStart(int32_t line);                                          // D00
  void logLotEnd(int32_t line, bool made, int vertexCount, bool hadTriangleBlock);  // D99
  void logRouteStart(int32_t line);                                        // F00
  // F99: types 2, 3, 7 name the alignment and count elements; other types count points.
  void logRouteEnd(int32_t line, bool made, int32_t routeType, int count,
                   std::string_view routeName);
  // H00: an empty alignment name logs that no centre line was given.
  void logVerticalStart(int32_t line, std::string_view alignmentName);
  void logVerticalEnd(int32_t line, bool success, int pointCount);         // H99
  void logCrossSectionStart(int32_t line, std::string_view alignmentName); // I00
  void logSection(int32_t line, std::string_view sectionName);             // I01
  void logSectionPointCount(int pointCount);                               // each section
  void logCrossSectionEnd(int32_t line, bool success, int pointCount);     // I99
  void logEnd(int32_t line);                                               // end of file

  // ---- the log as a whole ----
  int32_t errorCount() const { return errorCount_; }
  const std::vector<std::string>& progressLines() const { return progress_; }
  const std::vector<std::string>& errorLines() const { return errorLines_; }
  const std::vector<ErrorEntry>& errors() const { return errors_; }

  // Log path: the input path less its last four characters, plus "_Input.log".
  void setPath(std::string_view inputPath);
  const std::string& path() const { return path_; }

  // The whole file text (UTF-8): header, progress lines, error lines, each line ended by "\n".
  std::string render() const;

  // Empties both lists; the error count keeps its value.
  void clear();

 private:
  int checkFieldCount(int32_t line, const Fields& f, std::string_view text, std::size_t expected);
  int checkSeries(int32_t line, const Fields& f, std::string_view text,
                  std::initializer_list<std::string_view> expectedCodes, std::string_view code,
                  int messageId);
  void appendBlock(const std::string& codeLine, const std::string& referenceLine);
  int reject(int32_t line, std::string_view text, std::string_view code, int messageId);
  int rejectText(int32_t line, std::string_view text, std::string_view code,
                 std::string_view messageText, int messageId);
  std::string_view msg(int id) const { return sima::message(id, language_); }

  sima::Language language_;
  std::vector<std::string> errorLines_;
  std::vector<std::string> progress_;
  std::vector<ErrorEntry> errors_;
  std::string path_;
  int32_t errorCount_ = 0;
};

// Writes the log to its path in the given encoding, "\n" line ends, no BOM, through a temporary
// file renamed into place. On failure returns false and says why in `error`.
bool writeLogFile(const ImportLog& log, sima::Encoding encoding, std::string* error);

// Appends each line and "\n" to the file at `path` (created when missing), in the encoding.
bool appendLogLines(const std::string& path, const std::vector<std::string>& lines,
                    sima::Encoding encoding, std::string* error);

}  // namespace kestrel
