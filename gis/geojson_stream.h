// GeoJSON written straight from a gathered layer. GDAL's GeoJSON writer builds a JSON object tree
// for every feature, which takes longer than the whole import of a large file; this writes the
// same FeatureCollection (name, crs member, one Feature per line) directly, numbers exact.
#pragma once

#include <memory>
#include <string>

#include "gis/layers.h"

namespace kestrel::gis {

class JsonOut;

// One layer as a GeoJSON FeatureCollection, written a batch of features at a time.
class KESTREL_GIS_EXPORT GeoJsonFile {
 public:
  // Starts the file; `crsName` is the URN of the CRS for the "crs" member (empty: none).
  GeoJsonFile(const std::string& path, const LayerSpec& spec, const std::string& crsName);
  ~GeoJsonFile();
  GeoJsonFile(const GeoJsonFile&) = delete;
  GeoJsonFile& operator=(const GeoJsonFile&) = delete;

  // Writes the features of a batch.
  void add(const Layer& batch);
  // Ends the collection and closes the file; false with the reason when anything failed.
  bool finish(std::string& error);

 private:
  std::unique_ptr<JsonOut> out_;
  bool first_ = true;
};

}  // namespace kestrel::gis
