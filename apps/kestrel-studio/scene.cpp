#include "apps/kestrel-studio/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_groups.h"

namespace kestrel::studio {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// The object-data columns a survey point carries its number and name in.
constexpr const char* kNumberColumn = "No";
constexpr const char* kNameColumn = "Name";

double normalized(double angle) {
  angle = std::fmod(angle, kTwoPi);
  return angle < 0.0 ? angle + kTwoPi : angle;
}

QRectF boxOf(const std::vector<QPointF>& points) {
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (const QPointF& p : points) {
    minX = std::min(minX, p.x());
    minY = std::min(minY, p.y());
    maxX = std::max(maxX, p.x());
    maxY = std::max(maxY, p.y());
  }
  if (minX > maxX) return {};
  return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

// An arc's box: its ends and every quarter point of the circle that its sweep passes.
QRectF arcBox(const Shape& arc) {
  const QPointF c = arc.points.front();
  auto at = [&](double angle) {
    return QPointF(c.x() + arc.radius * std::cos(angle), c.y() + arc.radius * std::sin(angle));
  };
  std::vector<QPointF> extremes{at(arc.startAngle), at(arc.startAngle + arc.sweep)};
  for (int quarter = 0; quarter < 4; ++quarter) {
    const double angle = quarter * std::numbers::pi / 2.0;
    if (normalized(angle - arc.startAngle) <= arc.sweep) extremes.push_back(at(angle));
  }
  return boxOf(extremes);
}

void finish(Shape& shape) {
  shape.bounds = shape.kind == Shape::Kind::Arc ? arcBox(shape) : boxOf(shape.points);
}

Shape arcShape(QPointF centre, double radius, double startAngle, double sweep) {
  Shape arc;
  arc.kind = Shape::Kind::Arc;
  arc.points = {centre};
  arc.radius = radius;
  arc.startAngle = normalized(startAngle);
  arc.sweep = sweep;
  return arc;
}

// The sweep of an arc given by its start and end angles, counter-clockwise; equal angles make a
// whole circle.
double sweepBetween(double startAngle, double endAngle) {
  const double sweep = normalized(endAngle - startAngle);
  return sweep == 0.0 ? kTwoPi : sweep;
}

// An entity kept as the DXF file wrote it: the plain kinds are read back from its groups.
bool rawShape(const OvDbRawEntity& entity, Shape& shape) {
  const std::string& type = entity.typeName;
  const bool point = type == "POINT", arc = type == "ARC", circle = type == "CIRCLE";
  if (!point && !arc && !circle && type != "LWPOLYLINE" && type != "LINE") return false;
  double x = 0.0, radius = 0.0, startDegrees = 0.0, endDegrees = 360.0;
  std::vector<QPointF> points;
  for (const auto& group : dxfGroupsOf(entity)) {
    const double value = std::atof(group.value.c_str());
    if (group.code == 10 || group.code == 11) x = value;
    if (group.code == 20 || group.code == 21) points.emplace_back(x, value);
    if (group.code == 30 && point) shape.elevation = value;
    if (group.code == 40) radius = value;
    if (group.code == 50) startDegrees = value;
    if (group.code == 51) endDegrees = value;
    if (group.code == 70 && type == "LWPOLYLINE") shape.closed = (static_cast<int>(value) & 1) != 0;
  }
  if (points.empty()) return false;
  if (arc || circle) {
    const double start = startDegrees * std::numbers::pi / 180.0;
    const double sweep =
        circle ? kTwoPi : sweepBetween(start, endDegrees * std::numbers::pi / 180.0);
    const Shape made = arcShape(points.front(), radius, start, sweep);
    shape.kind = made.kind;
    shape.points = made.points;
    shape.radius = made.radius;
    shape.startAngle = made.startAngle;
    shape.sweep = made.sweep;
    return true;
  }
  shape.kind = point ? Shape::Kind::Marker : Shape::Kind::Path;
  if (point) points.resize(1);
  shape.points = std::move(points);
  return true;
}

bool entityShape(const OvDbEntity& entity, Shape& shape) {
  switch (entity.kind()) {
    case OvDbEntityKind::Point: {
      const auto& p = static_cast<const OvDbPoint&>(entity).position;
      shape.kind = Shape::Kind::Marker;
      shape.points = {QPointF(p.x, p.y)};
      shape.elevation = p.z;
      return true;
    }
    case OvDbEntityKind::Polyline2d:
      for (const auto& v : static_cast<const OvDb2dPolyline&>(entity).vertices)
        shape.points.emplace_back(v.x, v.y);
      return !shape.points.empty();
    case OvDbEntityKind::Polyline: {
      const auto& polyline = static_cast<const OvDbPolyline&>(entity);
      for (const auto& v : polyline.vertices) shape.points.emplace_back(v.x, v.y);
      shape.closed = polyline.closed;
      return !shape.points.empty();
    }
    case OvDbEntityKind::Line: {
      const auto& line = static_cast<const OvDbLine&>(entity);
      shape.points = {QPointF(line.start.x, line.start.y), QPointF(line.end.x, line.end.y)};
      return true;
    }
    case OvDbEntityKind::Arc: {
      const auto& arc = static_cast<const OvDbArc&>(entity);
      const Shape made = arcShape(QPointF(arc.center.x, arc.center.y), arc.radius, arc.startAngle,
                                  sweepBetween(arc.startAngle, arc.endAngle));
      shape.kind = made.kind;
      shape.points = made.points;
      shape.radius = made.radius;
      shape.startAngle = made.startAngle;
      shape.sweep = made.sweep;
      return true;
    }
    case OvDbEntityKind::Raw:
      return rawShape(static_cast<const OvDbRawEntity&>(entity), shape);
  }
  return false;
}

QString utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A survey point's number and name, from the first of its records that has them.
void takeLabels(const OvDbDatabase& drawing, std::size_t index, Shape& marker) {
  drawing.objectDataTables().forEachRecordOf(
      index, [&](const OvMapODTable& table, const OvMapODRecordView& record) {
        const int nameAt = table.definition.ColumnIndex(kNameColumn);
        const int numberAt = table.definition.ColumnIndex(kNumberColumn);
        if (!marker.name.isEmpty() || nameAt < 0 || nameAt >= record.Count()) return;
        marker.name = utf8(record.TextValue(nameAt));
        if (numberAt >= 0 && numberAt < record.Count()) {
          marker.number = record.Type(numberAt) == OvMapDataType::Character
                              ? utf8(record.TextValue(numberAt))
                              : QString::number(record.Int32Value(numberAt));
        }
      });
}

// The pieces of an alignment: straights as paths, curves as arcs, spirals by points a metre or
// less apart.
void addAlignment(const ovcivil::Alignment& alignment, std::vector<Shape>& shapes) {
  for (const auto& entity : alignment.entities) {
    Shape shape;
    switch (entity.kind) {
      case ovcivil::EntityKind::Line:
        shape.points = {QPointF(entity.start.x, entity.start.y),
                        QPointF(entity.end.x, entity.end.y)};
        break;
      case ovcivil::EntityKind::Curve: {
        const double startPolar =
            std::atan2(entity.start.y - entity.centre.y, entity.start.x - entity.centre.x);
        const double sweep = entity.length / entity.radius;
        // Counter-clockwise from whichever end comes first that way round.
        shape = arcShape(QPointF(entity.centre.x, entity.centre.y), entity.radius,
                         entity.turnsLeft ? startPolar : startPolar - sweep, sweep);
        break;
      }
      case ovcivil::EntityKind::Spiral: {
        const int pieces = std::clamp(static_cast<int>(std::ceil(entity.length)), 8, 4000);
        std::vector<double> alongs;
        for (int k = 0; k <= pieces; ++k) alongs.push_back(entity.length * k / pieces);
        for (const auto& p : entity.samplePoints(alongs)) shape.points.emplace_back(p.x, p.y);
        break;
      }
    }
    shape.alignment = &alignment;
    finish(shape);
    shapes.push_back(std::move(shape));
  }
}

double segmentDistance(QPointF p, QPointF a, QPointF b) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double lengthSquared = dx * dx + dy * dy;
  double t =
      lengthSquared > 0.0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / lengthSquared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x() - (a.x() + t * dx), p.y() - (a.y() + t * dy));
}

}  // namespace

void Scene::rebuild(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil) {
  shapes_.clear();
  if (drawing != nullptr) {
    shapes_.reserve(drawing->entityCount());
    for (std::size_t i = 0; i < drawing->entityCount(); ++i) {
      const OvDbEntity& entity = drawing->entityAt(i);
      Shape shape;
      if (!entityShape(entity, shape)) continue;
      shape.layer = QString::fromStdString(entity.layer());
      shape.layerIndex = entity.layerIndex();
      shape.entityIndex = i;
      if (shape.kind == Shape::Kind::Marker) takeLabels(*drawing, i, shape);
      finish(shape);
      shapes_.push_back(std::move(shape));
    }
  }
  if (civil != nullptr)
    for (const auto& site : civil->sites())
      for (const auto& alignment : site.alignments) addAlignment(alignment, shapes_);
}

QRectF Scene::extents(const Filter& shown) const {
  QRectF box;
  bool any = false;
  for (const Shape& shape : shapes_) {
    if (!shown(shape) || !std::isfinite(shape.bounds.left()) ||
        !std::isfinite(shape.bounds.bottom()))
      continue;
    // A single point has an empty box, which united() would drop.
    box = any ? QRectF(QPointF(std::min(box.left(), shape.bounds.left()),
                               std::min(box.top(), shape.bounds.top())),
                       QPointF(std::max(box.right(), shape.bounds.right()),
                               std::max(box.bottom(), shape.bounds.bottom())))
              : shape.bounds;
    any = true;
  }
  return box;
}

const Shape* Scene::pick(QPointF at, double reach, const Filter& shown) const {
  const Shape* best = nullptr;
  int bestRank = 3;
  double bestDistance = INFINITY;
  for (const Shape& shape : shapes_) {
    if (!shown(shape) || !shape.bounds.adjusted(-reach, -reach, reach, reach).contains(at))
      continue;
    const double d = distanceTo(shape, at);
    if (d > reach) continue;
    const int rank = shape.kind == Shape::Kind::Marker ? 0 : shape.alignment != nullptr ? 1 : 2;
    if (rank < bestRank || (rank == bestRank && d < bestDistance)) {
      best = &shape;
      bestRank = rank;
      bestDistance = d;
    }
  }
  return best;
}

double distanceTo(const Shape& shape, QPointF at) {
  switch (shape.kind) {
    case Shape::Kind::Marker:
      return std::hypot(at.x() - shape.points[0].x(), at.y() - shape.points[0].y());
    case Shape::Kind::Path: {
      const auto& p = shape.points;
      double d = p.size() == 1 ? segmentDistance(at, p[0], p[0]) : INFINITY;
      for (std::size_t i = 1; i < p.size(); ++i)
        d = std::min(d, segmentDistance(at, p[i - 1], p[i]));
      if (shape.closed && p.size() > 2) d = std::min(d, segmentDistance(at, p.back(), p.front()));
      return d;
    }
    case Shape::Kind::Arc: {
      const QPointF c = shape.points[0];
      const double angle = std::atan2(at.y() - c.y(), at.x() - c.x());
      if (normalized(angle - shape.startAngle) <= shape.sweep)
        return std::abs(std::hypot(at.x() - c.x(), at.y() - c.y()) - shape.radius);
      const std::vector<QPointF> ends = arcPoints(shape, shape.sweep);
      return std::min(std::hypot(at.x() - ends.front().x(), at.y() - ends.front().y()),
                      std::hypot(at.x() - ends.back().x(), at.y() - ends.back().y()));
    }
  }
  return INFINITY;
}

std::vector<QPointF> arcPoints(const Shape& arc, double step) {
  const int pieces =
      std::clamp(static_cast<int>(std::ceil(arc.sweep / std::max(step, 1e-9))), 1, 8192);
  std::vector<QPointF> points;
  points.reserve(static_cast<std::size_t>(pieces) + 1);
  const QPointF c = arc.points[0];
  for (int k = 0; k <= pieces; ++k) {
    const double angle = arc.startAngle + arc.sweep * k / pieces;
    points.emplace_back(c.x() + arc.radius * std::cos(angle), c.y() + arc.radius * std::sin(angle));
  }
  return points;
}

}  // namespace kestrel::studio
