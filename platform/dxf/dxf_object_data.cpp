// Object-data tables as a DXF file carries them: the table definitions as XRECORDs in a dictionary
// of the root dictionary, the records as extended data under each table's name.
#include "platform/dxf/dxf_object_data.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/dxf/dxf_text.h"

std::vector<DxfObjectDataTable> takeDxfObjectDataTables(DxfStructure& structure) {
  std::vector<DxfObjectDataTable> definitions;
  auto& objects = structure.objects;
  if (objects.empty()) return definitions;
  DxfGroups& root = objects.front().groups;
  std::uint64_t dictionary = 0;
  for (std::size_t i = 0; i + 1 < root.size(); ++i) {
    if (root[i].code == 3 && root[i].value == kDxfObjectDataDictionary && root[i + 1].code == 350) {
      dictionary = parseDxfHandle(root[i + 1].value).value_or(0);
      root.erase(root.begin() + static_cast<std::ptrdiff_t>(i),
                 root.begin() + static_cast<std::ptrdiff_t>(i + 2));
      break;
    }
  }
  // The root dictionary stays whatever a damaged entry names.
  if (dictionary == 0 || dictionary == objects.front().handle) return definitions;
  std::vector<std::uint64_t> records;
  for (const auto& object : objects) {
    if (object.handle != dictionary) continue;
    for (const auto& group : object.groups) {
      if (group.code == 350) records.push_back(parseDxfHandle(group.value).value_or(0));
    }
  }
  // The XRECORDs by handle, so that a dictionary of many entries costs one lookup each.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> xrecords;
  for (std::size_t i = 1; i < objects.size(); ++i)
    if (objects[i].type == "XRECORD") xrecords[objects[i].handle].push_back(i);
  std::unordered_set<std::uint64_t> taken;
  for (const std::uint64_t record : records) {
    const auto found = xrecords.find(record);
    if (found == xrecords.end()) continue;
    taken.insert(record);
    for (const std::size_t index : found->second) {
      DxfObjectDataTable table;
      OvMapODColumnDefinition column;
      bool columnOpen = false;
      for (const auto& group : objects[index].groups) {
        if (group.code == 1) table.name = group.value;
        if (group.code == 3) table.description = group.value;
        if (group.code == 70) table.isXData = group.value.find('1') != std::string::npos;
        if (group.code == 301) {
          column = OvMapODColumnDefinition();
          column.SetName(group.value);
          columnOpen = true;
        }
        if (group.code == 71 && columnOpen) {
          const std::string_view type = trimDxfText(group.value);
          column.SetType(type == "0"   ? OvMapDataType::Integer
                         : type == "1" ? OvMapDataType::Real
                                       : OvMapDataType::Character);
          table.definition.AddColumn(column);
          columnOpen = false;
        }
      }
      if (!table.name.empty() && table.definition.Count() > 0)
        definitions.push_back(std::move(table));
    }
  }
  // The dictionary and the XRECORDs it names go; the root, and objects of other kinds it
  // names, stay.
  objects.erase(std::remove_if(objects.begin() + 1, objects.end(),
                               [&](const DxfObject& object) {
                                 return object.handle == dictionary ||
                                        (object.type == "XRECORD" && taken.contains(object.handle));
                               }),
                objects.end());
  return definitions;
}

namespace {

// Reads the extended data group of an object-data table that starts at own[start] (a 1001 group)
// as a record of its definition; `stop` is set past its last group.
std::optional<OvMapODTableRecord> readRecord(const std::vector<DxfGroupView>& own, std::size_t start,
                                             const OvMapODTableDefinition& definition,
                                             std::size_t& stop) {
  stop = start + 1;
  while (stop < own.size() && own[stop].code != 1001) ++stop;
  OvMapODTableRecord record;
  record.Init(definition);
  if (static_cast<int>(stop - start - 1) != record.Count()) return std::nullopt;
  for (int column = 0; column < record.Count(); ++column) {
    const DxfGroupView& group = own[start + 1 + static_cast<std::size_t>(column)];
    const std::string_view text = trimDxfText(group.value);
    switch (definition.Column(column).Type()) {
      case OvMapDataType::Integer: {
        std::int32_t value = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if ((group.code != 1071 && group.code != 1070) || result.ec != std::errc())
          return std::nullopt;
        record.Value(column) = value;
        break;
      }
      case OvMapDataType::Real: {
        double value = 0.0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (group.code != 1040 || result.ec != std::errc()) return std::nullopt;
        record.Value(column) = value;
        break;
      }
      case OvMapDataType::Character:
        if (group.code != 1000) return std::nullopt;
        record.Value(column) = std::string(group.value);
        break;
    }
  }
  return record;
}

}  // namespace

std::vector<std::pair<std::size_t, OvMapODTableRecord>> takeDxfObjectDataRecords(
    OvDbRawEntity& entity, const std::vector<DxfObjectDataTable>& definitions,
    const DxfObjectDataNames& tablesByName) {
  std::vector<std::pair<std::size_t, OvMapODTableRecord>> records;
  const std::string_view ownText = std::string_view(entity.fileText).substr(0, entity.ownPartEnd);
  if (definitions.empty() || ownText.find("\n1001\n") == std::string_view::npos) return records;
  const std::vector<DxfGroupView> own = parseDxfGroups(ownText);
  // Each application name's first group is looked up once: the cost follows the entity's
  // groups, not the number of tables the drawing defines.
  std::vector<bool> taken(own.size(), false);
  std::unordered_set<std::string_view> seen;
  for (std::size_t start = 1; start < own.size(); ++start) {
    if (own[start].code != 1001 || !seen.insert(own[start].value).second) continue;
    const auto tables = tablesByName.find(own[start].value);
    if (tables == tablesByName.end()) continue;
    for (const std::size_t t : tables->second) {
      std::size_t stop = start;
      if (auto record = readRecord(own, start, definitions[t].definition, stop)) {
        records.emplace_back(t, std::move(*record));
        std::fill(taken.begin() + static_cast<std::ptrdiff_t>(start),
                  taken.begin() + static_cast<std::ptrdiff_t>(stop), true);
      }
    }
  }
  if (records.empty()) return records;
  std::stable_sort(records.begin(), records.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string text;
  text.reserve(entity.fileText.size());
  for (std::size_t i = 0; i < own.size(); ++i)
    if (!taken[i]) appendDxfGroup(text, own[i].code, own[i].value);
  const std::size_t ownEnd = text.size();
  text.append(entity.fileText, entity.ownPartEnd);
  entity.fileText = std::move(text);
  entity.ownPartEnd = ownEnd;
  return records;
}
