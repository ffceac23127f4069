// Coordinate reference systems: the zone a SIMA file names, and spatial references as GDAL takes
// them in the order GIS programs put coordinates (easting or longitude first).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "gis/gis_api.h"

class OGRSpatialReference;

namespace kestrel::gis {

// The zone a text names as "<number>系": Arabic digits, full-width or not, or Roman numerals
// (I, V, X, full-width, or the numeral characters Ⅰ to Ⅻ), with or without "第" before; "系統"
// (a line, not a zone) does not count. 0 when the text names no zone from 1 to 19.
KESTREL_GIS_EXPORT int zoneNamedIn(std::string_view text);

// A zone given as a bare number or Roman numeral ("9", "09", "IX", "Ⅸ"), or named as above.
KESTREL_GIS_EXPORT int zoneOf(std::string_view field);

// The zone a SIMA file names: a Z01 record's field 1, else a G01 "座標系" record's field 2, else
// the title of G00 (field 2) or a Z00 comment (field 1); the first of the strongest kind found.
KESTREL_GIS_EXPORT ZoneInFile findZoneInFile(const std::string& path, bool utf8);

// A spatial reference from an EPSG code, in traditional GIS axis order.
KESTREL_GIS_EXPORT std::unique_ptr<OGRSpatialReference> spatialReference(int epsg);
// The same from any text GDAL understands; null, with GDAL's reason in `error`, when it does not.
KESTREL_GIS_EXPORT std::unique_ptr<OGRSpatialReference> spatialReference(const std::string& text,
                                                                         std::string& error);

}  // namespace kestrel::gis
