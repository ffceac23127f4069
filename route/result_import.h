// Vertical (H) and cross-section (I) results placed along alignments.
#pragma once

#include "sima/import_run.h"

namespace kestrel {

// Finds the first finished route with that number. When found, marks that a route of its type
// served and, unless the user's alignment choice holds, makes that route's alignment the
// current alignment name.
bool findRouteByNumber(ImportRun& run, int32_t routeNumber);

// Reads an H block after its H00 header, places its stations and logs it.
void readVerticalBlock(ImportRun& run, const Fields& header);

// Reads an I block after its I00 header (already checked and logged), places its sections.
void readCrossSectionBlock(ImportRun& run, const Fields& header);

// Spreads equal stations apart: the k-th repeat of a distance moves k × shift further.
void spreadStations(GrowingArray<VerticalData>& stations, double shift);

// Spreads equal offsets of a section outward; walls on the left get their elevations reversed.
void spreadOffsets(GrowingArray<double>& offsets, GrowingArray<double>& elevations, double shift);

// Places the stations of a vertical block as drawing points (not in a pre-scan).
void buildVerticalResult(ImportRun& run, HSeriesData block);

// Places the points of every section of a cross-section block as drawing points (not in a
// pre-scan).
void buildCrossSectionResult(ImportRun& run, IntersectionData block);

}  // namespace kestrel
