// Coordinate reference systems: spatial references as GDAL takes them, in the order GIS programs
// put coordinates (easting or longitude first), and the zone a SIMA file names (gis/plan/zones.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "gis/gis_api.h"
#include "gis/plan/zones.h"

class OGRSpatialReference;

namespace kestrel::gis {

// A spatial reference from an EPSG code, in traditional GIS axis order.
KESTREL_GIS_EXPORT std::unique_ptr<OGRSpatialReference> spatialReference(int epsg);
// The same from any text GDAL understands; null, with GDAL's reason in `error`, when it does not.
KESTREL_GIS_EXPORT std::unique_ptr<OGRSpatialReference> spatialReference(const std::string& text,
                                                                         std::string& error);

}  // namespace kestrel::gis
