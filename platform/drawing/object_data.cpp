#include "platform/drawing/object_data.h"

#include <algorithm>
#include <cstring>

// ---- values, definitions, records ----

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
  // A record initialised again keeps its values' room: filling it anew allocates nothing.
  const auto count = static_cast<std::size_t>(definition.Count());
  values_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    OvMapValue& value = values_[i];
    switch (definition.Column(static_cast<int>(i)).Type()) {
      case OvMapDataType::Integer:
        value.value_ = std::int32_t{0};
        break;
      case OvMapDataType::Real:
        value.value_ = 0.0;
        break;
      case OvMapDataType::Character:
        if (auto* text = std::get_if<std::string>(&value.value_))
          text->clear();
        else
          value.value_ = std::string();
        break;
    }
  }
}

// ---- the text pool ----

namespace {

constexpr std::size_t kMaxBlocks = 4095;  // ids stay below UINT32_MAX, the "none" mark

std::size_t lengthPrefixSize(std::size_t length) {
  std::size_t size = 1;
  while (length >= 0x80) {
    length >>= 7;
    ++size;
  }
  return size;
}

}  // namespace

std::uint32_t OvMapTextPool::add(std::string_view text) {
  constexpr std::size_t kBlock = std::size_t{1} << kBlockBits;
  const std::size_t need = lengthPrefixSize(text.size()) + text.size();
  std::size_t block = current_;
  if (need > kBlock) {
    // A text longer than a block gets one of its own, standing for as many block numbers.
    const std::size_t spans = (need + kBlock - 1) / kBlock;
    if (blocks_.size() + spans > kMaxBlocks) return UINT32_MAX;
    block = blocks_.size();
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(need));
    for (std::size_t i = 1; i < spans; ++i) blocks_.emplace_back();
  } else if (current_ == SIZE_MAX || used_ + need > kBlock) {
    if (blocks_.size() + 1 > kMaxBlocks) return UINT32_MAX;
    block = current_ = blocks_.size();
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
    used_ = 0;
  }
  const std::size_t offset = block == current_ ? used_ : 0;
  char* out = blocks_[block].get() + offset;
  for (std::size_t length = text.size();; length >>= 7) {
    *out++ = static_cast<char>((length & 0x7F) | (length >= 0x80 ? 0x80 : 0));
    if (length < 0x80) break;
  }
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  if (block == current_) used_ += need;
  return static_cast<std::uint32_t>(block << kBlockBits | offset);
}

std::size_t OvMapTextPool::longLength(const char*& at, std::size_t first) {
  std::size_t length = first & 0x7F;
  for (unsigned shift = 7;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return length;
  }
}

void OvMapTextPool::clear() {
  blocks_.clear();
  current_ = SIZE_MAX;
  used_ = 0;
}

// ---- reading records in place ----

double OvMapODRecordView::DoubleValue(int column) const {
  switch (Type(column)) {
    case OvMapDataType::Integer:
      return static_cast<std::int32_t>(cell(column));
    case OvMapDataType::Real: {
      const std::uint32_t* first = cells_ + rows_->firstCell[static_cast<std::size_t>(column)];
      double value;
      std::memcpy(&value, first, sizeof value);
      return value;
    }
    case OvMapDataType::Character:
      break;
  }
  return 0.0;
}

OvMapValue OvMapODRecordView::Value(int column) const {
  switch (Type(column)) {
    case OvMapDataType::Integer:
      return OvMapValue(Int32Value(column));
    case OvMapDataType::Real:
      return OvMapValue(DoubleValue(column));
    case OvMapDataType::Character:
      break;
  }
  return OvMapValue(std::string(TextValue(column)));
}

// ---- the tables ----

OvMapODTables::~OvMapODTables() = default;

std::ptrdiff_t OvMapODTables::findTable(const std::string& name) const {
  // Builders name one table many times over: the table a record was last added to comes first,
  // without hashing the name.
  if (lastAdded_ < tables_.size() && tables_[lastAdded_].name == name)
    return static_cast<std::ptrdiff_t>(lastAdded_);
  const auto found = tableIndexByName_.find(name);
  return found == tableIndexByName_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

bool OvMapODTables::Add(const std::string& name, const OvMapODTableDefinition& definition,
                        const std::string& description, bool isXData) {
  if (name.empty() || definition.Count() == 0 || findTable(name) >= 0) return false;
  tableIndexByName_.emplace(name, tables_.size());
  tables_.push_back(OvMapODTable{name, definition, description, isXData, 0});
  auto rows = std::make_unique<OvMapODRows>();
  for (int i = 0; i < definition.Count(); ++i) {
    rows->types.push_back(definition.Column(i).Type());
    rows->firstCell.push_back(rows->cellsPerRow);
    rows->cellsPerRow += definition.Column(i).Type() == OvMapDataType::Real ? 2 : 1;
  }
  rows->lastText.assign(static_cast<std::size_t>(definition.Count()), kNone);
  rows_.push_back(std::move(rows));
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

OvMapValueRef::OvMapValueRef(const OvMapValue& value) : type_(value.Type()) {
  switch (type_) {
    case OvMapDataType::Integer:
      integer_ = value.Int32Value();
      break;
    case OvMapDataType::Real:
      real_ = value.DoubleValue();
      break;
    case OvMapDataType::Character:
      text_ = value.StrValue();
      break;
  }
}

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              OvMapODTableRecord&& record) {
  return AddRecord(tableName, entity, static_cast<const OvMapODTableRecord&>(record));
}

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              const OvMapODTableRecord& record) {
  // A record holds a value for every column of its table, or it is refused.
  const OvMapODTable* table = Table(tableName);
  if (table == nullptr || record.Count() != table->definition.Count()) return false;
  std::vector<OvMapValueRef> values;
  values.reserve(static_cast<std::size_t>(record.Count()));
  for (int i = 0; i < record.Count(); ++i) values.emplace_back(record.Value(i));
  return addValues(tableName, entity, values);
}

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              std::initializer_list<OvMapValueRef> values) {
  return addValues(tableName, entity, std::span<const OvMapValueRef>(values.begin(), values.size()));
}

bool OvMapODTables::storeText(OvMapODRows& rows, int column, std::string_view text, std::uint32_t& id) {
  std::uint32_t& last = rows.lastText[static_cast<std::size_t>(column)];
  if (last != kNone && texts_.text(last) == text) {
    id = last;
    return true;
  }
  id = texts_.add(text);
  if (id == kNone) return false;
  last = id;
  return true;
}

bool OvMapODTables::addValues(const std::string& tableName, OvDbObjectId entity,
                              std::span<const OvMapValueRef> values) {
  const std::ptrdiff_t tableIndex = findTable(tableName);
  const std::ptrdiff_t entityIndex = database_.indexOf(entity);
  if (tableIndex < 0 || entityIndex < 0) return false;
  OvMapODTable& table = tables_[static_cast<std::size_t>(tableIndex)];
  OvMapODRows& rows = *rows_[static_cast<std::size_t>(tableIndex)];
  lastAdded_ = static_cast<std::size_t>(tableIndex);
  const std::size_t columns = rows.types.size();
  const std::size_t given = std::min(values.size(), columns);
  for (std::size_t i = 0; i < given; ++i) {
    if (values[i].Type() != rows.types[i]) return false;
  }
  if (records_.size() >= kNone || rows.rowCount >= kNone) return false;

  constexpr std::uint32_t kRowsPerChunk = 1u << OvMapODRows::kRowBits;
  if ((rows.rowCount >> OvMapODRows::kRowBits) == rows.chunks.size()) {
    rows.chunks.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(
        std::size_t{kRowsPerChunk} * rows.cellsPerRow));
  }
  std::uint32_t* cells = rows.row(rows.rowCount);
  // Texts first: a pool that is full leaves nothing added (the row is not counted).
  for (std::size_t i = 0; i < columns; ++i) {
    std::uint32_t* cell = cells + rows.firstCell[i];
    const bool isGiven = i < given;
    switch (rows.types[i]) {
      case OvMapDataType::Integer:
        *cell = isGiven ? static_cast<std::uint32_t>(values[i].Int32Value()) : 0;
        break;
      case OvMapDataType::Real: {
        const double real = isGiven ? values[i].DoubleValue() : 0.0;
        std::memcpy(cell, &real, sizeof real);
        break;
      }
      case OvMapDataType::Character:
        if (!storeText(rows, static_cast<int>(i), isGiven ? values[i].StrValue() : std::string_view(),
                       *cell))
          return false;
        break;
    }
  }

  const auto position = static_cast<std::size_t>(entityIndex);
  firstRecordOfEntity_.growTo(position + 1, kNone);
  const auto newIndex = static_cast<std::uint32_t>(records_.size());
  records_.push_back(StoredRecord{static_cast<std::uint32_t>(tableIndex), rows.rowCount++, kNone});
  // Append at the end of the entity's chain so records read back in the order added.
  std::uint32_t* link = &firstRecordOfEntity_[position];
  while (*link != kNone) link = &records_[*link].nextOfEntity;
  *link = newIndex;
  ++table.recordCount;
  return true;
}

std::vector<OvMapODRecordCopy> OvMapODTables::Records(const std::string& tableName,
                                                      OvDbObjectId entity) const {
  std::vector<OvMapODRecordCopy> found;
  const std::ptrdiff_t tableIndex = findTable(tableName);
  const std::ptrdiff_t entityIndex = database_.indexOf(entity);
  if (tableIndex < 0 || entityIndex < 0) return found;
  forEachRecordOf(static_cast<std::size_t>(entityIndex),
                  [&](const OvMapODTable& table, const OvMapODRecordView& view) {
                    if (&table != &tables_[static_cast<std::size_t>(tableIndex)]) return;
                    OvMapODTableRecord record;
                    record.Init(table.definition);
                    for (int i = 0; i < view.Count(); ++i) record.Value(i) = view.Value(i);
                    found.emplace_back(std::move(record));
                  });
  return found;
}

void OvMapODTables::clear() {
  lastAdded_ = 0;
  tables_.clear();
  tableIndexByName_.clear();
  rows_.clear();
  texts_.clear();
  records_.clear();
  firstRecordOfEntity_.clear();
}

OvMapODTables& ovCurrentObjectDataTables() {
  return ovWorkingDatabase().objectDataTables();
}
