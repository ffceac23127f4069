#include "gis/crs.h"

#include <ogr_spatialref.h>

namespace kestrel::gis {

std::unique_ptr<OGRSpatialReference> spatialReference(int epsg) {
  auto reference = std::make_unique<OGRSpatialReference>();
  if (reference->importFromEPSG(epsg) != OGRERR_NONE) return nullptr;
  reference->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return reference;
}

std::unique_ptr<OGRSpatialReference> spatialReference(const std::string& text, std::string& error) {
  auto reference = std::make_unique<OGRSpatialReference>();
  if (reference->SetFromUserInput(text.c_str()) != OGRERR_NONE) {
    error = "GDAL does not know the coordinate reference system \"" + text + "\"";
    return nullptr;
  }
  reference->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return reference;
}

}  // namespace kestrel::gis
