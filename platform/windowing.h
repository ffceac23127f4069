// The windowing system of the host: how dialogs are answered, message boxes, the application
// profile, the shell's "open" verb, and the thread locale.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ovwin {

// How the host shows the module's dialogs.
enum class DialogMode {
  Scripted,  // answered from a DialogScript (command line host, tests)
  Qt         // real windows (desktop host)
};

// What a user would do in the dialogs, given on the command line. An unset value means the user
// leaves the control as the dialog shows it.
struct DialogScript {
  std::string filePath;                             // browsed file
  std::optional<std::string> siteName;              // site picked in the drop-down
  std::optional<std::vector<std::string>> series;   // entries to tick: "A","D","H","I","F1".."F7"
  std::optional<std::string> layers[5];             // points, IP lines, lots, width stakes, continuous
  std::optional<std::string> shiftDistance;         // text typed into the shift-distance edit
  std::optional<std::string> alignmentName;         // answer to the alignment selection
  bool cancelImportDialog = false;                  // press "閉じる" instead of "読み込み"
};

enum class MessageIcon { None, Information, Exclamation, Error };

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
};

// How the last run of the import command ended, as far as the dialogs saw it.
enum class DialogOutcome {
  NotRun,
  SiteListFailed,    // the command ended before any dialog
  PathRejected,      // the import dialog refused the file
  NothingToImport,   // the import button stayed disabled
  ShiftRejected,     // the settings dialog refused the shift distance
  Cancelled,         // the import dialog was closed without importing
  Imported           // the file was read and the result dialog shown
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

// The windowing system of the running host (one per process).
class WindowingSystem {
 public:
  DialogMode mode = DialogMode::Scripted;
  DialogScript script;

  // Every message box shown, in order (scripted hosts print them).
  std::vector<MessageBoxRecord> messageBoxes;
  DialogOutcome outcome = DialogOutcome::NotRun;
  RunReport report;
  // Lines the host should tell the user (e.g. which alignments exist when a choice was cancelled).
  std::vector<std::string> notices;
  // Paths handed to the shell's "open" verb.
  std::vector<std::string> openedInShell;
  // Whether the host has a main window (dialogs get it as parent).
  bool hasMainWindow = false;

  // Called with the percentage read while a file is imported (a host may draw a bar).
  std::function<void(int percent)> progressHook;

  // Application profile: section → key → value (kept for the process).
  std::map<std::string, std::map<std::string, int>> profile;

  // Screen size in pixels, for placing windows.
  int screenWidth = 1920;
  int screenHeight = 1080;

  // Resets what one run reports.
  void beginRun() {
    messageBoxes.clear();
    notices.clear();
    outcome = DialogOutcome::NotRun;
    report = RunReport{};
  }
};

// The process's windowing system.
WindowingSystem& windowing();

// Thread locale as a Windows-style LCID: 0x411 Japanese, 0x409 English.
uint32_t threadLocale();
void setThreadLocale(uint32_t lcid);

// Input encoding chosen by the host for the next run: "auto", "utf-8" or "cp932".
const std::string& inputEncodingChoice();
void setInputEncodingChoice(const std::string& choice);

}  // namespace ovwin
