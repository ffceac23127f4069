#include "apps/kestrel/cogo_points.h"

namespace kestrel::cli {

DrawingCogoPoints::DrawingCogoPoints(const OvDbDatabase& drawing,
                                     const module::SurveyPointTable& source)
    : drawing_(drawing) {
  const auto& tables = drawing.objectDataTables();
  const OvMapODTable* table = tables.Table(source.table);
  if (table == nullptr) return;
  number_ = table->definition.ColumnIndex(source.numberColumn);
  name_ = table->definition.ColumnIndex(source.nameColumn);
  const int type = table->definition.ColumnIndex(source.typeColumn);
  if (number_ < 0 || name_ < 0 || type < 0) return;
  points_.reserve(table->recordCount);  // at most one point a record, without growing twice over
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    if (drawing.kindAt(i) != OvDbEntityKind::Point) continue;
    bool found = false;
    tables.forEachRecordOf(i, [&](const OvMapODTable& of, const OvMapODRecordView& record) {
      if (found || &of != table || record.TextValue(type) != source.coordinateType) return;
      points_.push_back(Point{static_cast<std::uint32_t>(i), record});
      found = true;
    });
  }
}

ovcivil::CogoPointView DrawingCogoPoints::at(std::size_t i) const {
  const Point& point = points_[i];
  const OvGePoint3d position = drawing_.storedEntity(point.entity).position;
  return {point.record.Int32Value(number_), point.record.TextValue(name_), position.x, position.y,
          position.z};
}

DrawingLots::DrawingLots(const OvDbDatabase& drawing, const module::SurveyPointTable& source)
    : drawing_(drawing) {
  const auto& tables = drawing.objectDataTables();
  const OvMapODTable* table = tables.Table(source.polylineTable);
  if (table == nullptr) return;
  const std::string* names[4] = {&source.numberColumn, &source.nameColumn, &source.typeColumn,
                                 &source.fileNameColumn};
  for (int k = 0; k < 4; ++k) {
    columns_[k] = table->definition.ColumnIndex(*names[k]);
    if (columns_[k] < 0) return;
  }
  lots_.reserve(table->recordCount);
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    if (drawing.kindAt(i) != OvDbEntityKind::Polyline) continue;
    if (drawing.storedEntity(i).vertices.size() < 2) continue;
    bool found = false;
    tables.forEachRecordOf(i, [&](const OvMapODTable& of, const OvMapODRecordView& record) {
      if (found || &of != table || record.TextValue(columns_[2]) != source.lotType) return;
      lots_.push_back(Lot{static_cast<std::uint32_t>(i), record});
      found = true;
    });
  }
}

ovcivil::ParcelView DrawingLots::at(std::size_t i) const {
  const Lot& lot = lots_[i];
  return {lot.record.Int32Value(columns_[0]), lot.record.TextValue(columns_[1]),
          lot.record.TextValue(columns_[2]), lot.record.TextValue(columns_[3]),
          drawing_.storedEntity(lot.entity).closed};
}

void DrawingLots::vertices(std::size_t i, std::vector<ovcivil::PlanPoint>& out) const {
  out.clear();
  for (const auto& vertex : drawing_.storedEntity(lots_[i].entity).vertices)
    out.push_back({vertex.x, vertex.y});
}

}  // namespace kestrel::cli
