#include "platform/runtime/windowing.h"

namespace ovwin {

WindowingSystem& windowing() {
  static WindowingSystem instance;
  return instance;
}

namespace {
thread_local uint32_t currentLocale = kEnglishLocale;
}  // namespace

uint32_t threadLocale() { return currentLocale; }
void setThreadLocale(uint32_t lcid) { currentLocale = lcid; }

}  // namespace ovwin
