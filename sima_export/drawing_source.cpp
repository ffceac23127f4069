#include "sima_export/drawing_source.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_groups.h"
#include "sima_export/point_index.h"
#include "sima_export/sima_writer.h"

namespace kestrel::sima_export {

namespace {

struct Vertex {
  double x = 0.0;  // east
  double y = 0.0;  // north
  double z = 0.0;
};

// What an entity is to the export: a point, a polyline, or neither.
struct Shape {
  enum class Kind { None, Point, Polyline } kind = Kind::None;
  std::vector<Vertex> vertices;
  bool closed = false;
  bool bulges = false;  // arc segments (written by their vertices)
};

double groupNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) return std::numeric_limits<double>::infinity();
  return parsed.ec == std::errc() ? value : 0.0;
}

// An entity a DXF file gave, read from its groups: POINT, LWPOLYLINE, and POLYLINE with its
// VERTEX followers (polygon and polyface meshes are no boundaries). A polyline drawn with the
// extrusion (0, 0, −1) has its x mirrored, as its object coordinates are.
Shape rawShape(const OvDbRawEntity& entity) {
  Shape shape;
  const std::string& type = entity.typeName;
  const bool point = type == "POINT", light = type == "LWPOLYLINE", heavy = type == "POLYLINE";
  if (!point && !light && !heavy) return shape;
  bool own = true, inVertex = false, mirrored = false;
  int flags = 0;
  double elevation = 0.0;
  Vertex at;
  for (const DxfGroupView& group : parseDxfGroups(entity.fileText)) {
    if (group.code == 0 && !(own && group.value == type)) {
      own = false;
      inVertex = group.value == "VERTEX";
      if (inVertex) shape.vertices.push_back({});
      continue;
    }
    const double value = groupNumber(group.value);
    if (own) {
      if (group.code == 70) flags = static_cast<int>(value);
      if (group.code == 38 || (heavy && group.code == 30)) elevation = value;
      if (group.code == 230) mirrored = value < 0.0;
      if (group.code == 42 && value != 0.0) shape.bulges = true;
      if (group.code == 10) at.x = value;
      if (group.code == 20) at.y = value;
      if (group.code == 30) at.z = value;
      if (light && group.code == 20) shape.vertices.push_back(at);
    } else if (inVertex) {
      Vertex& vertex = shape.vertices.back();
      if (group.code == 10) vertex.x = value;
      if (group.code == 20) vertex.y = value;
      if (group.code == 30) vertex.z = value;
      if (group.code == 42 && value != 0.0) shape.bulges = true;
    }
  }
  if (point) {
    shape.kind = Shape::Kind::Point;
    shape.vertices = {at};
    return shape;
  }
  if (heavy && (flags & (16 | 64)) != 0) return shape;  // a mesh
  shape.kind = Shape::Kind::Polyline;
  shape.closed = (flags & 1) != 0;
  for (Vertex& vertex : shape.vertices) {
    if (mirrored) vertex.x = -vertex.x;
    if (light) vertex.z = elevation;
  }
  return shape;
}

Shape shapeOf(const OvDbEntity& entity) {
  Shape shape;
  switch (entity.kind()) {
    case OvDbEntityKind::Point: {
      const OvGePoint3d& p = static_cast<const OvDbPoint&>(entity).position;
      shape.kind = Shape::Kind::Point;
      shape.vertices = {{p.x, p.y, p.z}};
      break;
    }
    case OvDbEntityKind::Polyline: {
      const auto& polyline = static_cast<const OvDbPolyline&>(entity);
      shape.kind = Shape::Kind::Polyline;
      shape.closed = polyline.closed;
      for (const auto& v : polyline.vertices)
        shape.vertices.push_back({v.x, v.y, polyline.elevation});
      break;
    }
    case OvDbEntityKind::Polyline2d:
      shape.kind = Shape::Kind::Polyline;
      for (const auto& v : static_cast<const OvDb2dPolyline&>(entity).vertices)
        shape.vertices.push_back({v.x, v.y, v.z});
      break;
    case OvDbEntityKind::Raw:
      return rawShape(static_cast<const OvDbRawEntity&>(entity));
    default:
      break;
  }
  return shape;
}

bool finite(const Shape& shape) {
  return std::all_of(shape.vertices.begin(), shape.vertices.end(), [](const Vertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
  });
}

// A record of ours: its table's columns, the values of an entity's record.
struct Columns {
  const OvMapODTable* table = nullptr;
  int number = -1, name = -1, type = -1;

  Columns(const OvMapODTables& tables, const std::string& tableName,
          const module::SurveyPointTable& names) {
    table = tables.Table(tableName);
    if (table == nullptr) return;
    number = table->definition.ColumnIndex(names.numberColumn);
    name = table->definition.ColumnIndex(names.nameColumn);
    type = table->definition.ColumnIndex(names.typeColumn);
    if (number < 0 || name < 0 || type < 0) table = nullptr;
  }
};

struct Record {
  bool found = false;
  int32_t number = 0;
  std::string name;
  std::string type;
};

Record recordOf(const OvMapODTables& tables, std::size_t index, const Columns& columns) {
  Record found;
  if (columns.table == nullptr) return found;
  tables.forEachRecordOf(index, [&](const OvMapODTable& table, const OvMapODRecordView& record) {
    if (found.found || &table != columns.table) return;
    found = {true, record.Int32Value(columns.number), std::string(record.TextValue(columns.name)),
             std::string(record.TextValue(columns.type))};
  });
  return found;
}

struct FoundLot {
  bool ours = false;
  int32_t number = 0;
  std::string name;
  Shape shape;
};

std::string handleText(const OvDbEntity& entity) {
  return dxfHandleText(entity.handle());
}

}  // namespace

void addDrawing(const OvDbDatabase& drawing, const DrawingOptions& options, SimaData& data,
                Findings& findings) {
  const OvMapODTables& tables = drawing.objectDataTables();
  const Columns pointColumns(tables, options.tables.table, options.tables);
  const Columns lotColumns(tables, options.tables.polylineTable, options.tables);
  PointIndex index(data);

  struct OwnPoint {
    Record record;
    Vertex at;
    const OvDbEntity* entity;
  };
  std::vector<OwnPoint> ownPoints;
  std::vector<Vertex> otherPoints;
  std::vector<FoundLot> lots;
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    const OvDbEntity& entity = drawing.entityAt(i);
    Shape shape = shapeOf(entity);
    if (shape.kind == Shape::Kind::None) continue;
    const bool point = shape.kind == Shape::Kind::Point;
    Record record = recordOf(tables, i, point ? pointColumns : lotColumns);
    const std::string& wanted = point ? options.tables.coordinateType : options.tables.lotType;
    if (record.found && record.type != wanted) continue;  // ours, but no coordinate point or lot
    if (!record.found && !(options.allEntities && (point || shape.closed))) continue;
    if (!finite(shape)) {
      findings.warn(Finding::EntityNotFinite, {handleText(entity)});
      continue;
    }
    if (point && record.found)
      ownPoints.push_back({std::move(record), shape.vertices[0], &entity});
    else if (point)
      otherPoints.push_back(shape.vertices[0]);
    else
      lots.push_back({record.found, record.number, std::move(record.name), std::move(shape)});
  }

  index.reserve(data.points.size() + ownPoints.size() + otherPoints.size());
  // Our points keep their numbers; one that repeats an earlier number (a copied entity) or is
  // negative gets a new one once every kept number is known.
  std::vector<const OwnPoint*> renumbered;
  for (const OwnPoint& own : ownPoints) {
    if (own.record.number < 0 || index.hasNumber(own.record.number)) {
      renumbered.push_back(&own);
      continue;
    }
    index.add({own.record.number, own.record.name, own.at.y, own.at.x, own.at.z});
  }
  auto addNew = [&](const std::string& name, const Vertex& at, std::optional<double> elevation,
                    int32_t& number) {
    if (!index.takeNumber(number)) {
      findings.refuse(Finding::NoPointNumberLeft);
      return false;
    }
    index.add({number, name.empty() ? "P" + std::to_string(number) : name, at.y, at.x, elevation});
    return true;
  };
  for (const OwnPoint* own : renumbered) {
    int32_t number = 0;
    if (!addNew(own->record.name, own->at, own->at.z, number)) return;
    findings.warn(Finding::PointRenumbered, {std::to_string(own->record.number), own->record.name,
                                             handleText(*own->entity), std::to_string(number)});
  }
  for (const Vertex& at : otherPoints) {
    int32_t number = 0;
    if (!addNew({}, at, at.z, number)) return;
  }

  int64_t highestLot = 0;
  for (const Lot& lot : data.lots) highestLot = std::max<int64_t>(highestLot, lot.number);
  for (const FoundLot& found : lots)
    if (found.ours) highestLot = std::max<int64_t>(highestLot, found.number);
  for (FoundLot& found : lots) {
    Lot lot;
    lot.closed = found.ours ? found.shape.closed : true;
    if (found.ours) {
      lot.number = found.number;
      lot.name = std::move(found.name);
    } else {
      lot.number = static_cast<int32_t>(std::min<int64_t>(++highestLot, INT32_MAX));
      lot.name = "L" + std::to_string(lot.number);
    }
    if (found.shape.bulges)
      findings.warn(Finding::ArcSegments, {std::to_string(lot.number), lot.name});
    for (std::size_t v = 0; v < found.shape.vertices.size(); ++v) {
      const Vertex& at = found.shape.vertices[v];
      const std::ptrdiff_t near = index.nearest(at.y, at.x, options.tolerance);
      if (near >= 0) {
        lot.vertices.push_back(data.points[static_cast<std::size_t>(near)].number);
        continue;
      }
      int32_t number = 0;
      if (!addNew({}, at, std::nullopt, number)) return;
      ++findings.pointsAdded;
      lot.vertices.push_back(number);
      if (found.ours)
        findings.warn(Finding::PointAdded,
                      {std::to_string(lot.number), lot.name, std::to_string(v + 1),
                       numberText(at.y, std::nullopt), numberText(at.x, std::nullopt),
                       numberText(options.tolerance, std::nullopt), std::to_string(number)});
    }
    data.lots.push_back(std::move(lot));
  }
}

}  // namespace kestrel::sima_export
