// Object-data tables as a DXF file carries them, read back: the definitions taken out of the file's
// objects (they are written anew on save) and each entity's records out of its extended data.
#pragma once

#include <cstddef>
#include <string>
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

// Takes the records of the tables (by position in `definitions`; `dxfNames` are the application
// names they go under in the file) out of an entity's extended data.
std::vector<std::pair<std::size_t, OvMapODTableRecord>> takeDxfObjectDataRecords(
    OvDbRawEntity& entity, const std::vector<DxfObjectDataTable>& definitions,
    const std::vector<std::string>& dxfNames);
