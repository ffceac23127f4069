// Reading point and polygon layers through GDAL/OGR into plane coordinates: each layer's CRS
// transformed to the target's (traditional GIS order on both sides: east, north), curves made
// into vertices, multi-part features split into their parts.
#include "gis/survey_reader.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

#include "gis/crs.h"
#include "gis/gdal_messages.h"
#include "gis/gis_api.h"

namespace kestrel::gis {

namespace {

// What a layer left out, said once per layer.
struct LeftOut {
  std::size_t noGeometry = 0, otherShape = 0, holes = 0, notFinite = 0;

  void say(const std::string& layer, std::vector<std::string>& warnings) const {
    auto line = [&](std::size_t count, const char* what) {
      if (count > 0)
        warnings.push_back("layer " + layer + ": " + std::to_string(count) + " " + what);
    };
    line(noGeometry, "features without geometry left out");
    line(otherShape, "features that are neither points nor polygons left out");
    line(holes, "holes of polygons left out (a lot is one boundary)");
    line(notFinite, "features with coordinates that are not finite numbers left out");
  }
};

// The number field of a feature: a whole number, or the text it holds instead.
void readNumber(OGRFeature& feature, int field, SurveyFeature& out) {
  if (field < 0 || !feature.IsFieldSetAndNotNull(field)) return;
  const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
  if (type == OFTInteger || type == OFTInteger64) {
    out.number = feature.GetFieldAsInteger64(field);
    return;
  }
  if (type == OFTReal) {
    const double value = feature.GetFieldAsDouble(field);
    if (value == std::floor(value) && std::abs(value) < 9e15) {
      out.number = static_cast<int64_t>(value);
      return;
    }
  }
  const std::string text = feature.GetFieldAsString(field);
  std::size_t begin = text.find_first_not_of(' '), end = text.find_last_not_of(' ');
  int64_t value = 0;
  if (begin != std::string::npos) {
    const auto parsed = std::from_chars(text.data() + begin, text.data() + end + 1, value);
    if (parsed.ec == std::errc() && parsed.ptr == text.data() + end + 1) {
      out.number = value;
      return;
    }
  }
  out.numberText = text;
}

bool addVertex(SurveyFeature& out, double east, double north, double z) {
  if (!std::isfinite(east) || !std::isfinite(north) || !std::isfinite(z)) return false;
  out.east.push_back(east);
  out.north.push_back(north);
  out.z.push_back(z);
  return true;
}

// A ring's vertices, its closing vertex dropped.
bool addRing(const OGRLinearRing& ring, SurveyFeature& out) {
  int count = ring.getNumPoints();
  if (count > 1 && ring.getX(0) == ring.getX(count - 1) && ring.getY(0) == ring.getY(count - 1))
    --count;
  for (int i = 0; i < count; ++i)
    if (!addVertex(out, ring.getX(i), ring.getY(i), ring.getZ(i))) return false;
  return count > 0;
}

void addPoint(const OGRPoint& point, const SurveyFeature& base, SurveyFeatures& out,
              LeftOut& leftOut) {
  SurveyFeature feature = base;
  if (point.IsEmpty()) return;
  if (addVertex(feature, point.getX(), point.getY(), point.getZ()))
    out.points.push_back(std::move(feature));
  else
    ++leftOut.notFinite;
}

void addPolygon(const OGRPolygon& polygon, const SurveyFeature& base, SurveyFeatures& out,
                LeftOut& leftOut) {
  if (polygon.IsEmpty() || polygon.getExteriorRing() == nullptr) return;
  SurveyFeature feature = base;
  if (addRing(*polygon.getExteriorRing(), feature))
    out.polygons.push_back(std::move(feature));
  else
    ++leftOut.notFinite;
  leftOut.holes += static_cast<std::size_t>(polygon.getNumInteriorRings());
}

// The features of one geometry, in plane coordinates.
void addGeometry(const OGRGeometry& geometry, const SurveyFeature& base, SurveyFeatures& out,
                 LeftOut& leftOut) {
  switch (wkbFlatten(geometry.getGeometryType())) {
    case wkbPoint:
      addPoint(*geometry.toPoint(), base, out, leftOut);
      return;
    case wkbPolygon:
      addPolygon(*geometry.toPolygon(), base, out, leftOut);
      return;
    case wkbMultiPoint:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const OGRGeometry* part : *geometry.toGeometryCollection())
        addGeometry(*part, base, out, leftOut);
      return;
    case wkbCurvePolygon:
    case wkbMultiSurface: {
      const std::unique_ptr<OGRGeometry> linear(geometry.getLinearGeometry());
      if (linear != nullptr) addGeometry(*linear, base, out, leftOut);
      return;
    }
    default:
      ++leftOut.otherShape;
  }
}

std::string fieldList(OGRFeatureDefn& definition) {
  std::string names;
  for (int i = 0; i < definition.GetFieldCount(); ++i)
    names += (i ? ", " : "") + std::string(definition.GetFieldDefn(i)->GetNameRef());
  return names.empty() ? "none" : names;
}

class Reader : public SurveyReader {
 public:
  io::Result read(const SurveyReadRequest& request, SurveyFeatures& out) override {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    GdalMessages messages;
    const std::unique_ptr<GDALDataset> dataset(
        GDALDataset::Open(request.path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (dataset == nullptr)
      return io::failed(io::Failure::Open, request.path,
                        "GDAL cannot open it as vector data" +
                            (messages.failures.empty() ? "" : ": " + messages.failures.back()));
    const std::unique_ptr<OGRSpatialReference> target = spatialReference(request.targetEpsg);
    if (target == nullptr)
      return io::failed(io::Failure::Content, request.path,
                        "GDAL does not know EPSG:" + std::to_string(request.targetEpsg));
    for (const auto& [field, option] : {std::pair{&request.numberField, "--number-field"},
                                        std::pair{&request.nameField, "--name-field"}}) {
      if (field->empty()) continue;
      bool found = false;
      std::string fields;
      for (OGRLayer* layer : dataset->GetLayers()) {
        found = found || layer->GetLayerDefn()->GetFieldIndex(field->c_str()) >= 0;
        fields += (fields.empty() ? "" : "; ") + std::string(layer->GetName()) + ": " +
                  fieldList(*layer->GetLayerDefn());
      }
      if (!found)
        return io::failed(io::Failure::Content, request.path,
                          std::string(option) + " " + *field + ": no layer has that field (" +
                              (fields.empty() ? "no layers" : fields) + ")");
    }
    for (OGRLayer* layer : dataset->GetLayers())
      if (io::Result result = readLayer(request, *layer, *target, out); !result) return result;
    return {};
  }

 private:
  static io::Result readLayer(const SurveyReadRequest& request, OGRLayer& layer,
                              const OGRSpatialReference& target, SurveyFeatures& out) {
    const std::string name = layer.GetName();
    OGRFeatureDefn& definition = *layer.GetLayerDefn();
    const OGRSpatialReference* source = layer.GetSpatialRef();
    std::unique_ptr<OGRCoordinateTransformation> transform;
    if (source == nullptr) {
      out.warnings.push_back("layer " + name +
                             " has no coordinate reference system: its "
                             "coordinates are taken as EPSG:" +
                             std::to_string(request.targetEpsg) + " (east, north)");
    } else {
      transform.reset(OGRCreateCoordinateTransformation(source, &target));
      if (transform == nullptr)
        return io::failed(io::Failure::Content, request.path,
                          "layer " + name + ": no transformation from its CRS to EPSG:" +
                              std::to_string(request.targetEpsg));
    }
    const int numberField =
        request.numberField.empty() ? -1 : definition.GetFieldIndex(request.numberField.c_str());
    const int nameField =
        request.nameField.empty() ? -1 : definition.GetFieldIndex(request.nameField.c_str());
    const OGRwkbGeometryType declared = wkbFlatten(layer.GetGeomType());
    const bool lines = declared == wkbLineString || declared == wkbMultiLineString ||
                       declared == wkbCircularString || declared == wkbCompoundCurve ||
                       declared == wkbMultiCurve;
    for (const auto& [wanted, index] :
         {std::pair{&request.numberField, numberField}, std::pair{&request.nameField, nameField}})
      if (!wanted->empty() && index < 0 && !lines)
        out.warnings.push_back("layer " + name + " has no field " + *wanted +
                               ": its features are numbered and named by rule");
    LeftOut leftOut;
    layer.ResetReading();
    for (auto& feature : layer) {
      OGRGeometry* geometry = feature->GetGeometryRef();
      if (geometry == nullptr || geometry->IsEmpty()) {
        ++leftOut.noGeometry;
        continue;
      }
      if (transform != nullptr && geometry->transform(transform.get()) != OGRERR_NONE)
        return io::failed(io::Failure::Content, request.path,
                          "layer " + name + ": feature " + std::to_string(feature->GetFID()) +
                              " has coordinates that cannot be transformed to EPSG:" +
                              std::to_string(request.targetEpsg));
      SurveyFeature base;
      base.layer = name;
      base.fid = feature->GetFID();
      base.hasZ = geometry->Is3D();
      readNumber(*feature, numberField, base);
      if (nameField >= 0 && feature->IsFieldSetAndNotNull(nameField))
        base.name = feature->GetFieldAsString(nameField);
      addGeometry(*geometry, base, out, leftOut);
    }
    leftOut.say(name, out.warnings);
    return {};
  }
};

}  // namespace

}  // namespace kestrel::gis

extern "C" KESTREL_GIS_EXPORT kestrel::gis::SurveyReader* kestrelSurveyReader() {
  static kestrel::gis::Reader reader;
  return &reader;
}
