// The import log: progress lines, error blocks, and the record checks that write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/result.h"
#include "io/text_encoding.h"
#include "sima/messages.h"
#include "sima/records.h"

namespace kestrel {

using Fields = std::vector<std::string>;

// What a record check applies to: a series' header, data or end line, or the check of field 0
// against the codes a series expects.
enum class RecordCheck : std::uint8_t {
  G00, A00, A99, A01, D00, B01, B03, F00, C01, C02, C03, H00, H01, H99, I00, I01, I02, I99,
  SeriesA, SeriesD, SeriesF, SeriesH, SeriesI
};

// One rejected record, kept structured beside its four log lines (for machine-readable reports).
struct ErrorEntry {
  std::string code;     // e.g. "ErrA01-2"; empty for a point that was not found (message 138)
  int messageId = 0;    // 0 for the fixed D00 text
  std::string message;  // the message text as logged
  int32_t lineNumber = 0;
  std::string lineText;
};

// Lines kept as text in large blocks, with where each one is: the progress of a large file runs
// to a hundred thousand lines, which as strings of their own would cost twice their text.
class LogLines {
 public:
  void push_back(std::string_view line);
  // One line made of `parts`, put together in place.
  void append(std::initializer_list<std::string_view> parts);
  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // Line i, as a view (valid while the lines live) or as a string of its own.
  std::string_view view(std::size_t i) const {
    const Line& line = lines_[static_cast<long>(i)];
    return std::string_view(blocks_[line.block]).substr(line.offset, line.length);
  }
  std::string operator[](std::size_t i) const { return std::string(view(i)); }
  // Every line, as strings of their own.
  operator std::vector<std::string>() const;
  void clear();

  class const_iterator {
   public:
    const_iterator(const LogLines& lines, std::size_t at) : lines_(&lines), at_(at) {}
    std::string operator*() const { return (*lines_)[at_]; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    const LogLines* lines_;
    std::size_t at_;
  };
  const_iterator begin() const { return {*this, 0}; }
  const_iterator end() const { return {*this, lines_.size()}; }

 private:
  struct Line {
    std::uint32_t block;
    std::uint32_t offset;
    std::uint32_t length;
  };
  std::vector<std::string> blocks_;  // each filled up to its first capacity, so never moved
  StableArray<Line> lines_;  // in chunks: a long log never stands twice while it grows
};

// Collects what one import run reports. Every check returns 0 (accepted) or -1 (rejected); a
// rejection appends an error block and adds one to the error count.
class ImportLog {
 public:
  explicit ImportLog(sima::Language language = sima::Language::Japanese) : language_(language) {}

  sima::Language language() const { return language_; }
  void setLanguage(sima::Language language) { language_ = language; }

  // A pre-scan's log: every check accepts and nothing is kept.
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }

  // ---- record checks ----
  // Checks one line (line number, split fields, trimmed text) by its record's rule; an empty
  // field 0 fails a series check without a log entry. `earlierPoints` are the points of the A
  // series finished before the current one (A01 refuses their numbers).
  int check(RecordCheck record, int32_t line, const Fields& f, std::string_view text,
            const PointStore* earlierPoints = nullptr);

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
  const LogLines& progressLines() const { return progress_; }
  const std::vector<std::string>& errorLines() const { return errorLines_; }
  const std::vector<ErrorEntry>& errors() const { return errors_; }

  // Log path: the input path less its last four characters, plus "_Input.log".
  void setPath(std::string_view inputPath);
  // A log path a host chose instead.
  void setFilePath(std::string path) { path_ = std::move(path); }
  const std::string& path() const { return path_; }

  // The whole file text (UTF-8): header, progress lines, error lines, each line ended by "\n".
  std::string render() const;

  // Empties both lists; the error count keeps its value.
  void clear();

 private:
  void appendBlock(const std::string& codeLine, const std::string& referenceLine);
  int reject(int32_t line, std::string_view text, std::string_view code, int messageId);
  int rejectText(int32_t line, std::string_view text, std::string_view code,
                 std::string_view messageText, int messageId);
  std::string_view msg(int id) const { return sima::message(id, language_); }

  sima::Language language_;
  std::vector<std::string> errorLines_;
  LogLines progress_;
  std::vector<ErrorEntry> errors_;
  std::string path_;
  int32_t errorCount_ = 0;
  bool silent_ = false;
};

// The deviations from the record rules that a tolerant reading takes, as real exporters write
// them: a record one field short of its count, its empty last field left off ("A99" for
// "A99,"), and an A01 elevation given as a word ("undefined", "null", "NaN") for none.
enum ToleratedDeviation : std::uint8_t { kLastFieldAdded = 1, kElevationWordDropped = 2 };

// Brings a line's fields to the shape its record's check expects: the missing empty last field
// added, an elevation word made empty. Returns the deviations found (0 for a well-formed line).
std::uint8_t tolerateDeviations(Fields& fields);

// Writes the log to its path in the given encoding, "\n" line ends, no BOM, through a temporary
// file renamed into place; `after` are lines written after the log's own, as appendLogLines would
// add them, without the file being written a second time.
io::Result writeLogFile(const ImportLog& log, io::Encoding encoding,
                        const std::vector<std::string>& after = {});

// Appends each line and "\n" to the file at `path` (created when missing), in the encoding.
io::Result appendLogLines(const std::string& path, const std::vector<std::string>& lines,
                          io::Encoding encoding);

}  // namespace kestrel
