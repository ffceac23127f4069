// Helpers the platform tests share: attribute tables and records as the case rows write them, the
// import's records, and a drawing written to text.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_writer.h"
#include "tests/platform/case_tables.h"

namespace kestrel::testing {

// "No:i Name:s" as columns ("-": none): each a name and its type, integer, real or text.
inline OvMapODTableDefinition definitionOf(const std::string& text) {
  OvMapODTableDefinition definition;
  std::istringstream in(text);
  for (std::string column; in >> column && column != "-";) {
    OvMapODColumnDefinition made;
    made.SetName(column.substr(0, column.rfind(':')));
    made.SetType(column.back() == 'i'   ? OvMapDataType::Integer
                 : column.back() == 'r' ? OvMapDataType::Real
                                        : OvMapDataType::Character);
    definition.AddColumn(made);
  }
  return definition;
}

// The four columns of the import's attribute tables: No, Name, Type, FileName.
inline OvMapODTableDefinition simaColumns() {
  return definitionOf("No:i Name:s Type:s FileName:s");
}

// A record's values as the case rows write them: " 1:i P1:s 2.5:r".
template <class Record>
std::string valuesOf(const Record& record) {
  std::ostringstream out;
  for (int k = 0; k < record.Count(); ++k) {
    const OvMapValue value = record.Value(k);
    if (value.Type() == OvMapDataType::Integer) out << ' ' << value.Int32Value() << ":i";
    if (value.Type() == OvMapDataType::Real) out << ' ' << value.DoubleValue() << ":r";
    if (value.Type() == OvMapDataType::Character) out << ' ' << value.StrValue() << ":s";
  }
  return out.str();
}

// Attaches a record of the import's tables (number, name, type and the file it came from) to an entity
// as the import does, adding the table when missing.
inline bool attachSimaRecord(OvMapODTables& tables, const char* table, OvDbObjectId id,
                             std::int32_t number, const std::string& name, const std::string& type,
                             const std::string& file) {
  tables.Add(table, simaColumns(), "", false);
  return tables.AddRecord(table, id, {number, name, type, file});
}

// Draws one drawing of tests/platform/dxf/cases/drawings.txt into the database, row by row, as the
// import draws: layers, points and lots with their records, lines, arcs and polylines with
// extended data.
inline void drawRows(OvDbDatabase& database, const std::string& drawing) {
  ovSetWorkingDatabase(&database);
  for (const auto& row : tableRows("platform/dxf/cases/drawings.txt", drawing)) {
    const std::string& kind = row[0];
    if (kind == "layer" || kind == "current") {
      EXPECT_TRUE(kind == "layer" ? database.addLayer(row[1]) : database.setCurrentLayer(row[1]))
          << row.where;
      continue;
    }
    const std::vector<double> v = numbersIn(row[3]);
    std::vector<OvGePoint3d> points;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) points.push_back({v[i], v[i + 1], v[i + 2]});
    OvDbObjectId id;
    if (kind == "point") id = ovdraw::createPoint(row[1], v[0], v[1], v[2]);
    if (kind == "line") id = ovdraw::createLine(row[1], v[0], v[1], v[2], v[3]);
    if (kind == "arc") id = ovdraw::createArc(row[1], v[0], v[1], v[2], v[3], v[4]);
    if (kind == "polyline") id = ovdraw::createPolyline(row[1], points, row[2] == "closed");
    if (kind == "lot") {
      id = ovdraw::create2dPolyline(points);
      ovdraw::convertToLightweight(id);
      ovdraw::setPolylineLayerAndClosure(id, row[1], row[2] == "closed");
    }
    EXPECT_TRUE(id.isValid()) << row.where;
    if (row.fields.size() == 9 && row[4].starts_with("JSIMA_")) {
      attachSimaRecord(database.objectDataTables(), row[4].c_str(), id, std::stoi(row[5]), row[6],
                       row[7], row[8]);
    } else if (row.fields.size() > 5) {
      ovdraw::attachXData(id, row[4], {row.fields.begin() + 5, row.fields.end()});
    }
  }
  ovSetWorkingDatabase(nullptr);
}

// The drawing as DXF text; a failing write fails the test.
inline std::string writeToString(const OvDbDatabase& database) {
  kestrel::io::StringSink sink;
  kestrel::io::Result result;
  EXPECT_TRUE((result = writeDxf(database, sink))) << result.message();
  return sink.text();
}

}  // namespace kestrel::testing
