#include "drawing/object_records.h"

#include <utility>

#include "platform/drawing/object_data.h"

namespace kestrel {

namespace {

void ensureTable(const char* name) {
  // Asked once per lot: a table already there needs no definition built for the refused add.
  if (ovCurrentObjectDataTables().IsTablePresent(name)) return;
  OvMapODTableDefinition definition;
  for (int i = 0; i < 4; ++i) {
    OvMapODColumnDefinition column;
    column.SetName(kRecordColumns[i]);
    column.SetType(i == 0 ? OvMapDataType::Integer : OvMapDataType::Character);
    definition.AddColumn(column);
  }
  // An existing table stays as it was: the host refuses the second add.
  ovCurrentObjectDataTables().Add(name, definition, "", false);
}

void attachRecord(const std::string& table, OvDbObjectId entity, int32_t number,
                  std::string_view name, const std::string& type, const std::string& fileName) {
  // The four values in column order, an integer and three texts, go into a record initialised
  // from the table (as far as it has columns) and the record to the entity.
  ovCurrentObjectDataTables().AddRecord(table, entity, {number, name, type, fileName});
}

}  // namespace

void ensurePointTable() { ensureTable(kPointTable); }
void ensurePolylineTable() { ensureTable(kPolylineTable); }

void attachPointRecord(OvDbObjectId entity, int32_t number, std::string_view name,
                       const std::string& type, const std::string& fileName) {
  static const std::string table = kPointTable;
  attachRecord(table, entity, number, name, type, fileName);
}

void attachPolylineRecord(OvDbObjectId entity, int32_t number, const std::string& name,
                          const std::string& type, const std::string& fileName) {
  static const std::string table = kPolylineTable;
  attachRecord(table, entity, number, name, type, fileName);
}

}  // namespace kestrel
