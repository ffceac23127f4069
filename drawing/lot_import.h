// The lot (D) series: reader and lot drawer.
#pragma once

#include "sima/import_run.h"

namespace kestrel {

// Reads one lot after its D00 header (`header` are the header's fields) up to D99 or the end of
// the file; stores, draws and logs it.
void readLot(ImportRun& run, const Fields& header);

// Draws a lot as a lightweight polyline on the lot layer with its "JSIMA_V3_Pline" record; a
// pre-scan draws nothing.
void drawLot(ImportRun& run, const LotData& lot);

}  // namespace kestrel
