// Helpers the platform tests share: the import's attribute tables and records, and a drawing
// written to text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_writer.h"

namespace kestrel::testing {

// The four columns of the import's attribute tables: No, Name, Type, FileName.
inline OvMapODTableDefinition simaColumns() {
  OvMapODTableDefinition definition;
  const std::pair<const char*, OvMapDataType> columns[] = {{"No", OvMapDataType::Integer},
                                                           {"Name", OvMapDataType::Character},
                                                           {"Type", OvMapDataType::Character},
                                                           {"FileName", OvMapDataType::Character}};
  for (const auto& [name, type] : columns) {
    OvMapODColumnDefinition column;
    column.SetName(name);
    column.SetType(type);
    definition.AddColumn(column);
  }
  return definition;
}

// A record of those tables: number, name, type and the file it came from.
inline OvMapODTableRecord simaRecord(std::int32_t number, const std::string& name,
                                     const std::string& type, const std::string& file) {
  OvMapODTableRecord record;
  record.Init(simaColumns());
  record.Value(0) = number;
  record.Value(1) = name;
  record.Value(2) = type;
  record.Value(3) = file;
  return record;
}

// Attaches such a record to an entity as the import does: the table is added when missing and the
// record is initialised from it.
inline bool attachSimaRecord(OvMapODTables& tables, const char* table, OvDbObjectId id,
                             std::int32_t number, const std::string& name, const std::string& type,
                             const std::string& file) {
  tables.Add(table, simaColumns(), "", false);
  OvMapODTableRecord record;
  tables.InitRecord(table, record);
  record.Value(0) = number;
  record.Value(1) = name;
  record.Value(2) = type;
  record.Value(3) = file;
  return tables.AddRecord(table, id, record);
}

// The drawing as DXF text; a failing write fails the test.
inline std::string writeToString(const OvDbDatabase& database) {
  kestrel::io::StringSink sink;
  kestrel::io::Result result;
  EXPECT_TRUE((result = writeDxf(database, sink))) << result.message();
  return sink.text();
}

}  // namespace kestrel::testing
