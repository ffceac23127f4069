// Writing gathered layers through GDAL/OGR: the driver by name or extension, coordinates
// transformed a layer at a time, features written inside transactions, every file made in a
// temporary folder beside the target and renamed into place at the end.
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include "gis/crs.h"
#include "gis/plan/gis_plan.h"
#include "gis/gdal_messages.h"
#include "gis/geojson_stream.h"
#include "gis/ogr_layers.h"

namespace fs = std::filesystem;

namespace kestrel::gis {

namespace {

constexpr const char* kShapefile = "ESRI Shapefile";
// Features gathered, transformed and written at a time: few enough to stay small in memory, many
// enough that each transformation call is worth it.
constexpr std::size_t kBatchSize = 4096;
// The widest text field a DBF holds (bytes).
constexpr int kWidestDbfText = 254;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool hasCapability(GDALDriver& driver, const char* capability) {
  const char* value = driver.GetMetadataItem(capability);
  return value != nullptr && EQUAL(value, "YES");
}

bool createsVectors(GDALDriver& driver) {
  return hasCapability(driver, GDAL_DCAP_VECTOR) && hasCapability(driver, GDAL_DCAP_CREATE);
}

// The driver that writes `path`: the one named, else the first that creates vector datasets and
// lists the path's extension; null with the reason when there is none.
GDALDriver* findDriver(const std::string& path, const std::string& name, FormatProblem& problem) {
  GDALDriverManager& manager = *GetGDALDriverManager();
  if (!name.empty()) {
    GDALDriver* driver = manager.GetDriverByName(name.c_str());
    if (driver == nullptr)
      problem = FormatProblem::UnknownDriver;
    else if (!createsVectors(*driver))
      problem = FormatProblem::CannotCreate;
    return problem == FormatProblem::None ? driver : nullptr;
  }
  const std::string extension = lower(fs::path(path).extension().string());
  if (extension.size() < 2) {
    problem = FormatProblem::NoExtension;
    return nullptr;
  }
  for (int i = 0; i < manager.GetDriverCount(); ++i) {
    GDALDriver& driver = *manager.GetDriver(i);
    if (!createsVectors(driver)) continue;
    const char* listed = driver.GetMetadataItem(GDAL_DMD_EXTENSIONS);
    std::istringstream words(listed == nullptr ? "" : listed);
    for (std::string word; words >> word;)
      if ("." + lower(word) == extension) return &driver;
  }
  problem = FormatProblem::UnknownExtension;
  return nullptr;
}

// The same as a message, for a write that was not checked first.
std::string formatMessage(FormatProblem problem, const std::string& path, const std::string& name) {
  switch (problem) {
    case FormatProblem::UnknownDriver:
      return "GDAL has no driver \"" + name + "\" (ogrinfo --formats lists them)";
    case FormatProblem::CannotCreate:
      return "GDAL's driver \"" + name + "\" cannot create vector datasets";
    case FormatProblem::NoExtension:
      return "the name has no extension to tell the format by (name a GDAL driver with -f)";
    default:
      return "no GIS format has the extension " + fs::path(path).extension().string() +
             " (name a GDAL driver with -f)";
  }
}

// Layer creation options a format needs to hold what we write: UTF-8 text in shapefiles,
// geometry and field types in CSV.
CPLStringList layerOptions(const std::string& driver) {
  CPLStringList options;
  if (driver == kShapefile) {
    options.SetNameValue("ENCODING", "UTF-8");
    options.SetNameValue("RESIZE", "YES");  // text fields made as wide as a DBF allows, then fitted
  }
  if (driver == "CSV") {
    options.SetNameValue("GEOMETRY", "AS_WKT");
    options.SetNameValue("CREATE_CSVT", "YES");
  }
  return options;
}

// A folder beside the target where every file is made before it is renamed into place.
class StagingFolder {
 public:
  explicit StagingFolder(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~StagingFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  const fs::path& path() const { return path_; }

  // Renames every file made into `folder`; the names in `moved`.
  bool moveInto(const fs::path& folder, std::vector<std::string>& moved, std::string& error) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(path_)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      const fs::path target = folder.empty() ? file.filename() : folder / file.filename();
      std::error_code failed;
      fs::rename(file, target, failed);
      if (failed) {
        error = target.string() + ": " + failed.message();
        return false;
      }
      moved.push_back(target.string());
    }
    return true;
  }

 private:
  fs::path path_;
};

// Transforms every vertex of a layer in one call.
bool transformLayer(Layer& layer, OGRCoordinateTransformation& transform, std::string& error) {
  const std::size_t count = layer.x.size();
  std::vector<int> success(count);
  double* z = layer.spec->hasZ ? layer.z.data() : nullptr;
  if (transform.Transform(count, layer.x.data(), layer.y.data(), z, nullptr, success.data()))
    return true;
  error = std::string("layer ") + layer.spec->name +
          ": coordinates that cannot be transformed to the target CRS";
  return false;
}

// Makes a layer with its fields in a dataset.
OGRLayer* createLayer(GDALDataset& dataset, const LayerSpec& spec, OGRSpatialReference* reference,
                      bool curves, const CPLStringList& options, std::string& error) {
  const bool dbf = EQUAL(dataset.GetDriverName(), kShapefile);
  OGRLayer* out = dataset.CreateLayer(spec.name, reference, geometryType(spec, curves),
                                      const_cast<char**>(options.List()));
  if (out == nullptr) {
    error = std::string("layer ") + spec.name + " cannot be created";
    return nullptr;
  }
  for (const FieldSpec& field : spec.fields) {
    OGRFieldDefn definition = fieldDefinition(field);
    if (dbf && field.kind == FieldKind::Text) definition.SetWidth(kWidestDbfText);
    if (out->CreateField(&definition) != OGRERR_NONE) {
      error = std::string("layer ") + spec.name + ": field " + field.name + " cannot be created";
      return nullptr;
    }
  }
  return out;
}

// Writes the features of a batch.
bool writeFeatures(OGRLayer& out, const Layer& batch, bool curves, std::string& error) {
  OGRFeature feature(out.GetLayerDefn());
  for (std::size_t i = 0; i < batch.featureCount(); ++i) {
    feature.SetFID(OGRNullFID);
    fillFeature(batch, i, curves, feature);
    if (out.CreateFeature(&feature) != OGRERR_NONE) {
      error = std::string("layer ") + batch.spec->name + ": a feature cannot be written";
      return false;
    }
  }
  return true;
}

void registerDrivers() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

// The name a GeoJSON "crs" member gives a spatial reference; empty when it has no EPSG code.
std::string crsUrn(const OGRSpatialReference* reference) {
  if (reference == nullptr) return {};
  const char* authority = reference->GetAuthorityName(nullptr);
  const char* code = reference->GetAuthorityCode(nullptr);
  if (authority == nullptr || code == nullptr || !EQUAL(authority, "EPSG")) return {};
  if (std::string(code) == "4326") return "urn:ogc:def:crs:OGC:1.3:CRS84";  // longitude first
  return std::string("urn:ogc:def:crs:EPSG::") + code;
}

// The spatial reference of what is written and the transformation to it (null: none).
struct Crs {
  std::unique_ptr<OGRSpatialReference> reference;
  std::unique_ptr<OGRCoordinateTransformation> transform;
};

// The data's CRS from its EPSG code (0: none), transformed to `targetSrs` (empty: not); false
// with the reason when GDAL cannot make it.
bool setUpCrs(int epsg, const std::string& targetSrs, Crs& crs, std::string& error) {
  if (epsg != 0 && (crs.reference = spatialReference(epsg)) == nullptr) {
    error = "GDAL does not know EPSG:" + std::to_string(epsg);
    return false;
  }
  if (targetSrs.empty()) return true;
  if (crs.reference == nullptr) {
    error = "the data has no coordinate reference system to transform from";
    return false;
  }
  std::unique_ptr<OGRSpatialReference> target = spatialReference(targetSrs, error);
  if (target == nullptr) return false;
  crs.transform.reset(OGRCreateCoordinateTransformation(crs.reference.get(), target.get()));
  if (crs.transform == nullptr) {
    error = "no transformation to " + targetSrs;
    return false;
  }
  crs.reference = std::move(target);
  return true;
}

// Writes the layers of a GeoJSON output into `folder`, one file each named after `name`. Two
// threads take the layers in turn: transforming and formatting a large layer take about as long
// as its import, and the points and the lots are of a size. PROJ's objects are not shared between
// threads, so the second one makes its own transformation and has GDAL's warnings of its own
// (`helperWarnings`). The first failing layer's reason in `error`.
bool writeGeoJsonLayers(const SurveySource& source, const fs::path& folder, const std::string& name,
                        const Crs& crs, int epsg, const std::string& targetSrs,
                        std::vector<std::string>& helperWarnings, std::string& error) {
  const std::string urn = crsUrn(crs.reference.get());
  const std::vector<LayerSpec>& specs = layerSpecs();
  std::vector<std::string> errors(specs.size());
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  // `detail`: GDAL's last failure on the thread added to the reason (the calling thread's is
  // added by the caller).
  auto writeLayers = [&](OGRCoordinateTransformation* transform, const GdalMessages* detail) {
    for (std::size_t index; !failed && (index = next++) < specs.size();) {
      const LayerSpec& spec = specs[index];
      const std::string file = (folder / layerFileName(name, spec.name)).string();
      std::string& why = errors[index];
      std::unique_ptr<GeoJsonFile> json;
      const bool gathered = gatherLayer(source, index, false, kBatchSize, [&](Layer& batch) {
        if (transform != nullptr && !transformLayer(batch, *transform, why)) return false;
        if (json == nullptr) json = std::make_unique<GeoJsonFile>(file, spec, urn);
        json->add(batch);
        return true;
      });
      if (gathered && (json == nullptr || json->finish(why))) continue;
      if (detail != nullptr && !detail->failures.empty()) why += ": " + detail->failures.back();
      failed = true;
    }
  };
  std::thread helper([&] {
    GdalMessages messages;
    Crs own;
    std::string ignored;  // made once already; if not again, the calling thread does it all
    if (crs.transform != nullptr && !setUpCrs(epsg, targetSrs, own, ignored)) return;
    writeLayers(own.transform.get(), &messages);
    helperWarnings = std::move(messages.warnings);
  });
  writeLayers(crs.transform.get(), nullptr);
  helper.join();
  for (const std::string& why : errors)
    if (!why.empty()) {
      error = why;
      return false;
    }
  return true;
}

class Writer : public GisWriter {
 public:
  ZoneInFile findZone(const std::string& path, const std::string& encoding) override {
    return findZoneInFile(path, encoding == "utf-8");
  }

  OutputFormat outputFormat(const std::string& path, const std::string& driverName) override {
    if (isGeoJsonOutput(path, driverName)) return geoJsonFormat();
    OutputFormat format;
    registerDrivers();
    GdalMessages messages;
    GDALDriver* driver = findDriver(path, driverName, format.problem);
    if (driver == nullptr) return format;
    format.driver = driver->GetDescription();
    const char* extension = driver->GetMetadataItem(GDAL_DMD_EXTENSION);
    if (extension == nullptr || *extension == '\0')
      extension = driver->GetMetadataItem(GDAL_DMD_EXTENSIONS);
    std::istringstream words(extension == nullptr ? "" : extension);
    if (std::string first; words >> first) format.extension = "." + first;
    format.oneLayerPerFile = !hasCapability(*driver, GDAL_DCAP_MULTIPLE_VECTOR_LAYERS);
    return format;
  }

  bool knowsCrs(const std::string& text) override {
    GdalMessages messages;
    std::string error;
    return spatialReference(text, error) != nullptr;
  }

  std::vector<std::string> layerNames() override {
    return {kLayerNames.begin(), kLayerNames.end()};
  }

  void prepare(const std::string& path, const std::string& driverName, int epsg,
               const std::string& targetSrs) override {
    GdalMessages messages;
    if (!isGeoJsonOutput(path, driverName)) registerDrivers();
    Crs crs;
    std::string error;
    setUpCrs(epsg, targetSrs, crs, error);
  }

  io::Result write(const SurveySource& source, const std::string& path,
                   const std::string& driverName, int epsg, const std::string& targetSrs,
                   GisReport& report) override {
    GdalMessages messages;
    auto fail = [&](const std::string& why) {
      const std::string detail = messages.failures.empty() ? "" : ": " + messages.failures.back();
      return io::failed(io::Failure::Write, path, why + detail);
    };
    std::string error;
    const bool geoJson = isGeoJsonOutput(path, driverName);
    GDALDriver* driver = nullptr;
    if (!geoJson) {
      registerDrivers();
      FormatProblem problem = FormatProblem::None;
      if ((driver = findDriver(path, driverName, problem)) == nullptr)
        return fail(formatMessage(problem, path, driverName));
    }
    const std::string name = geoJson ? "GeoJSON" : driver->GetDescription();
    const bool curves = !geoJson && hasCapability(*driver, GDAL_DCAP_CURVE_GEOMETRIES);
    const bool oneLayerPerFile = geoJson || !hasCapability(*driver, GDAL_DCAP_MULTIPLE_VECTOR_LAYERS);

    Crs crs;
    if (!setUpCrs(epsg, targetSrs, crs, error)) return fail(error);
    std::unique_ptr<OGRSpatialReference>& reference = crs.reference;
    std::unique_ptr<OGRCoordinateTransformation>& transform = crs.transform;

    const fs::path target(path);
    StagingFolder staging(target);
    if (staging.path().empty())
      return io::failedWithErrno(io::Failure::Write, target.parent_path().string());
    std::vector<std::string> helperWarnings;  // GDAL's on the GeoJSON writer's second thread
    if (geoJson && !writeGeoJsonLayers(source, staging.path(), target.filename().string(), crs,
                                       epsg, targetSrs, helperWarnings, error))
      return fail(error);
    const CPLStringList options = layerOptions(name);
    std::unique_ptr<GDALDataset> dataset;
    // Closing writes what GDAL still holds; anything it then reports is a failure of the file.
    auto close = [&] {
      dataset.reset();
      if (messages.failures.empty()) return true;
      error = "GDAL could not finish the file";
      return false;
    };
    // A layer at a time, a batch of features at a time: each batch is transformed in one call
    // and written; layers are made when their first batch comes, so empty ones are left out.
    for (std::size_t index = 0; !geoJson && index < layerSpecs().size(); ++index) {
      const LayerSpec& spec = layerSpecs()[index];
      const fs::path file =
          staging.path() / (oneLayerPerFile ? layerFileName(target.filename().string(), spec.name)
                                            : target.filename().string());
      OGRLayer* out = nullptr;
      bool transaction = false;
      const bool gathered = gatherLayer(source, index, curves, kBatchSize, [&](Layer& batch) {
        if (transform != nullptr && !transformLayer(batch, *transform, error)) return false;
        if (out == nullptr) {
          if (dataset == nullptr) {
            dataset.reset(driver->Create(file.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
            if (dataset == nullptr) {
              error = "GDAL cannot create the file";
              return false;
            }
          }
          if ((out = createLayer(*dataset, spec, reference.get(), curves, options, error)) == nullptr)
            return false;
          transaction = dataset->StartTransaction() == OGRERR_NONE;
        }
        return writeFeatures(*out, batch, curves, error);
      });
      if (!gathered) return fail(error);
      if (transaction && dataset->CommitTransaction() != OGRERR_NONE)
        return fail(std::string("layer ") + spec.name + ": the transaction cannot be committed");
      if (oneLayerPerFile && dataset != nullptr && !close()) return fail(error);
    }
    if (dataset != nullptr && !close()) return fail(error);
    if (!staging.moveInto(target.parent_path(), report.written, error))
      return io::failed(io::Failure::Write, path, error);
    report.warnings.insert(report.warnings.end(), messages.warnings.begin(), messages.warnings.end());
    report.warnings.insert(report.warnings.end(), helperWarnings.begin(), helperWarnings.end());
    return {};
  }
};

}  // namespace

}  // namespace kestrel::gis

extern "C" KESTREL_GIS_EXPORT kestrel::gis::GisWriter* kestrelGisWriter() {
  static kestrel::gis::Writer writer;
  return &writer;
}
