#include "platform/windowing.h"

namespace ovwin {

WindowingSystem& windowing() {
  static WindowingSystem instance;
  return instance;
}

namespace {
thread_local uint32_t currentLocale = 0x409;
std::string encodingChoice = "auto";
}  // namespace

uint32_t threadLocale() { return currentLocale; }
void setThreadLocale(uint32_t lcid) { currentLocale = lcid; }

const std::string& inputEncodingChoice() { return encodingChoice; }
void setInputEncodingChoice(const std::string& choice) { encodingChoice = choice; }

}  // namespace ovwin
