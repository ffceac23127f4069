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

struct ReportedError {
  std::string code;  // empty for a point that was not found
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
  std::string inputEncoding;  // "utf-8" or "cp932"
};

// The runs of "Kestrel": the answers the host gives, what it hears back.
struct Conversation {
  DialogScript script;
  DialogOutcome outcome = DialogOutcome::NotRun;
  RunReport report;

  // A run starts: the previous outcome and report are forgotten.
  void beginRun() {
    outcome = DialogOutcome::NotRun;
    report = RunReport{};
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
  std::string encoding;  // what the file was read as: "utf-8" or "cp932"
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
  // Pre-scans a file as the import dialog does, labels in the thread locale's language; false
  // when the file cannot be read.
  virtual bool scan(const std::string& path, ScanReport& report) = 0;
  // Where the survey points are kept.
  virtual SurveyPointTable surveyPointTable() const = 0;

 protected:
  ~ImportModule() = default;
};

// The module exports `ImportModule* kestrelImportModule()` with C linkage.
using ImportModuleFunction = ImportModule* (*)();
inline constexpr const char* kImportModuleSymbol = "kestrelImportModule";

}  // namespace kestrel::module
