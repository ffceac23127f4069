// ogr_SIMA: a read-only GDAL/OGR vector driver for SIMA survey files. It recognises a file by its
// name (*.sim) and its first records, imports it through the import module (the same reading,
// checks and building as the command line host), and serves the layers of the GIS outputs.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "apps/ogr_sima/sima_import.h"
#include "gis/crs.h"
#include "gis/ogr_layers.h"

namespace kestrel::ogr {

namespace {

constexpr const char* kDriverName = "SIMA";

// Spatial references are shared by count (layers and geometries take their own): let go, never
// deleted outright.
struct ReleaseReference {
  void operator()(OGRSpatialReference* reference) const { reference->Release(); }
};
using SharedReference = std::unique_ptr<OGRSpatialReference, ReleaseReference>;

// One gathered layer served feature by feature; features are made when read.
class SimaLayer final : public OGRLayer {
 public:
  SimaLayer(gis::Layer layer, OGRSpatialReference* reference)
      : layer_(std::move(layer)), definition_(new OGRFeatureDefn(layer_.spec->name)) {
    SetDescription(layer_.spec->name);
    definition_->Reference();
    definition_->SetGeomType(gis::geometryType(*layer_.spec, true));
    if (reference != nullptr) definition_->GetGeomFieldDefn(0)->SetSpatialRef(reference);
    for (const gis::FieldSpec& field : layer_.spec->fields) {
      OGRFieldDefn definition = gis::fieldDefinition(field);
      definition_->AddFieldDefn(&definition);
    }
  }
  ~SimaLayer() override { definition_->Release(); }

  OGRFeatureDefn* GetLayerDefn() override { return definition_; }
  void ResetReading() override { next_ = 0; }

  OGRFeature* GetNextFeature() override {
    while (next_ < layer_.featureCount()) {
      std::unique_ptr<OGRFeature> feature(featureAt(next_++));
      if ((m_poFilterGeom == nullptr || FilterGeometry(feature->GetGeometryRef())) &&
          (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature.get())))
        return feature.release();
    }
    return nullptr;
  }

  OGRFeature* GetFeature(GIntBig fid) override {
    if (fid < 1 || static_cast<std::size_t>(fid) > layer_.featureCount()) return nullptr;
    return featureAt(static_cast<std::size_t>(fid - 1));
  }

  GIntBig GetFeatureCount(int force) override {
    if (m_poFilterGeom == nullptr && m_poAttrQuery == nullptr)
      return static_cast<GIntBig>(layer_.featureCount());
    return OGRLayer::GetFeatureCount(force);
  }

  int TestCapability(const char* capability) override {
    if (EQUAL(capability, OLCFastFeatureCount))
      return m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    return EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCStringsAsUTF8) ||
           EQUAL(capability, OLCCurveGeometries) || EQUAL(capability, OLCZGeometries);
  }

 private:
  // Feature i, numbered from 1 as GeoPackage numbers them.
  OGRFeature* featureAt(std::size_t i) {
    auto* feature = new OGRFeature(definition_);
    gis::fillFeature(layer_, i, true, *feature);
    feature->SetFID(static_cast<GIntBig>(i + 1));
    if (OGRGeometry* geometry = feature->GetGeometryRef())
      geometry->assignSpatialReference(definition_->GetGeomFieldDefn(0)->GetSpatialRef());
    return feature;
  }

  gis::Layer layer_;
  OGRFeatureDefn* definition_;
  std::size_t next_ = 0;
};

class SimaDataset final : public GDALDataset {
 public:
  int GetLayerCount() override { return static_cast<int>(layers_.size()); }
  OGRLayer* GetLayer(int index) override {
    return index < 0 || index >= GetLayerCount() ? nullptr : layers_[static_cast<std::size_t>(index)].get();
  }
  int TestCapability(const char*) override { return FALSE; }  // read-only

  // The survey and its source first: the layers refer to their text, so they go before them.
  std::unique_ptr<ImportedSurvey> survey;
  gis::SurveySource source;
  SharedReference reference;
  std::vector<std::unique_ptr<SimaLayer>> layers_;
};

// A line that starts like a SIMA record: a capital letter, two digits, then a comma or its end.
bool looksLikeRecord(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  if (line.size() < 3 || line[0] < 'A' || line[0] > 'Z' || line[1] < '0' || line[1] > '9' ||
      line[2] < '0' || line[2] > '9')
    return false;
  return line.size() == 3 || line[3] == ',';
}

// A *.sim file on disk whose first lines (those the header holds whole) are SIMA records.
int identify(GDALOpenInfo* info) {
  if (info->fpL == nullptr || info->nHeaderBytes == 0 || STARTS_WITH(info->pszFilename, "/vsi") ||
      !EQUAL(CPLGetExtension(info->pszFilename), "sim"))
    return FALSE;
  std::string_view header(reinterpret_cast<const char*>(info->pabyHeader),
                          static_cast<std::size_t>(info->nHeaderBytes));
  if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);
  int records = 0;
  for (std::size_t end; (end = header.find('\n')) != std::string_view::npos;
       header.remove_prefix(end + 1)) {
    const std::string_view line = header.substr(0, end);
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    if (!looksLikeRecord(line)) return FALSE;
    ++records;
  }
  // A file shorter than the header may end without a line break.
  if (records == 0 && static_cast<std::size_t>(info->nHeaderBytes) < 1024) return looksLikeRecord(header);
  return records > 0;
}

// An integer open option in [low, high], 0 when absent; false when it is not one.
bool integerOption(GDALOpenInfo* info, const char* name, int low, int high, int& value) {
  const char* text = CSLFetchNameValue(info->papszOpenOptions, name);
  value = 0;
  if (text == nullptr) return true;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < low || parsed > high) {
    CPLError(CE_Failure, CPLE_IllegalArg, "SIMA: %s=%s is not a number from %d to %d", name, text,
             low, high);
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}

GDALDataset* open(GDALOpenInfo* info) {
  if (!identify(info)) return nullptr;
  if (info->eAccess == GA_Update) {
    CPLError(CE_Failure, CPLE_NotSupported, "SIMA: the driver reads SIMA files; it cannot update them");
    return nullptr;
  }
  gis::CrsOptions crs;
  if (!integerOption(info, "ZONE", 1, 19, crs.zone) ||
      !integerOption(info, "EPSG", 1, 999999, crs.epsg))
    return nullptr;
  const char* datum = CSLFetchNameValueDef(info->papszOpenOptions, "DATUM", "JGD2011");
  if (!EQUAL(datum, "JGD2011") && !EQUAL(datum, "JGD2000")) {
    CPLError(CE_Failure, CPLE_IllegalArg, "SIMA: DATUM=%s: expected JGD2011 or JGD2000", datum);
    return nullptr;
  }
  crs.datum = EQUAL(datum, "JGD2000") ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011;
  const std::string encoding = CPLString(CSLFetchNameValueDef(info->papszOpenOptions, "ENCODING", "auto")).tolower();

  std::string error;
  std::unique_ptr<ImportedSurvey> survey = importSurvey(info->pszFilename, encoding, error);
  if (survey == nullptr) {
    CPLError(CE_Failure, CPLE_AppDefined, "SIMA: %s: %s", info->pszFilename, error.c_str());
    return nullptr;
  }
  const auto outcome = survey->outcome;
  if (outcome != module::DialogOutcome::Imported && outcome != module::DialogOutcome::NothingToImport) {
    CPLError(CE_Failure, CPLE_OpenFailed, "SIMA: %s: the import did not run", info->pszFilename);
    return nullptr;
  }
  auto dataset = std::make_unique<SimaDataset>();
  const int zoneInFile = crs.epsg == 0 && crs.zone == 0
                             ? gis::findZoneInFile(info->pszFilename, survey->report.inputEncoding == "utf-8").zone
                             : 0;
  if (const int epsg = gis::sourceEpsg(crs, zoneInFile); epsg != 0) {
    dataset->reference.reset(gis::spatialReference(epsg).release());
    if (dataset->reference == nullptr) {
      CPLError(CE_Failure, CPLE_AppDefined, "SIMA: GDAL does not know EPSG:%d", epsg);
      return nullptr;
    }
  } else {
    CPLDebug(kDriverName, "%s names no zone and no ZONE or EPSG was given: no CRS", info->pszFilename);
  }
  gis::SurveySource& source = dataset->source;
  source.drawing = survey->drawing.get();
  source.civil = survey->civil.get();
  source.tables = survey->tables;
  source.records = &survey->records;
  source.fileName = CPLGetFilename(info->pszFilename);
  for (gis::Layer& layer : gis::gatherLayers(source, true))
    dataset->layers_.push_back(std::make_unique<SimaLayer>(std::move(layer), dataset->reference.get()));
  dataset->SetDescription(info->pszFilename);
  dataset->SetMetadataItem("ENCODING", survey->report.inputEncoding.c_str());
  dataset->SetMetadataItem("ERROR_COUNT", std::to_string(survey->report.errorCount).c_str());
  dataset->survey = std::move(survey);
  return dataset.release();
}

}  // namespace

}  // namespace kestrel::ogr

extern "C" __attribute__((visibility("default"))) void RegisterOGRSIMA() {
  using namespace kestrel::ogr;
  if (!GDAL_CHECK_VERSION("SIMA driver") || GDALGetDriverByName(kDriverName) != nullptr) return;
  auto* driver = new GDALDriver();
  driver->SetDescription(kDriverName);
  driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
  driver->SetMetadataItem(GDAL_DMD_LONGNAME, "SIMA survey data (Japanese survey-data exchange format)");
  driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "sim");
  driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "NO");
  driver->SetMetadataItem(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS, "YES");
  driver->SetMetadataItem(GDAL_DCAP_CURVE_GEOMETRIES, "YES");
  driver->SetMetadataItem(GDAL_DCAP_Z_GEOMETRIES, "YES");
  driver->SetMetadataItem(
      GDAL_DMD_OPENOPTIONLIST,
      "<OpenOptionList>"
      "  <Option name='ZONE' type='int' min='1' max='19' description='Plane rectangular zone of "
      "the coordinates (I to XIX); wins over a zone the file names'/>"
      "  <Option name='DATUM' type='string-select' default='JGD2011' description='Datum of the "
      "zone'><Value>JGD2011</Value><Value>JGD2000</Value></Option>"
      "  <Option name='EPSG' type='int' description='EPSG code of the coordinates; wins over "
      "ZONE'/>"
      "  <Option name='ENCODING' type='string-select' default='AUTO' description='Text encoding "
      "of the file (AUTO: CP932 unless valid UTF-8, or when valid UTF-8 reads as characters no "
      "SIMA file holds where CP932 reads fewer, as half-width kana do)'>"
      "<Value>AUTO</Value><Value>UTF-8</Value><Value>CP932</Value></Option>"
      "</OpenOptionList>");
  driver->pfnIdentify = identify;
  driver->pfnOpen = open;
  GetGDALDriverManager()->RegisterDriver(driver);
}
