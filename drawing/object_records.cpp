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

void attachRecord(const char* table, OvDbObjectId entity, int32_t number, const std::string& name,
                  const std::string& type, const std::string& fileName) {
  OvMapODTables& tables = ovCurrentObjectDataTables();
  const std::string tableName = table;
  // One record filled anew for every entity: with short texts that allocates nothing.
  static thread_local OvMapODTableRecord record;
  if (!tables.InitRecord(tableName, record)) return;
  OvMapValue values[4] = {OvMapValue(number), OvMapValue(name), OvMapValue(type),
                          OvMapValue(fileName)};
  for (int i = 0; i < 4 && i < record.Count(); ++i) record.Value(i) = std::move(values[i]);
  tables.AddRecord(tableName, entity, record);
}

}  // namespace

void ensurePointTable() { ensureTable(kPointTable); }
void ensurePolylineTable() { ensureTable(kPolylineTable); }

void attachPointRecord(OvDbObjectId entity, int32_t number, const std::string& name,
                       const std::string& type, const std::string& fileName) {
  attachRecord(kPointTable, entity, number, name, type, fileName);
}

void attachPolylineRecord(OvDbObjectId entity, int32_t number, const std::string& name,
                          const std::string& type, const std::string& fileName) {
  attachRecord(kPolylineTable, entity, number, name, type, fileName);
}

}  // namespace kestrel
