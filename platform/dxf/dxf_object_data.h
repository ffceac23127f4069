// Object-data tables as a DXF file carries them, read back: the definitions taken out of the file's
// objects (they are written anew on save) and each entity's records out of its extended data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_structure.h"

// One table definition as the file gave it.
struct DxfObjectDataTable {
  std::string name;
  std::string description;
  bool isXData = false;
  OvMapODTableDefinition definition;
};

// Takes the definitions out of the structure's objects.
std::vector<DxfObjectDataTable> takeDxfObjectDataTables(DxfStructure& structure);

// The positions in the definitions of the tables whose records go under an application name in
// the file.
using DxfObjectDataNames = std::unordered_map<std::string_view, std::vector<std::size_t>>;

// Takes the records of the tables (by position in `definitions`, in that order) out of an
// entity's extended data: for each table the first group of its name, when it holds a record.
std::vector<std::pair<std::size_t, OvMapODTableRecord>> takeDxfObjectDataRecords(
    OvDbRawEntity& entity, const std::vector<DxfObjectDataTable>& definitions,
    const DxfObjectDataNames& tablesByName);
