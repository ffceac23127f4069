// The host's exit statuses: one table, printed by --help and the manual page.
#pragma once

#include "apps/kestrel/texts.h"

namespace kestrel::cli {

enum Status : int {
  kImported = 0,         // rejected records included: they are in the log
  kFailed = 1,           // internal error, or an output not written after the import started
  kUsage = 2,            // found before any import work starts
  kNothingToImport = 3,  // the file holds no series the import reads
  kPartial = 4,          // results that could not be placed on any alignment
  kRefused = 5           // export: the data holds what a SIMA file cannot; nothing written
};

struct StatusRow {
  int status;
  Text meaning;
};

inline constexpr StatusRow kStatusTable[] = {
    {kImported, Text::StatusCompleted}, {kFailed, Text::StatusFailed},
    {kUsage, Text::StatusUsage},        {kNothingToImport, Text::StatusNothing},
    {kPartial, Text::StatusPartial},    {kRefused, Text::StatusRefused},
};

// How bad a status is: a run of several files ends with the worst of theirs (1 > 2 > 3 > 4 > 0).
// Something broken outranks a user's mistake, which outranks a file with nothing in it, which
// outranks a file imported in part. Only an export refuses (5), and it is one run: ranked with
// the user's mistakes for completeness.
inline int severity(int status) {
  switch (status) {
    case kImported:
      return 0;
    case kPartial:
      return 1;
    case kNothingToImport:
      return 2;
    case kUsage:
    case kRefused:
      return 3;
    default:
      return 4;
  }
}

inline int worse(int a, int b) {
  return severity(b) > severity(a) ? b : a;
}

}  // namespace kestrel::cli
