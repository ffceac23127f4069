// What the command line host checks before an import with GIS outputs, answered without GDAL.
// Loading GDAL's libraries and opening its drivers take longer than importing a file of 100,000
// points; the host loads this small library (PROJ and io only) for its checks where they need no
// GDAL, and loads GDAL on a thread of its own while the import runs.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>

#include "gis/plan/zones.h"

namespace kestrel::gis {

// The layers a dataset may have, in the order they are written.
inline constexpr std::array<const char*, 7> kLayerNames = {
    "points", "lots", "open_lots", "routes", "alignments", "alignment_elements", "results"};

// Whether an output is GeoJSON, which our own writer makes without GDAL's drivers: the driver
// named, else the extension.
inline bool isGeoJsonOutput(std::string_view path, const std::string& driver) {
  if (!driver.empty()) return strcasecmp(driver.c_str(), "GeoJSON") == 0;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return false;
  const std::string extension(path.substr(dot));
  return strcasecmp(extension.c_str(), ".geojson") == 0 || strcasecmp(extension.c_str(), ".json") == 0;
}

// The code of a system named "EPSG:<digits>" (any case), the form PROJ's database answers
// alone; 0 for any other text (WKT, PROJ strings, names), which only GDAL can judge.
inline int epsgCodeIn(std::string_view text) {
  if (text.size() < 6 || text.size() > 14 || strncasecmp(text.data(), "EPSG:", 5) != 0) return 0;
  int code = 0;
  for (const char c : text.substr(5)) {
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

// The planning side, as the command line host reaches it.
class GisPlanner {
 public:
  // The zone the file at `path` names in its records, read in `encoding` ("utf-8" or "cp932").
  virtual ZoneInFile findZone(const std::string& path, const std::string& encoding) = 0;
  // Whether EPSG `code` is a coordinate reference system in PROJ's database, the one GDAL reads.
  virtual bool knowsEpsg(int code) = 0;

 protected:
  ~GisPlanner() = default;
};

// libkestrel_gis_plan.so exports `GisPlanner* kestrelGisPlanner()` with C linkage.
using GisPlannerFunction = GisPlanner* (*)();
inline constexpr const char* kGisPlannerSymbol = "kestrelGisPlanner";

}  // namespace kestrel::gis
