// What the import dialog's tree offers for a pre-scanned file: labels and counts per entry.
#pragma once

#include "sima/import_run.h"
#include "sima/messages.h"

namespace kestrel {

// Labels (messages 140, 142..152) and counts from a pre-scanned run: A the points with an
// elevation, D the lots, H the stations of all H series, I the sections of all I series (as the
// pre-scan counted them), route types 1 to 7 the F00 lines of each type. Every entry with a count
// starts selected.
SeriesSelection countSeries(const ImportRun& preScanned, sima::Language language);

}  // namespace kestrel
