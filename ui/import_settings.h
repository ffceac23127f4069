// What the import command remembers between runs for as long as the module is loaded.
#pragma once

#include <cstdint>
#include <string>

#include "sima/import_run.h"

namespace kestrel {

// The choices of the last confirmed import dialog, handed to the dialog again next time.
struct ImportSettings {
  std::string filePath;
  std::string siteName;
  std::string layers[kLayerCount] = {"0", "0", "0", "0", "0"};
  double shiftDistance = 0.0001;
  SeriesSelection selection;
  int64_t fileTimeStamp = 0;  // last-modification time of the file when it was pre-scanned
  ImportRun run;              // the dialog's pre-scanned run
};

}  // namespace kestrel
