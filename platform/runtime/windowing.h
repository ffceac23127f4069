// The windowing system of the host: how dialogs are shown, message boxes, notices for the user,
// the application profile, the shell's "open" verb, and the thread locale. It knows no module:
// what a module's dialogs say to its host travels through the module's own interface.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ovwin {

// How the host shows the module's dialogs.
enum class DialogMode {
  Scripted,  // answered by the module from what the host told it (command line host, tests)
  Qt         // real windows (desktop host)
};

enum class MessageIcon { None, Information, Exclamation, Error };

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
};

// The windowing system of the running host (one per process).
class WindowingSystem {
 public:
  DialogMode mode = DialogMode::Scripted;

  // Every message box shown, in order (scripted hosts print them).
  std::vector<MessageBoxRecord> messageBoxes;
  // Lines the host should tell the user (e.g. which alignments exist when a choice was cancelled).
  std::vector<std::string> notices;
  // Paths handed to the shell's "open" verb.
  std::vector<std::string> openedInShell;
  // Whether the host has a main window (dialogs get it as parent).
  bool hasMainWindow = false;

  // Called with the percentage done while a command works through a file (a host may draw a bar).
  std::function<void(int percent)> progressHook;

  // Application profile: section → key → value (kept for the process).
  std::map<std::string, std::map<std::string, int>> profile;

  // Screen size in pixels, for placing windows.
  int screenWidth = 1920;
  int screenHeight = 1080;

  // Forgets what the previous command showed and said.
  void beginRun() {
    messageBoxes.clear();
    notices.clear();
  }
};

// The process's windowing system.
WindowingSystem& windowing();

// Thread locales as Windows-style LCIDs.
inline constexpr uint32_t kJapaneseLocale = 0x411;
inline constexpr uint32_t kEnglishLocale = 0x409;

// The thread locale (English until someone sets another).
uint32_t threadLocale();
void setThreadLocale(uint32_t lcid);

}  // namespace ovwin
