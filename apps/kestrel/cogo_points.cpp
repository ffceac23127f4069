#include "apps/kestrel/cogo_points.h"

#include "platform/drawing/object_data.h"

namespace kestrel::cli {

std::vector<ovcivil::CogoPoint> drawingCogoPoints(const OvDbDatabase& drawing,
                                                  const module::SurveyPointTable& source) {
  std::vector<ovcivil::CogoPoint> points;
  const auto& tables = drawing.objectDataTables();
  const OvMapODTable* table = tables.Table(source.table);
  if (table == nullptr) return points;
  const int number = table->definition.ColumnIndex(source.numberColumn);
  const int name = table->definition.ColumnIndex(source.nameColumn);
  const int type = table->definition.ColumnIndex(source.typeColumn);
  if (number < 0 || name < 0 || type < 0) return points;
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    if (drawing.entityAt(i).kind() != OvDbEntityKind::Point) continue;
    const auto* point = static_cast<const OvDbPoint*>(&drawing.entityAt(i));
    bool found = false;
    tables.forEachRecordOf(i, [&](const OvMapODTable& of, const OvMapODTableRecord& record) {
      if (found || &of != table || record.Value(type).StrValue() != source.coordinateType) return;
      points.push_back(ovcivil::CogoPoint{record.Value(number).Int32Value(),
                                          record.Value(name).StrValue(), point->position.x,
                                          point->position.y, point->position.z});
      found = true;
    });
  }
  return points;
}

}  // namespace kestrel::cli
