// The coordinate (A) series: reader and point builder.
#pragma once

#include "sima/import_run.h"

namespace kestrel {

// Reads the lines after an A00 header up to A99 (or the end of the file), appends the series'
// points to the point store, and draws them when the A series is selected.
void readCoordinateSeries(ImportRun& run);

// Draws every stored point from position `first` on (one series) that has an elevation, each
// with its "JSIMA_V3_Point" record; a pre-scan draws nothing.
void buildPoints(ImportRun& run, std::size_t first);

}  // namespace kestrel
