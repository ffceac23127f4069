// What a drawing file holds beyond the modelled layers, applications and entities: header
// variables, classes, symbol tables, blocks, objects and other sections, group by group, so that
// a base drawing is written back with its handles and content unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_groups.h"
#include "platform/dxf/dxf_view.h"

// One symbol-table record, e.g. a LAYER or BLOCK_RECORD entry.
struct DxfTableEntry {
  std::string name;
  std::uint64_t handle = 0;
  DxfGroups groups;  // from "0 <kind>" on
};

// One symbol table; the entries of LAYER and APPID live in the database while it is open.
struct DxfTable {
  std::string name;
  std::uint64_t handle = 0;
  DxfGroups head;  // from "0 TABLE" up to the first entry ("70" count updated on save)
  std::vector<DxfTableEntry> entries;
};

// One object of the OBJECTS section.
struct DxfObject {
  std::string type;
  std::uint64_t handle = 0;
  DxfGroups groups;  // from "0 <type>" on
};

// A section the database does not interpret, written back in place.
struct DxfRawSection {
  std::string name;
  DxfGroups groups;  // between "2 <name>" and "0 ENDSEC"
};

struct DxfStructure : OvDbFileContent {
  DxfGroups header;  // "9 $NAME" groups and their values
  DxfGroups classes;
  std::vector<DxfTable> tables;
  DxfGroups blocks;
  std::vector<DxfObject> objects;  // the root dictionary first
  std::vector<DxfRawSection> otherSections;
  std::uint64_t modelSpaceRecordHandle = 0;
  std::uint64_t rootDictionaryHandle = 0;
  // What the file's own content covers, as far as its header and entities tell.
  DxfExtents contentExtents;
};

// The name of the root-dictionary entry that holds the object-data table definitions.
inline constexpr const char* kDxfObjectDataDictionary = "KESTREL_OBJECT_DATA";

// The structure of a new drawing (tables without LAYER and APPID entries, model and paper space,
// root dictionary with ACAD_GROUP), with the handles the database keeps for it
// (1 to kOvDbDefaultObjectHandles).
const DxfStructure& newDrawingDxfStructure();

// The structure a drawing is written with: the one its file gave it, else a new drawing's.
const DxfStructure& dxfStructureOf(const OvDbDatabase& database);
