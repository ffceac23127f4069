#include "platform/drawing/object_data.h"

std::int32_t OvMapValue::Int32Value() const {
  const auto* value = std::get_if<std::int32_t>(&value_);
  return value != nullptr ? *value : 0;
}

double OvMapValue::DoubleValue() const {
  if (const auto* real = std::get_if<double>(&value_)) return *real;
  if (const auto* integer = std::get_if<std::int32_t>(&value_)) return *integer;
  return 0.0;
}

const std::string& OvMapValue::StrValue() const {
  static const std::string empty;
  const auto* text = std::get_if<std::string>(&value_);
  return text != nullptr ? *text : empty;
}

bool OvMapODTableDefinition::AddColumn(const OvMapODColumnDefinition& column) {
  if (column.Name().empty() || ColumnIndex(column.Name()) >= 0) return false;
  columns_.push_back(column);
  return true;
}

int OvMapODTableDefinition::ColumnIndex(const std::string& name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].Name() == name) return static_cast<int>(i);
  }
  return -1;
}

void OvMapODTableRecord::Init(const OvMapODTableDefinition& definition) {
  values_.clear();
  values_.reserve(static_cast<std::size_t>(definition.Count()));
  for (int i = 0; i < definition.Count(); ++i) {
    switch (definition.Column(i).Type()) {
      case OvMapDataType::Integer:
        values_.emplace_back(std::int32_t{0});
        break;
      case OvMapDataType::Real:
        values_.emplace_back(0.0);
        break;
      case OvMapDataType::Character:
        values_.emplace_back(std::string());
        break;
    }
  }
}

std::ptrdiff_t OvMapODTables::findTable(const std::string& name) const {
  const auto found = tableIndexByName_.find(name);
  return found == tableIndexByName_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

bool OvMapODTables::Add(const std::string& name, const OvMapODTableDefinition& definition,
                        const std::string& description, bool isXData) {
  if (name.empty() || definition.Count() == 0 || findTable(name) >= 0) return false;
  tableIndexByName_.emplace(name, tables_.size());
  tables_.push_back(OvMapODTable{name, definition, description, isXData, 0});
  // Records travel in files as extended data under the table's name.
  database_.registerApplication(name);
  return true;
}

const OvMapODTable* OvMapODTables::Table(const std::string& name) const {
  const std::ptrdiff_t index = findTable(name);
  return index < 0 ? nullptr : &tables_[static_cast<std::size_t>(index)];
}

bool OvMapODTables::InitRecord(const std::string& tableName, OvMapODTableRecord& record) const {
  const OvMapODTable* table = Table(tableName);
  if (table == nullptr) return false;
  record.Init(table->definition);
  return true;
}

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              const OvMapODTableRecord& record) {
  return AddRecord(tableName, entity, OvMapODTableRecord(record));
}

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              OvMapODTableRecord&& record) {
  const std::ptrdiff_t tableIndex = findTable(tableName);
  const std::ptrdiff_t entityIndex = database_.indexOf(entity);
  if (tableIndex < 0 || entityIndex < 0) return false;
  OvMapODTable& table = tables_[static_cast<std::size_t>(tableIndex)];
  if (record.Count() != table.definition.Count()) return false;
  for (int i = 0; i < record.Count(); ++i) {
    if (record.Value(i).Type() != table.definition.Column(i).Type()) return false;
  }
  if (records_.size() >= kNone) return false;

  const auto position = static_cast<std::size_t>(entityIndex);
  if (firstRecordOfEntity_.size() <= position) {
    firstRecordOfEntity_.resize(std::max(position + 1, firstRecordOfEntity_.size() * 2), kNone);
  }
  const auto newIndex = static_cast<std::uint32_t>(records_.size());
  records_.push_back(
      StoredRecord{static_cast<std::uint32_t>(tableIndex), kNone, std::move(record)});
  // Append at the end of the entity's chain so records read back in the order added.
  std::uint32_t* link = &firstRecordOfEntity_[position];
  while (*link != kNone) link = &records_[*link].nextOfEntity;
  *link = newIndex;
  ++table.recordCount;
  return true;
}

std::vector<const OvMapODTableRecord*> OvMapODTables::Records(const std::string& tableName,
                                                              OvDbObjectId entity) const {
  std::vector<const OvMapODTableRecord*> found;
  const std::ptrdiff_t tableIndex = findTable(tableName);
  const std::ptrdiff_t entityIndex = database_.indexOf(entity);
  if (tableIndex < 0 || entityIndex < 0) return found;
  const auto position = static_cast<std::size_t>(entityIndex);
  if (position >= firstRecordOfEntity_.size()) return found;
  for (std::uint32_t at = firstRecordOfEntity_[position]; at != kNone;
       at = records_[at].nextOfEntity) {
    if (records_[at].table == static_cast<std::uint32_t>(tableIndex))
      found.push_back(&records_[at].record);
  }
  return found;
}

void OvMapODTables::clear() {
  tables_.clear();
  tableIndexByName_.clear();
  records_.clear();
  firstRecordOfEntity_.clear();
}

OvMapODTables& ovCurrentObjectDataTables() {
  return ovWorkingDatabase().objectDataTables();
}
