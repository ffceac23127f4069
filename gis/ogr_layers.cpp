#include "gis/ogr_layers.h"

namespace kestrel::gis {

namespace {

// The vertices of a part as a line string (or a ring, or a circular string).
template <class Curve>
std::unique_ptr<Curve> curveOf(const Layer& layer, const Part& part, bool hasZ) {
  auto curve = std::make_unique<Curve>();
  const double* z = hasZ ? layer.z.data() + part.first : nullptr;
  curve->setPoints(static_cast<int>(part.count), layer.x.data() + part.first,
                   layer.y.data() + part.first, z);
  return curve;
}

}  // namespace

OGRwkbGeometryType geometryType(const LayerSpec& spec, bool curves) {
  OGRwkbGeometryType type = wkbUnknown;
  switch (spec.shape) {
    case Shape::Point: type = wkbPoint; break;
    case Shape::LineString: type = wkbLineString; break;
    case Shape::Polygon: type = wkbPolygon; break;
    case Shape::Alignment: type = curves ? wkbCompoundCurve : wkbLineString; break;
  }
  return spec.hasZ ? OGR_GT_SetZ(type) : type;
}

OGRFieldDefn fieldDefinition(const FieldSpec& field) {
  const OGRFieldType type = field.kind == FieldKind::Integer ? OFTInteger
                            : field.kind == FieldKind::Real  ? OFTReal
                                                             : OFTString;
  return OGRFieldDefn(field.name, type);
}

std::unique_ptr<OGRGeometry> featureGeometry(const Layer& layer, std::size_t feature, bool curves) {
  const LayerSpec& spec = *layer.spec;
  const std::uint32_t first = layer.firstPart[feature];
  const std::uint32_t end = layer.firstPart[feature + 1];
  if (first == end) return nullptr;
  const Part& part = layer.parts[first];
  switch (spec.shape) {
    case Shape::Point: {
      const std::uint32_t at = part.first;
      if (spec.hasZ) return std::make_unique<OGRPoint>(layer.x[at], layer.y[at], layer.z[at]);
      return std::make_unique<OGRPoint>(layer.x[at], layer.y[at]);
    }
    case Shape::LineString:
      return curveOf<OGRLineString>(layer, part, spec.hasZ);
    case Shape::Polygon: {
      auto polygon = std::make_unique<OGRPolygon>();
      polygon->addRingDirectly(curveOf<OGRLinearRing>(layer, part, spec.hasZ).release());
      return polygon;
    }
    case Shape::Alignment:
      break;
  }
  if (!curves) return curveOf<OGRLineString>(layer, part, spec.hasZ);
  auto compound = std::make_unique<OGRCompoundCurve>();
  for (std::uint32_t i = first; i < end; ++i) {
    const Part& piece = layer.parts[i];
    std::unique_ptr<OGRSimpleCurve> curve;
    if (piece.arc)
      curve = curveOf<OGRCircularString>(layer, piece, spec.hasZ);
    else
      curve = curveOf<OGRLineString>(layer, piece, spec.hasZ);
    // Each piece starts at the vertex the one before ended on, so the pieces always join.
    compound->addCurveDirectly(curve.release());
  }
  return compound;
}

void fillFeature(const Layer& layer, std::size_t feature, bool curves, OGRFeature& out) {
  const std::size_t fields = layer.spec->fields.size();
  for (std::size_t i = 0; i < fields; ++i) {
    const int field = static_cast<int>(i);
    const Value& value = layer.value(feature, i);
    if (const auto* integer = std::get_if<std::int64_t>(&value))
      out.SetField(field, static_cast<GIntBig>(*integer));
    else if (const auto* real = std::get_if<double>(&value))
      out.SetField(field, *real);
    else if (const auto* text = std::get_if<std::string_view>(&value))
      out.SetField(field, std::string(*text).c_str());
    else
      out.SetFieldNull(field);
  }
  out.SetGeometryDirectly(featureGeometry(layer, feature, curves).release());
}

}  // namespace kestrel::gis
