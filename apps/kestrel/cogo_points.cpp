#include "apps/kestrel/cogo_points.h"

namespace kestrel::cli {

DrawingCogoPoints::DrawingCogoPoints(const OvDbDatabase& drawing,
                                     const module::SurveyPointTable& source)
    : drawing_(drawing), coordinateType_(source.coordinateType) {
  const auto& tables = drawing.objectDataTables();
  table_ = tables.Table(source.table);
  if (table_ == nullptr) return;
  number_ = table_->definition.ColumnIndex(source.numberColumn);
  name_ = table_->definition.ColumnIndex(source.nameColumn);
  type_ = table_->definition.ColumnIndex(source.typeColumn);
  if (number_ < 0 || name_ < 0 || type_ < 0) return;
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    if (drawing.storedEntity(i).kind != OvDbEntityKind::Point) continue;
    bool found = false;
    tables.forEachRecordOf(i, [&](const OvMapODTable& of, const OvMapODRecordView& record) {
      if (found || &of != table_ || record.TextValue(type_) != coordinateType_) return;
      entities_.push_back(static_cast<std::uint32_t>(i));
      found = true;
    });
  }
}

ovcivil::CogoPointView DrawingCogoPoints::at(std::size_t i) const {
  const std::size_t entity = entities_[i];
  const OvGePoint3d position = drawing_.storedEntity(entity).position;
  ovcivil::CogoPointView point{0, {}, position.x, position.y, position.z};
  bool found = false;
  drawing_.objectDataTables().forEachRecordOf(
      entity, [&](const OvMapODTable& of, const OvMapODRecordView& record) {
        if (found || &of != table_ || record.TextValue(type_) != coordinateType_) return;
        point.number = record.Int32Value(number_);
        point.name = record.TextValue(name_);
        found = true;
      });
  return point;
}

}  // namespace kestrel::cli
