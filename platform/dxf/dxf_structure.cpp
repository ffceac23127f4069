#include "platform/dxf/dxf_structure.h"

#include <stdexcept>
#include <tuple>

namespace {

class GroupList {
 public:
  GroupList& add(int code, std::string value) {
    groups.push_back(DxfGroup{code, std::move(value)});
    return *this;
  }
  GroupList& handle(int code, std::uint64_t value) { return add(code, dxfHandleText(value)); }
  DxfGroups groups;
};

DxfTable makeTable(const char* name, std::uint64_t& seed) {
  DxfTable table;
  table.name = name;
  table.handle = seed++;
  GroupList head;
  head.add(0, "TABLE")
      .add(2, name)
      .handle(5, table.handle)
      .add(330, "0")
      .add(100, "AcDbSymbolTable")
      .add(70, "0");
  if (table.name == "DIMSTYLE") head.add(100, "AcDbDimStyleTable").add(71, "0");
  table.head = std::move(head.groups);
  return table;
}

DxfTableEntry makeEntry(const DxfTable& table, const char* kind, const char* subclass,
                        const char* name, std::uint64_t& seed, GroupList extra = {}) {
  DxfTableEntry entry;
  entry.name = name;
  entry.handle = seed++;
  GroupList groups;
  groups.add(0, kind)
      .handle(table.name == "DIMSTYLE" ? 105 : 5, entry.handle)
      .handle(330, table.handle)
      .add(100, "AcDbSymbolTableRecord")
      .add(100, subclass)
      .add(2, name)
      .add(70, "0");
  for (auto& group : extra.groups) groups.groups.push_back(std::move(group));
  entry.groups = std::move(groups.groups);
  return entry;
}

DxfStructure makeEmptyDxfStructure(std::uint64_t& handleSeed) {
  DxfStructure structure;
  GroupList header;
  header.add(9, "$ACADVER").add(1, "AC1027");
  header.add(9, "$DWGCODEPAGE").add(3, "ANSI_65001");
  header.add(9, "$INSUNITS").add(70, "6");
  header.add(9, "$CLAYER").add(8, "0");
  header.add(9, "$HANDSEED").add(5, "1");
  structure.header = std::move(header.groups);

  for (const char* name :
       {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD"}) {
    structure.tables.push_back(makeTable(name, handleSeed));
  }
  DxfTable& lineTypes = structure.tables[1];
  for (const char* name : {"ByBlock", "ByLayer", "Continuous"}) {
    GroupList pattern;
    pattern.add(3, name[0] == 'C' ? "Solid line" : "").add(72, "65").add(73, "0").add(40, "0.0");
    lineTypes.entries.push_back(makeEntry(lineTypes, "LTYPE", "AcDbLinetypeTableRecord", name,
                                          handleSeed, std::move(pattern)));
  }
  DxfTable& styles = structure.tables[3];
  GroupList font;
  font.add(40, "0.0").add(41, "1.0").add(50, "0.0").add(71, "0").add(42, "2.5").add(3, "txt").add(
      4, "");
  styles.entries.push_back(makeEntry(styles, "STYLE", "AcDbTextStyleTableRecord", "Standard",
                                     handleSeed, std::move(font)));
  DxfTable& dimensionStyles = structure.tables[7];
  dimensionStyles.entries.push_back(
      makeEntry(dimensionStyles, "DIMSTYLE", "AcDbDimStyleTableRecord", "Standard", handleSeed));
  DxfTable& blockRecords = structure.tables[8];
  blockRecords.entries.push_back(
      makeEntry(blockRecords, "BLOCK_RECORD", "AcDbBlockTableRecord", "*Model_Space", handleSeed));
  blockRecords.entries.push_back(
      makeEntry(blockRecords, "BLOCK_RECORD", "AcDbBlockTableRecord", "*Paper_Space", handleSeed));
  structure.modelSpaceRecordHandle = blockRecords.entries[0].handle;
  const std::uint64_t paperSpaceRecord = blockRecords.entries[1].handle;

  GroupList blocks;
  for (const auto& [record, name, paper] :
       {std::tuple{structure.modelSpaceRecordHandle, "*Model_Space", false},
        std::tuple{paperSpaceRecord, "*Paper_Space", true}}) {
    blocks.add(0, "BLOCK").handle(5, handleSeed++).handle(330, record).add(100, "AcDbEntity");
    if (paper) blocks.add(67, "1");
    blocks.add(8, "0").add(100, "AcDbBlockBegin").add(2, name).add(70, "0");
    blocks.add(10, "0.0").add(20, "0.0").add(30, "0.0").add(3, name).add(1, "");
    blocks.add(0, "ENDBLK").handle(5, handleSeed++).handle(330, record).add(100, "AcDbEntity");
    if (paper) blocks.add(67, "1");
    blocks.add(8, "0").add(100, "AcDbBlockEnd");
  }
  structure.blocks = std::move(blocks.groups);

  structure.rootDictionaryHandle = handleSeed++;
  const std::uint64_t groupDictionary = handleSeed++;
  GroupList root;
  root.add(0, "DICTIONARY")
      .handle(5, structure.rootDictionaryHandle)
      .add(330, "0")
      .add(100, "AcDbDictionary");
  root.add(281, "1").add(3, "ACAD_GROUP").handle(350, groupDictionary);
  structure.objects.push_back(
      DxfObject{"DICTIONARY", structure.rootDictionaryHandle, std::move(root.groups)});
  GroupList group;
  group.add(0, "DICTIONARY").handle(5, groupDictionary).handle(330, structure.rootDictionaryHandle);
  group.add(100, "AcDbDictionary").add(281, "1");
  structure.objects.push_back(DxfObject{"DICTIONARY", groupDictionary, std::move(group.groups)});
  return structure;
}

}  // namespace

const DxfStructure& newDrawingDxfStructure() {
  static const DxfStructure structure = [] {
    std::uint64_t seed = 1;
    DxfStructure made = makeEmptyDxfStructure(seed);
    if (seed != kOvDbDefaultObjectHandles + 1)
      throw std::logic_error("a new drawing's DXF objects do not fill the handles kept for them");
    return made;
  }();
  return structure;
}

const DxfStructure& dxfStructureOf(const OvDbDatabase& database) {
  const auto* read = dynamic_cast<const DxfStructure*>(database.fileContent());
  return read != nullptr ? *read : newDrawingDxfStructure();
}
