// Helpers the platform tests share: the attribute tables' columns and a drawing written to text.
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

// The drawing as DXF text; a failing write fails the test.
inline std::string writeToString(const OvDbDatabase& database) {
  kestrel::io::StringSink sink;
  kestrel::io::Result result;
  EXPECT_TRUE((result = writeDxf(database, sink))) << result.message();
  return sink.text();
}

}  // namespace kestrel::testing
