// GIS datasets of an import: the survey entities of a drawing, the alignments of a civil document
// and what the run kept beyond the drawing, written through GDAL/OGR in any vector format it can
// create, in the coordinate reference system a zone, a datum or an EPSG code names.
// This header needs no GDAL: the command line host loads libkestrel_gis.so (and with it GDAL's
// many libraries) only when it writes a GIS output, and finds its side by kGisWriterSymbol.
#pragma once

#include <string>
#include <vector>

#include "gis/plan/zones.h"
#include "io/result.h"
#include "module_api/import_module.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

#define KESTREL_GIS_EXPORT __attribute__((visibility("default")))

namespace kestrel::gis {

// The geodetic datum of the Japanese plane rectangular zones.
enum class Datum { Jgd2011, Jgd2000 };

// The EPSG code of plane rectangular zone 1 to 19 (I to XIX) on a datum; 0 for any other zone.
constexpr int planeZoneEpsg(int zone, Datum datum) {
  if (zone < 1 || zone > 19) return 0;
  return (datum == Datum::Jgd2011 ? 6669 : 2443) + zone - 1;
}

// How the user named the coordinate reference systems; 0 and empty mean "not given".
struct CrsOptions {
  int zone = 0;
  Datum datum = Datum::Jgd2011;
  int epsg = 0;
  std::string targetSrs;  // anything GDAL takes: "EPSG:4326", WKT, a PROJ string
};

// The source CRS's EPSG code: an explicit code, else the zone option, else the zone the file
// names, the zones on the chosen datum; 0 when nothing names one.
constexpr int sourceEpsg(const CrsOptions& options, int zoneInFile) {
  if (options.epsg != 0) return options.epsg;
  return planeZoneEpsg(options.zone != 0 ? options.zone : zoneInFile, options.datum);
}

// What a GIS dataset is made of. The drawing's points and polylines are found by the import's
// object-data records (tables); the civil document gives the alignments; the records what the
// drawing does not show (points without elevation, where result points were placed).
struct SurveySource {
  const OvDbDatabase* drawing = nullptr;
  const ovcivil::CivilDocument* civil = nullptr;
  module::SurveyPointTable tables;
  const module::RunRecords* records = nullptr;
  std::string fileName;  // the input's name, as the records carry it
};

// What writing a dataset made and what GDAL warned of on the way.
struct GisReport {
  std::vector<std::string> written;
  std::vector<std::string> warnings;
};

// Why a GIS output has no format to be written in.
enum class FormatProblem {
  None,
  NoExtension,       // no driver named and no extension to tell it by
  UnknownExtension,  // no driver that creates vector datasets lists the extension
  UnknownDriver,     // GDAL has no driver of that name
  CannotCreate       // the driver named creates no vector datasets
};

// The format a GIS output is written in.
struct OutputFormat {
  FormatProblem problem = FormatProblem::None;
  std::string driver;            // GDAL's short name: "GPKG", "GeoJSON", "ESRI Shapefile"
  std::string extension;         // the driver's own, with its dot (".gpkg"); empty when it has none
  bool oneLayerPerFile = false;  // then each layer is a file of its own, see layerFileName()
};

// GeoJSON's format: one layer per file, written by our own writer (gis/plan/gis_plan.h tells
// when an output is GeoJSON).
inline OutputFormat geoJsonFormat() { return {FormatProblem::None, "GeoJSON", ".geojson", true}; }

// The file a layer goes to in a format that holds one layer per file: "road.shp" gives
// "road_points.shp".
inline std::string layerFileName(const std::string& path, const std::string& layer) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool hasExtension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::size_t stemEnd = hasExtension ? dot : path.size();
  return path.substr(0, stemEnd) + "_" + layer + path.substr(stemEnd);
}

// The writer's side, as the command line host reaches it.
class GisWriter {
 public:
  // The zone the file at `path` names in its records, read in `encoding` ("utf-8" or "cp932").
  virtual ZoneInFile findZone(const std::string& path, const std::string& encoding) = 0;
  // The format `path` is written in: the driver named, else the first that creates vector
  // datasets and lists the path's extension.
  virtual OutputFormat outputFormat(const std::string& path, const std::string& driver) = 0;
  // Whether GDAL takes `text` ("EPSG:4326", WKT, a PROJ string) as a coordinate reference system.
  virtual bool knowsCrs(const std::string& text) = 0;
  // The names of the layers a dataset may have, in the order they are written.
  virtual std::vector<std::string> layerNames() = 0;
  // Does ahead what a first write() in `driver`'s format (or `path`'s) from EPSG:`sourceEpsg` (0:
  // none) to `targetSrs` (empty: none) spends before its first feature: GDAL's drivers registered,
  // PROJ's database opened and the transformation looked up. Nothing is kept but GDAL's and PROJ's
  // own caches, and a failure is left for write() to report; it may run on a thread of its own
  // while the caller does something else.
  virtual void prepare(const std::string& path, const std::string& driver, int sourceEpsg,
                       const std::string& targetSrs) = 0;
  // Writes every layer that has features, through a temporary folder beside `path` whose files
  // are renamed into place at the end. A format that holds one layer per file gets one file per
  // layer, named after `path` with "_<layer>" before the extension.
  virtual io::Result write(const SurveySource& source, const std::string& path,
                           const std::string& driver, int sourceEpsg, const std::string& targetSrs,
                           GisReport& report) = 0;

 protected:
  ~GisWriter() = default;
};

// libkestrel_gis.so exports `GisWriter* kestrelGisWriter()` with C linkage.
using GisWriterFunction = GisWriter* (*)();
inline constexpr const char* kGisWriterSymbol = "kestrelGisWriter";

}  // namespace kestrel::gis
