// Fuzz target over the GIS side of `kestrel export`: the bytes are a dataset GDAL reads (the
// first byte picks the format: even a GeoJSON text, odd a GeoPackage), read by the survey reader
// into zone IX plane coordinates with the number field "NO" and the name field "NAME", made into
// export data and written as SIMA into memory, in CP932 with unmappable text replaced or refused
// as the first byte's second bit says.
#include <cpl_error.h>
#include <cpl_vsi.h>

#include <cstdint>
#include <string>

#include "gis/survey_reader.h"
#include "io/atomic_file.h"
#include "sima_export/gis_source.h"
#include "sima_export/sima_writer.h"

extern "C" kestrel::gis::SurveyReader* kestrelSurveyReader();

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  CPLSetErrorHandler(CPLQuietErrorHandler);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string path = (data[0] & 1) ? "/vsimem/fuzz.gpkg" : "/vsimem/fuzz.geojson";
  VSILFILE* file =
      VSIFileFromMemBuffer(path.c_str(), const_cast<GByte*>(data + 1), size - 1, FALSE);
  if (file == nullptr) return 0;
  VSIFCloseL(file);
  kestrel::gis::SurveyReadRequest request;
  request.path = path;
  request.targetEpsg = 6677;
  request.numberField = "NO";
  request.nameField = "NAME";
  kestrel::gis::SurveyFeatures features;
  if (kestrelSurveyReader()->read(request, features)) {
    kestrel::sima_export::SimaData sima;
    kestrel::sima_export::Findings findings;
    kestrel::sima_export::addGisFeatures(features, 0.001, sima, findings);
    kestrel::sima_export::WriteOptions options;
    options.replaceUnmappable = (data[0] & 2) != 0;
    kestrel::io::StringSink sink;
    kestrel::sima_export::WriteSummary summary;
    (void)kestrel::sima_export::writeSima(sima, options, sink, summary);
  }
  VSIUnlink(path.c_str());
  return 0;
}
