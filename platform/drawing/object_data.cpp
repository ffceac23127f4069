#include "platform/drawing/object_data.h"

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

std::string_view OvMapTextPool::text(std::uint32_t id) const {
  const char* at = blocks_[id >> kBlockBits].get() + (id & ((1u << kBlockBits) - 1));
  std::size_t length = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return {at, length};
}

void OvMapTextPool::clear() {
  blocks_.clear();
  current_ = SIZE_MAX;
  used_ = 0;
}

// ---- reading records in place ----

std::uint32_t OvMapODRecordView::cell(int column) const {
  const auto& rows = *tables_->rows_[table_];
  return rows.cells[std::size_t{row_} * rows.cellsPerRow +
                    rows.firstCell[static_cast<std::size_t>(column)]];
}

int OvMapODRecordView::Count() const { return tables_->tables_[table_].definition.Count(); }

OvMapDataType OvMapODRecordView::Type(int column) const {
  return tables_->tables_[table_].definition.Column(column).Type();
}

std::int32_t OvMapODRecordView::Int32Value(int column) const {
  return Type(column) == OvMapDataType::Integer ? static_cast<std::int32_t>(cell(column)) : 0;
}

double OvMapODRecordView::DoubleValue(int column) const {
  switch (Type(column)) {
    case OvMapDataType::Integer:
      return static_cast<std::int32_t>(cell(column));
    case OvMapDataType::Real: {
      const auto& rows = *tables_->rows_[table_];
      const std::size_t first = std::size_t{row_} * rows.cellsPerRow +
                                rows.firstCell[static_cast<std::size_t>(column)];
      const std::uint32_t halves[2] = {rows.cells[first], rows.cells[first + 1]};
      double value;
      std::memcpy(&value, halves, sizeof value);
      return value;
    }
    case OvMapDataType::Character:
      break;
  }
  return 0.0;
}

std::uint32_t OvMapODRecordView::TextId(int column) const {
  return Type(column) == OvMapDataType::Character ? cell(column) : UINT32_MAX;
}

std::string_view OvMapODRecordView::TextValue(int column) const {
  return Type(column) == OvMapDataType::Character ? tables_->texts_.text(cell(column))
                                                  : std::string_view();
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
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (tables_[i].name == name) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

bool OvMapODTables::Add(const std::string& name, const OvMapODTableDefinition& definition,
                        const std::string& description, bool isXData) {
  if (name.empty() || definition.Count() == 0 || findTable(name) >= 0) return false;
  tables_.push_back(OvMapODTable{name, definition, description, isXData, 0});
  auto rows = std::make_unique<Rows>();
  for (int i = 0; i < definition.Count(); ++i) {
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

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              OvMapODTableRecord&& record) {
  return AddRecord(tableName, entity, static_cast<const OvMapODTableRecord&>(record));
}

bool OvMapODTables::storeText(Rows& rows, int column, std::string_view text, std::uint32_t& id) {
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

bool OvMapODTables::AddRecord(const std::string& tableName, OvDbObjectId entity,
                              const OvMapODTableRecord& record) {
  const std::ptrdiff_t tableIndex = findTable(tableName);
  const std::ptrdiff_t entityIndex = database_.indexOf(entity);
  if (tableIndex < 0 || entityIndex < 0) return false;
  OvMapODTable& table = tables_[static_cast<std::size_t>(tableIndex)];
  Rows& rows = *rows_[static_cast<std::size_t>(tableIndex)];
  if (record.Count() != table.definition.Count()) return false;
  for (int i = 0; i < record.Count(); ++i) {
    if (record.Value(i).Type() != table.definition.Column(i).Type()) return false;
  }
  if (records_.size() >= kNone || rows.rowCount >= kNone) return false;

  // Texts first: a pool that is full leaves nothing half added.
  std::uint32_t cells[64];
  std::vector<std::uint32_t> manyCells;
  std::uint32_t* out = cells;
  if (rows.cellsPerRow > std::size(cells)) {
    manyCells.resize(rows.cellsPerRow);
    out = manyCells.data();
  }
  for (int i = 0; i < record.Count(); ++i) {
    std::uint32_t* cell = out + rows.firstCell[static_cast<std::size_t>(i)];
    const OvMapValue& value = record.Value(i);
    switch (value.Type()) {
      case OvMapDataType::Integer:
        *cell = static_cast<std::uint32_t>(value.Int32Value());
        break;
      case OvMapDataType::Real: {
        const double real = value.DoubleValue();
        std::memcpy(cell, &real, sizeof real);
        break;
      }
      case OvMapDataType::Character:
        if (!storeText(rows, i, value.StrValue(), *cell)) return false;
        break;
    }
  }
  for (std::uint32_t i = 0; i < rows.cellsPerRow; ++i) rows.cells.push_back(out[i]);

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
  tables_.clear();
  rows_.clear();
  texts_.clear();
  records_.clear();
  firstRecordOfEntity_.clear();
}

OvMapODTables& ovCurrentObjectDataTables() {
  return ovWorkingDatabase().objectDataTables();
}
