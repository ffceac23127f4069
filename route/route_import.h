// The route (F) series: reading a route section into alignment elements, and building it.
#pragma once

#include "sima/import_run.h"

namespace kestrel {

// The route type's name as object-data records carry it ("IP線", "Type 2", …); empty for any
// other value.
std::string routeTypeName(int32_t routeType);

// Whether a route of that type may carry arcs and clothoids (types 2, 3 and 7).
bool routeTypeCarriesCurves(int32_t routeType);

// Everything the driver does for one F00 line after its header check and log line: start the
// route, read its section, build it, keep it and log its end.
void importRoute(ImportRun& run, const Fields& header);

// Reads the lines of a route section into run.routeElements; returns 0 when it ended normally
// (F99 without a failed point, or the end of the file), -1 when F99 came after a failed point.
int readRouteSection(ImportRun& run, double& startStation);

// Builds the finished route by type and selection; the id of an alignment built, else 0 (always
// 0 in a pre-scan).
uint32_t buildRoute(ImportRun& run, const SimaAlignment& route);

// Draws a route of type 1, 4, 5 or 6 as an open lightweight polyline through its points.
void drawRoutePolyline(ImportRun& run, const SimaAlignment& route);

}  // namespace kestrel
