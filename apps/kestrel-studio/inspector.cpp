#include "apps/kestrel-studio/inspector.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <cmath>

#include "apps/kestrel-studio/scene.h"
#include "apps/kestrel-studio/studio_texts.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"

namespace kestrel::studio {

namespace {

QString metres(double value) {
  return QString::number(value, 'f', 3);
}

QString radiusText(double radius) {
  return std::isinf(radius) ? QStringLiteral("∞") : metres(radius);
}

// A plan point in the survey convention: X northing, Y easting.
QString surveyPoint(QPointF p) {
  return QStringLiteral("X %1  Y %2").arg(metres(p.y()), metres(p.x()));
}

QTreeWidgetItem* row(QTreeWidgetItem* parent, const QString& field, const QString& value = {}) {
  return new QTreeWidgetItem(parent, {field, value});
}

QString valueText(const OvMapValue& value) {
  switch (value.Type()) {
    case OvMapDataType::Integer:
      return QString::number(value.Int32Value());
    case OvMapDataType::Real:
      return QString::number(value.DoubleValue(), 'g', 15);
    case OvMapDataType::Character:
      return QString::fromStdString(value.StrValue());
  }
  return {};
}

QString kindOf(const OvDbEntity& entity, const StudioTexts& t) {
  switch (entity.kind()) {
    case OvDbEntityKind::Point:
      return tx(t.point);
    case OvDbEntityKind::Polyline2d:
    case OvDbEntityKind::Polyline:
      return tx(t.polyline);
    case OvDbEntityKind::Line:
      return tx(t.line);
    case OvDbEntityKind::Arc:
      return tx(t.arc);
    case OvDbEntityKind::Raw:
      return QString::fromStdString(static_cast<const OvDbRawEntity&>(entity).typeName);
  }
  return {};
}

void geometryRows(QTreeWidgetItem* root, const Shape& shape, const StudioTexts& t) {
  switch (shape.kind) {
    case Shape::Kind::Marker: {
      const QPointF p = shape.points[0];
      row(root, "X", metres(p.y()));
      row(root, "Y", metres(p.x()));
      row(root, "Z", metres(shape.elevation));
      return;
    }
    case Shape::Kind::Path: {
      double length = 0.0;
      for (std::size_t i = 1; i < shape.points.size(); ++i)
        length += std::hypot(shape.points[i].x() - shape.points[i - 1].x(),
                             shape.points[i].y() - shape.points[i - 1].y());
      if (shape.closed && shape.points.size() > 2)
        length += std::hypot(shape.points.front().x() - shape.points.back().x(),
                             shape.points.front().y() - shape.points.back().y());
      row(root, tx(t.length), metres(length));
      row(root, tx(t.closed), tx(shape.closed ? t.yes : t.no));
      QTreeWidgetItem* vertices = row(root, tx(t.vertices), QString::number(shape.points.size()));
      for (std::size_t i = 0; i < shape.points.size(); ++i)
        row(vertices, QString::number(i + 1), surveyPoint(shape.points[i]));
      return;
    }
    case Shape::Kind::Arc: {
      const std::vector<QPointF> ends = arcPoints(shape, shape.sweep);
      row(root, tx(t.centre), surveyPoint(shape.points[0]));
      row(root, tx(t.radius), metres(shape.radius));
      row(root, tx(t.length), metres(shape.radius * shape.sweep));
      row(root, tx(t.start), surveyPoint(ends.front()));
      row(root, tx(t.end), surveyPoint(ends.back()));
      return;
    }
  }
}

void entityRows(QTreeWidget& tree, const Shape& shape, const OvDbDatabase& drawing,
                const StudioTexts& t) {
  const OvDbEntity& entity = drawing.entityAt(shape.entityIndex);
  auto* root = new QTreeWidgetItem(&tree, {tx(t.kind), kindOf(entity, t)});
  row(root, tx(t.layer), QString::fromStdString(entity.layer()));
  row(root, tx(t.handle), QString::number(entity.handle(), 16).toUpper());
  geometryRows(root, shape, t);
  drawing.objectDataTables().forEachRecordOf(
      shape.entityIndex, [&](const OvMapODTable& table, const OvMapODRecordView& record) {
        QTreeWidgetItem* records = row(root, tx(t.objectData), QString::fromStdString(table.name));
        for (int i = 0; i < record.Count() && i < table.definition.Count(); ++i)
          row(records, QString::fromStdString(table.definition.Column(i).Name()),
              valueText(record.Value(i)));
      });
  for (const OvDbXData& data : entity.xdata()) {
    QStringList values;
    for (const auto& value : data.values) values << QString::fromStdString(value);
    row(root, tx(t.extendedData) + " " + QString::fromStdString(data.applicationName),
        values.join(", "));
  }
}

void alignmentRows(QTreeWidget& tree, const ovcivil::Alignment& alignment, const StudioTexts& t) {
  auto* root = new QTreeWidgetItem(&tree, {tx(t.kind), tx(t.alignment)});
  row(root, tx(t.name), QString::fromStdString(alignment.name));
  row(root, tx(t.startStation), metres(alignment.startingStation));
  row(root, tx(t.endStation), metres(alignment.startingStation + alignment.length()));
  row(root, tx(t.length), metres(alignment.length()));
  QTreeWidgetItem* elements = row(root, tx(t.elements), QString::number(alignment.entities.size()));
  double station = alignment.startingStation;
  int number = 0;
  for (const auto& entity : alignment.entities) {
    const char* kind = entity.kind == ovcivil::EntityKind::Line    ? t.straight
                       : entity.kind == ovcivil::EntityKind::Curve ? t.curve
                                                                   : t.clothoid;
    QTreeWidgetItem* element = row(elements, QString::number(++number), tx(kind));
    row(element, tx(t.startStation), metres(station));
    row(element, tx(t.length), metres(entity.length));
    if (entity.kind == ovcivil::EntityKind::Curve) row(element, "R", metres(entity.radius));
    if (entity.kind == ovcivil::EntityKind::Spiral) {
      row(element, "R", radiusText(entity.startRadius) + " → " + radiusText(entity.endRadius));
      // A² = L / |1/R₂ − 1/R₁|: the clothoid's parameter from its length and end curvatures.
      const double change = std::abs(entity.endCurvature - entity.startCurvature);
      if (change > 0.0) row(element, "A", metres(std::sqrt(entity.length / change)));
    }
    if (entity.kind != ovcivil::EntityKind::Line)
      row(element, tx(t.turn), tx(entity.turnsLeft ? t.left : t.right));
    station += entity.length;
  }
}

}  // namespace

void showInInspector(QTreeWidget& tree, const Shape* shape, const OvDbDatabase* drawing) {
  tree.clear();
  if (shape == nullptr) return;
  const StudioTexts& t = studioTexts();
  if (shape->alignment != nullptr)
    alignmentRows(tree, *shape->alignment, t);
  else if (drawing != nullptr && shape->entityIndex < drawing->entityCount())
    entityRows(tree, *shape, *drawing, t);
  tree.expandAll();
  tree.resizeColumnToContents(0);
}

}  // namespace kestrel::studio
