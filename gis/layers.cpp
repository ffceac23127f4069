#include "gis/layers.h"

#include <cmath>
#include <initializer_list>
#include <optional>
#include <unordered_map>

#include "gis/plan/gis_plan.h"
#include "platform/drawing/object_data.h"

namespace kestrel::gis {

namespace {

using K = FieldKind;

enum LayerIndex { kPoints, kLots, kOpenLots, kRoutes, kAlignments, kElements, kResults };

// The columns of the object-data records every drawn entity has, then those of a layer.
std::vector<FieldSpec> recordFields(std::initializer_list<FieldSpec> more) {
  std::vector<FieldSpec> fields = {
      {"No", K::Integer}, {"Name", K::Text}, {"Type", K::Text}, {"FileName", K::Text}};
  fields.insert(fields.end(), more.begin(), more.end());
  return fields;
}

const std::string kLine = "line";
const std::string kCurve = "curve";
const std::string kSpiral = "spiral";

// Gaps between an alignment's entities up to this size are closed by moving the next one's start.
constexpr double kJoinTolerance = 0.001;

// A layer filled feature by feature and handed on whenever a batch is full.
class Batches {
 public:
  Batches(Layer& layer, std::size_t size, const TakeBatch& take)
      : layer_(layer), size_(size), take_(take) {}
  Layer& layer() { return layer_; }
  // Called after each feature.
  void featureDone() {
    if (layer_.featureCount() >= size_) handOn();
  }
  // Hands on what is left; false when the taker stopped.
  bool finish() {
    if (layer_.featureCount() > 0) handOn();
    return !stopped_;
  }

 private:
  void handOn() {
    if (!stopped_) stopped_ = !take_(layer_);
    layer_.clear();
  }

  Layer& layer_;
  std::size_t size_;
  const TakeBatch& take_;
  bool stopped_ = false;
};

void addRow(Layer& layer, std::initializer_list<Value> row) {
  layer.values.insert(layer.values.end(), row.begin(), row.end());
}

void addVertex(Layer& layer, double x, double y, double z) {
  layer.x.push_back(x);
  layer.y.push_back(y);
  layer.z.push_back(z);
}

void beginPart(Layer& layer, bool arc) {
  layer.parts.push_back({static_cast<std::uint32_t>(layer.x.size()), 0, arc});
}

void endPart(Layer& layer) {
  layer.parts.back().count = static_cast<std::uint32_t>(layer.x.size()) - layer.parts.back().first;
}

void endFeature(Layer& layer) {
  layer.firstPart.push_back(static_cast<std::uint32_t>(layer.parts.size()));
}

void addPointFeature(Layer& layer, double x, double y, double z) {
  beginPart(layer, false);
  addVertex(layer, x, y, z);
  endPart(layer);
  endFeature(layer);
}

Value optional(double value, bool present) { return present ? Value(value) : Value(); }

Value finiteOrNull(double value) { return optional(value, std::isfinite(value)); }

// An alignment's geometry as parts: line strings and, when curves are wanted, circular arcs. Each
// part starts where the one before it ended.
class AlignmentParts {
 public:
  AlignmentParts(Layer& layer, bool curves) : layer_(layer), curves_(curves) {}

  void add(const ovcivil::AlignmentEntity& entity) {
    const bool arc = curves_ && entity.kind == ovcivil::EntityKind::Curve && entity.length > 0.0 &&
                     entity.radius > 0.0;
    if (arc) {
      ovcivil::PlanPoint middle;
      double direction = 0.0;
      entity.evaluate(entity.length / 2.0, middle, direction);
      connect(entity.start);
      closeLine();
      beginPart(layer_, true);
      addVertex(layer_, lastX_, lastY_, 0.0);
      addVertex(layer_, middle.x, middle.y, 0.0);
      addVertex(layer_, entity.end.x, entity.end.y, 0.0);
      endPart(layer_);
      lastX_ = entity.end.x;
      lastY_ = entity.end.y;
      return;
    }
    const std::vector<ovcivil::PlanPoint> points = entity.polylinePoints(kChordError);
    connect(points.front());
    openLine();
    for (std::size_t i = 1; i < points.size(); ++i) addVertex(layer_, points[i].x, points[i].y, 0.0);
    lastX_ = points.back().x;
    lastY_ = points.back().y;
  }

  // Ends the feature.
  void finish() {
    closeLine();
    endFeature(layer_);
  }

 private:
  // Where the next piece starts: the previous end when it is that close (the ends of two entities
  // differ by rounding), else after a straight across the gap.
  void connect(ovcivil::PlanPoint start) {
    if (!started_) {
      lastX_ = start.x;
      lastY_ = start.y;
      started_ = true;
    } else if (std::hypot(start.x - lastX_, start.y - lastY_) > kJoinTolerance) {
      openLine();
      addVertex(layer_, start.x, start.y, 0.0);
      lastX_ = start.x;
      lastY_ = start.y;
    }
  }

  void openLine() {
    if (lineOpen_) return;
    beginPart(layer_, false);
    addVertex(layer_, lastX_, lastY_, 0.0);
    lineOpen_ = true;
  }

  void closeLine() {
    if (!lineOpen_) return;
    endPart(layer_);
    lineOpen_ = false;
    // A line of one vertex (entities of no length) is no line.
    if (layer_.parts.back().count < 2) {
      layer_.x.pop_back();
      layer_.y.pop_back();
      layer_.z.pop_back();
      layer_.parts.pop_back();
    }
  }

  Layer& layer_;
  bool curves_;
  bool started_ = false;
  bool lineOpen_ = false;
  double lastX_ = 0.0;
  double lastY_ = 0.0;
};

// The drawing's survey entities of one layer, told apart by their records.
class DrawingGatherer {
 public:
  DrawingGatherer(const SurveySource& source, LayerIndex wanted, Batches& batches)
      : source_(source),
        wanted_(wanted),
        batches_(batches),
        layer_(batches.layer()),
        tables_(source.drawing->objectDataTables()) {
    const module::SurveyPointTable& t = source.tables;
    pointTable_ = tables_.Table(t.table);
    polylineTable_ = tables_.Table(t.polylineTable);
    for (const OvMapODTable* table : {pointTable_, polylineTable_}) {
      if (table == nullptr) continue;
      const auto& d = table->definition;
      Columns columns{d.ColumnIndex(t.numberColumn), d.ColumnIndex(t.nameColumn),
                      d.ColumnIndex(t.typeColumn), d.ColumnIndex(t.fileNameColumn)};
      if (columns.number < 0 || columns.name < 0 || columns.type < 0 || columns.fileName < 0) continue;
      (table == pointTable_ ? pointColumns_ : polylineColumns_) = columns;
    }
    if (wanted == kResults && source.records != nullptr)
      for (const auto& placed : source.records->results)
        placements_.emplace(source.drawing->indexOf(OvDbObjectId(placed.entity)), &placed);
  }

  // The entities are read as the drawing stores them: none becomes an object here.
  void gather() {
    const OvDbDatabase& drawing = *source_.drawing;
    const bool points = wanted_ == kPoints || wanted_ == kResults;
    for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
      const OvDbStoredEntity entity = drawing.storedEntity(i);
      if (points && entity.kind == OvDbEntityKind::Point && pointColumns_.number >= 0) {
        if (const auto record = recordOf(i, pointTable_))
          if (addPoint(i, entity.position, *record)) batches_.featureDone();
      } else if (!points && entity.kind == OvDbEntityKind::Polyline &&
                 polylineColumns_.number >= 0) {
        if (const auto record = recordOf(i, polylineTable_))
          if (addPolyline(entity, *record)) batches_.featureDone();
      }
    }
  }

 private:
  struct Columns {
    int number = -1, name = -1, type = -1, fileName = -1;
  };

  std::optional<OvMapODRecordView> recordOf(std::size_t entity, const OvMapODTable* table) const {
    std::optional<OvMapODRecordView> found;
    tables_.forEachRecordOf(entity, [&](const OvMapODTable& of, const OvMapODRecordView& record) {
      if (!found && &of == table) found = record;
    });
    return found;
  }

  // The record's texts are views of the drawing's own, which outlives the layer.
  void addRecordValues(Layer& layer, const OvMapODRecordView& record, const Columns& c) {
    addRow(layer, {std::int64_t{record.Int32Value(c.number)}, record.TextValue(c.name),
                   record.TextValue(c.type), record.TextValue(c.fileName)});
  }

  // Each add gives whether the entity became a feature of the wanted layer.
  bool addPoint(std::size_t entity, const OvGePoint3d& p, const OvMapODRecordView& record) {
    const std::string_view type = record.TextValue(pointColumns_.type);
    const module::SurveyPointTable& t = source_.tables;
    if (type == t.coordinateType) {
      if (wanted_ != kPoints) return false;
      Layer& layer = layer_;
      addRecordValues(layer, record, pointColumns_);
      addRow(layer, {p.z});
      addPointFeature(layer, p.x, p.y, p.z);
      return true;
    } else if (type == t.verticalResultType || type == t.sectionResultType) {
      if (wanted_ != kResults) return false;
      Layer& layer = layer_;
      addRecordValues(layer, record, pointColumns_);
      const auto found = placements_.find(static_cast<std::ptrdiff_t>(entity));
      if (found == placements_.end()) {
        addRow(layer, {Value(), Value(), p.z, Value(), Value(), Value()});
      } else {
        const module::ResultPlacement& placed = *found->second;
        addRow(layer, {placed.station, placed.offset, p.z,
                       optional(placed.stakeHeadHeight.value_or(0.0), placed.stakeHeadHeight.has_value()),
                       placed.blockName, placed.alignmentName});
      }
      addPointFeature(layer, p.x, p.y, p.z);
      return true;
    }
    return false;
  }

  bool addPolyline(const OvDbStoredEntity& polyline, const OvMapODRecordView& record) {
    const auto& v = polyline.vertices;
    if (v.size() < 2) return false;
    const bool lot = record.TextValue(polylineColumns_.type) == source_.tables.lotType;
    // A closed lot is a polygon when its ring has three corners; its last vertex may repeat the first.
    const bool repeatsFirst = v.back().x == v.front().x && v.back().y == v.front().y;
    const std::size_t corners = v.size() - (repeatsFirst ? 1 : 0);
    const bool polygon = lot && polyline.closed && corners >= 3;
    if (wanted_ != (polygon ? kLots : lot ? kOpenLots : kRoutes)) return false;
    Layer& layer = layer_;
    addRecordValues(layer, record, polylineColumns_);
    beginPart(layer, false);
    const std::size_t count = polygon ? corners : v.size();
    for (std::size_t i = 0; i < count; ++i) addVertex(layer, v[i].x, v[i].y, polyline.elevation);
    if (polygon || (polyline.closed && !repeatsFirst))
      addVertex(layer, v.front().x, v.front().y, polyline.elevation);
    endPart(layer);
    endFeature(layer);
    return true;
  }

  const SurveySource& source_;
  LayerIndex wanted_;
  Batches& batches_;
  Layer& layer_;
  const OvMapODTables& tables_;
  const OvMapODTable* pointTable_ = nullptr;
  const OvMapODTable* polylineTable_ = nullptr;
  Columns pointColumns_;
  Columns polylineColumns_;
  std::unordered_map<std::ptrdiff_t, const module::ResultPlacement*> placements_;  // by position
};

void gatherPointsWithoutElevation(const SurveySource& source, Batches& batches) {
  if (source.records == nullptr) return;
  Layer& layer = batches.layer();
  for (const auto& point : source.records->pointsWithoutElevation) {
    addRow(layer, {std::int64_t{point.number}, point.name, source.tables.coordinateType,
                   source.fileName, Value()});
    addPointFeature(layer, point.east, point.north, 0.0);
    batches.featureDone();
  }
}

// The alignments (`elements` false) or their elements, one feature each.
void gatherAlignments(const SurveySource& source, bool curves, bool elements, Batches& batches) {
  Layer& layer = batches.layer();
  for (const ovcivil::Site& site : source.civil->sites()) {
    for (const ovcivil::Alignment& alignment : site.alignments) {
      if (alignment.entities.empty()) continue;
      if (!elements) {
        addRow(layer, {alignment.name, site.name, alignment.length(), alignment.startingStation,
                       std::int64_t(alignment.entities.size())});
        AlignmentParts whole(layer, curves);
        for (const ovcivil::AlignmentEntity& entity : alignment.entities) whole.add(entity);
        whole.finish();
        batches.featureDone();
        continue;
      }
      double station = alignment.startingStation;
      std::int64_t sequence = 0;
      for (const ovcivil::AlignmentEntity& entity : alignment.entities) {
        Value startRadius, endRadius, parameter;
        if (entity.kind == ovcivil::EntityKind::Curve) {
          startRadius = endRadius = entity.radius;
        } else if (entity.kind == ovcivil::EntityKind::Spiral) {
          startRadius = finiteOrNull(entity.startRadius);
          endRadius = finiteOrNull(entity.endRadius);
          // A² = L / |Δk|: the clothoid's curvature changes by 1/A² per metre.
          const double change = std::abs(entity.endCurvature - entity.startCurvature);
          parameter = optional(std::sqrt(entity.length / change), change > 0.0);
        }
        const std::string& kind = entity.kind == ovcivil::EntityKind::Line    ? kLine
                                  : entity.kind == ovcivil::EntityKind::Curve ? kCurve
                                                                              : kSpiral;
        addRow(layer, {alignment.name, ++sequence, kind, entity.length, startRadius, endRadius,
                       parameter, station, station + entity.length});
        station += entity.length;
        AlignmentParts own(layer, curves);
        own.add(entity);
        own.finish();
        batches.featureDone();
      }
    }
  }
}

}  // namespace

// Named as the host knows them before GDAL is loaded.
const std::vector<LayerSpec>& layerSpecs() {
  static const std::vector<LayerSpec> specs = {
      {kLayerNames[0], Shape::Point, true, recordFields({{"Elevation", K::Real}})},
      {kLayerNames[1], Shape::Polygon, false, recordFields({})},
      {kLayerNames[2], Shape::LineString, false, recordFields({})},
      {kLayerNames[3], Shape::LineString, true, recordFields({})},
      {kLayerNames[4], Shape::Alignment, false,
       {{"Name", K::Text}, {"Site", K::Text}, {"Length", K::Real}, {"StartSta", K::Real},
        {"Elements", K::Integer}}},
      {kLayerNames[5], Shape::Alignment, false,
       {{"Alignment", K::Text}, {"Seq", K::Integer}, {"Kind", K::Text}, {"Length", K::Real},
        {"StartRad", K::Real}, {"EndRad", K::Real}, {"A", K::Real}, {"StartSta", K::Real},
        {"EndSta", K::Real}}},
      {kLayerNames[6], Shape::Point, true,
       recordFields({{"Station", K::Real}, {"Offset", K::Real}, {"Elevation", K::Real},
                     {"StakeHead", K::Real}, {"Block", K::Text}, {"Alignment", K::Text}})},
  };
  return specs;
}

void Layer::clear() {
  values.clear();
  firstPart.assign(1, 0);
  parts.clear();
  x.clear();
  y.clear();
  z.clear();
}

bool gatherLayer(const SurveySource& source, std::size_t index, bool curves, std::size_t batchSize,
                 const TakeBatch& take) {
  Layer layer;
  layer.spec = &layerSpecs().at(index);
  Batches batches(layer, batchSize, take);
  const auto wanted = static_cast<LayerIndex>(index);
  switch (wanted) {
    case kAlignments:
    case kElements:
      if (source.civil != nullptr) gatherAlignments(source, curves, wanted == kElements, batches);
      break;
    default:
      if (source.drawing != nullptr) DrawingGatherer(source, wanted, batches).gather();
      if (wanted == kPoints) gatherPointsWithoutElevation(source, batches);
      break;
  }
  return batches.finish();
}

std::vector<Layer> gatherLayers(const SurveySource& source, bool curves) {
  std::vector<Layer> layers;
  for (std::size_t i = 0; i < layerSpecs().size(); ++i) {
    Layer whole;
    whole.spec = &layerSpecs()[i];
    gatherLayer(source, i, curves, SIZE_MAX, [&whole](Layer& batch) {
      whole = std::move(batch);  // one batch: the whole layer
      return true;
    });
    if (whole.featureCount() > 0) layers.push_back(std::move(whole));
  }
  return layers;
}

}  // namespace kestrel::gis
