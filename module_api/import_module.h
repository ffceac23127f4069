// What a host and the import module say to each other beyond the runtime-extension protocol: the
// answers the scripted dialogs give, how the last run of "Kestrel" ended and what its result
// dialog showed, the import dialog's pre-scan of a file, and where the import keeps its survey
// points. Standard library only: a host includes it without any of the module's code, and finds
// the module's side by name once the module is loaded (dlsym(handle, kImportModuleSymbol)).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::module {

// What a user would do in the dialogs. An unset value leaves the control as the dialog shows it.
struct DialogScript {
  std::string filePath;                            // browsed file
  std::optional<std::string> siteName;             // site picked in the drop-down
  std::optional<std::vector<std::string>> series;  // entries to tick: "A","D","H","I","F1".."F7"
  std::optional<std::string> layers[5];      // points, IP lines, lots, width stakes, continuous
  std::optional<std::string> shiftDistance;  // text typed into the shift-distance edit
  std::optional<std::string> alignmentName;  // answer to the alignment selection
  bool cancelImportDialog = false;           // press "閉じる" instead of "読み込み"
  // Not the dialogs' own: what a host asks of the run besides them.
  bool keepRecords = false;  // fill Conversation::records (hosts that write more than a drawing)
  bool writeLog = true;      // false: no log file beside the input (a read-only host)
};

// How the last run of the import command ended, as far as the dialogs saw it.
enum class DialogOutcome {
  NotRun,
  SiteListFailed,   // the command ended before any dialog
  PathRejected,     // the import dialog refused the file
  NothingToImport,  // the import button stayed disabled
  ShiftRejected,    // the settings dialog refused the shift distance
  Cancelled,        // the import dialog was closed without importing
  Imported          // the file was read and the result dialog shown
};

// The code reported for a point a lot or route refers to that was not found. The log writes that
// message without a code; reports give it this one so every error carries a code.
inline constexpr const char* kPointNotFoundCode = "PointNotFound";

struct ReportedError {
  std::string code;  // the log's code, or kPointNotFoundCode
  int32_t messageId = 0;  // the message table's number (0 for a fixed text)
  int32_t lineNumber = 0;
  std::string message;
  std::string lineText;
};

// What the result dialog showed, for hosts that print it.
struct RunReport {
  std::vector<std::string> resultLines;
  int32_t errorCount = 0;
  int32_t drawnPoints = 0;
  int32_t lotPolylines = 0;
  int32_t routePolylines[8] = {0};  // index = route type 1, 4, 5, 6
  int32_t routesPerType[8] = {0};   // F00 lines per route type 1..7
  std::vector<std::string> alignments;
  int32_t verticalPoints = 0;
  int32_t sectionPoints = 0;
  std::vector<ReportedError> errors;
  std::string logPath;
  std::string inputEncoding;        // "utf-8" or "cp932"
  std::string inputEncodingReason;  // why: how it was detected, or that the host chose it
  std::string logEncoding;          // what the log was written in: "utf-8" or "cp932"
  std::string logError;             // why the log could not be written; empty when it was
  // Vertical stations and cross sections that had no alignment to be placed on.
  int32_t unplacedResults = 0;
  // Input bytes that were no character in the encoding read and became U+FFFD.
  int64_t replacedCharacters = 0;
  // What a tolerant reading let through (all 0 unless the host asked for one).
  struct Tolerated {
    int32_t lastFieldAdded = 0;        // records one field short, their empty last field added
    int32_t elevationWordDropped = 0;  // A01 elevations given as a word, read as none
  } tolerated;
  // False when the file has more lines than the import counts: only the first were read.
  bool wholeFileRead = true;
};

// Where the host wants the import log and in which encoding; the defaults are the module's own.
struct LogTarget {
  std::string path;   // empty: beside the input, the input path less ".sim" plus "_Input.log"
  bool utf8 = false;  // false: the encoding the input was read in
};

// A survey point the drawing does not show because it has no elevation.
struct PointWithoutElevation {
  int32_t number = 0;
  std::string name;
  double north = 0.0;  // SIMA X
  double east = 0.0;   // SIMA Y
};

// Where a vertical or cross-section result was placed along its alignment; `entity` is the object
// id of the point drawn for it.
struct ResultPlacement {
  uint64_t entity = 0;
  std::string blockName;      // H00 / I00 field 2
  std::string alignmentName;  // the alignment it was placed on
  double station = 0.0;       // added distance along the alignment, as placed
  double offset = 0.0;        // to the right of the direction of travel; 0 for vertical results
  std::optional<double> stakeHeadHeight;  // vertical results and section centres
};

// What the last run read beyond what its drawing shows (kept when DialogScript::keepRecords).
struct RunRecords {
  std::vector<PointWithoutElevation> pointsWithoutElevation;  // file order; only when A was imported
  std::vector<ResultPlacement> results;                      // drawing order
};

// The runs of "Kestrel": the answers the host gives, what it hears back.
struct Conversation {
  DialogScript script;
  LogTarget log;
  DialogOutcome outcome = DialogOutcome::NotRun;
  RunReport report;
  RunRecords records;

  // A run starts: the previous outcome, report and records are forgotten.
  void beginRun() {
    outcome = DialogOutcome::NotRun;
    report = RunReport{};
    records = RunRecords{};
  }
};

// One entry of the import dialog's tree after a pre-scan.
struct ScanEntry {
  std::string key;    // "A", "D", "F1".."F7", "H", "I"
  std::string label;  // the tree label
  int count = 0;
};

// What the import dialog would offer for a file, in the tree's order.
struct ScanReport {
  std::string encoding;            // what the file was read as: "utf-8" or "cp932"
  std::string encodingReason;      // why
  int64_t replacedCharacters = 0;  // input bytes that became U+FFFD
  std::string rootLabel;
  std::vector<ScanEntry> entries;
};

// Where the import keeps the survey points it draws: the object-data table, its number, name and
// type columns, and the type a coordinate point carries; then the polyline table (same columns)
// and the types its lots and the result points carry.
struct SurveyPointTable {
  std::string table;
  std::string numberColumn;
  std::string nameColumn;
  std::string typeColumn;
  std::string coordinateType;
  std::string polylineTable;
  std::string fileNameColumn;
  std::string lotType;
  std::string verticalResultType;
  std::string sectionResultType;
};

// The module's side.
class ImportModule {
 public:
  // The conversation of the runs of "Kestrel".
  virtual Conversation& conversation() = 0;
  // The input encoding of the next runs and scans: "auto", "utf-8" or "cp932" (also "utf8",
  // "shift_jis", "sjis"); false, leaving it as it was, for anything else.
  virtual bool setInputEncoding(const std::string& choice) = 0;
  // Whether the next runs and scans read the deviations real exporters write (a record's empty
  // last field left off, an elevation given as a word) instead of rejecting those lines.
  virtual void setTolerantReading(bool tolerant) = 0;
  // Pre-scans a file as the import dialog does, labels in the thread locale's language; false
  // when the file cannot be read.
  virtual bool scan(const std::string& path, ScanReport& report) = 0;
  // Where the survey points are kept.
  virtual SurveyPointTable surveyPointTable() const = 0;
  // Whether the settings dialog would accept this shift-distance text; when not, `refusal` is
  // the message it would show (in the thread locale's language).
  virtual bool checkShiftDistance(const std::string& text, std::string& refusal) const = 0;

 protected:
  ~ImportModule() = default;
};

// The module exports `ImportModule* kestrelImportModule()` with C linkage.
using ImportModuleFunction = ImportModule* (*)();
inline constexpr const char* kImportModuleSymbol = "kestrelImportModule";

}  // namespace kestrel::module
