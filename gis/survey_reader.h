// Point and polygon features of any GIS dataset GDAL reads, in the plane coordinates of a
// coordinate reference system, for writing as survey data. Like gis_api.h this header needs no
// GDAL: the command line host loads libkestrel_gis.so only when it reads a GIS input, and finds
// the reader by kSurveyReaderSymbol.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/result.h"

namespace kestrel::gis {

// What to read and how.
struct SurveyReadRequest {
  std::string path;
  int targetEpsg = 0;       // the plane CRS the coordinates are wanted in
  std::string numberField;  // the field that gives a feature's number (empty: none)
  std::string nameField;    // the field that gives its name (empty: none)
};

// One point, or one outer ring of a polygon (a polygon of several parts gives one each; the
// ring's repeated closing vertex is dropped).
struct SurveyFeature {
  std::string layer;
  int64_t fid = 0;
  std::optional<int64_t> number;  // the number field as a whole number, when it holds one
  std::string numberText;         // the number field's text when it holds something else
  std::optional<std::string> name;
  bool hasZ = false;
  std::vector<double> east, north, z;  // one vertex for a point
};

// A dataset's features by shape, layer after layer in the dataset's order, and what was left
// out on the way (one line each).
struct SurveyFeatures {
  std::vector<SurveyFeature> points;
  std::vector<SurveyFeature> polygons;
  std::vector<std::string> warnings;
};

class SurveyReader {
 public:
  // Reads every point and polygon layer of the dataset, reprojected from each layer's CRS (a
  // layer without one is taken as already in the target CRS, with a warning). Fails with Open
  // for what GDAL cannot open as vector data, with Content for a number or name field that no
  // layer has, and for coordinates that cannot be transformed.
  virtual io::Result read(const SurveyReadRequest& request, SurveyFeatures& out) = 0;

 protected:
  ~SurveyReader() = default;
};

// libkestrel_gis.so exports `SurveyReader* kestrelSurveyReader()` with C linkage.
using SurveyReaderFunction = SurveyReader* (*)();
inline constexpr const char* kSurveyReaderSymbol = "kestrelSurveyReader";

}  // namespace kestrel::gis
