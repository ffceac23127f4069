// The host's object-data extension: named tables of typed columns per drawing, one record per
// entity and table, readable back by table name and entity.
//
// Storage: a record is a fixed row of four-byte cells in its table (an integer or a text in one
// cell, a real in two); texts live once in the drawing's text pool, and a text equal to the one
// the same column stored last is not stored again (a file name or a type repeats on every record).
// A point's record with a short name costs about 45 bytes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/drawing/chunked_array.h"
#include "platform/drawing/drawing_database.h"

// The data type of a column and of a value.
enum class OvMapDataType : std::uint8_t { Integer, Real, Character };

// One value of a record: a 32-bit integer, a real or a text.
class OvMapValue {
 public:
  // An integer 0.
  OvMapValue() = default;
  // An integer value.
  OvMapValue(std::int32_t value) : value_(value) {}
  // A real value.
  OvMapValue(double value) : value_(value) {}
  // A text value.
  OvMapValue(std::string value) : value_(std::move(value)) {}
  OvMapValue(const char* value) : value_(std::string(value)) {}
  // Which kind of value this is.
  OvMapDataType Type() const { return static_cast<OvMapDataType>(value_.index()); }
  // The integer (0 for another kind).
  std::int32_t Int32Value() const;
  // The real (integers converted; 0 for text).
  double DoubleValue() const;
  // The text (empty for another kind).
  const std::string& StrValue() const;
  friend bool operator==(const OvMapValue&, const OvMapValue&) = default;

 private:
  friend class OvMapODTableRecord;
  std::variant<std::int32_t, double, std::string> value_;
};

// One value handed to a table as it is (a text is read, not copied, until the table stores it).
class OvMapValueRef {
 public:
  OvMapValueRef(std::int32_t value) : type_(OvMapDataType::Integer), integer_(value) {}
  OvMapValueRef(double value) : type_(OvMapDataType::Real), real_(value) {}
  OvMapValueRef(std::string_view value) : type_(OvMapDataType::Character), text_(value) {}
  OvMapValueRef(const std::string& value) : OvMapValueRef(std::string_view(value)) {}
  OvMapValueRef(const char* value) : OvMapValueRef(std::string_view(value)) {}
  OvMapValueRef(const OvMapValue& value);
  OvMapDataType Type() const { return type_; }
  std::int32_t Int32Value() const { return integer_; }
  double DoubleValue() const { return real_; }
  std::string_view StrValue() const { return text_; }

 private:
  OvMapDataType type_;
  std::int32_t integer_ = 0;
  double real_ = 0.0;
  std::string_view text_;
};

// One column: name and data type.
class OvMapODColumnDefinition {
 public:
  // Names the column.
  void SetName(const std::string& name) { name_ = name; }
  // Sets the column's data type.
  void SetType(OvMapDataType type) { type_ = type; }
  const std::string& Name() const { return name_; }
  OvMapDataType Type() const { return type_; }

 private:
  std::string name_;
  OvMapDataType type_ = OvMapDataType::Character;
};

// The column list of a table, in order.
class OvMapODTableDefinition {
 public:
  // Adds a column at the end; false when its name is empty or already used.
  bool AddColumn(const OvMapODColumnDefinition& column);
  // Number of columns.
  int Count() const { return static_cast<int>(columns_.size()); }
  // Column i (0-based); throws std::out_of_range outside 0..Count()-1.
  const OvMapODColumnDefinition& Column(int index) const {
    return columns_.at(static_cast<std::size_t>(index));
  }
  // Position of a column by name, or -1.
  int ColumnIndex(const std::string& name) const;

 private:
  std::vector<OvMapODColumnDefinition> columns_;
};

// A record: one value per column of the table it was initialised from.
class OvMapODTableRecord {
 public:
  // Makes one default value per column (0, 0.0 or empty text by the column's type).
  void Init(const OvMapODTableDefinition& definition);
  // Number of values.
  int Count() const { return static_cast<int>(values_.size()); }
  // Value of column i; throws std::out_of_range outside 0..Count()-1.
  OvMapValue& Value(int index) { return values_.at(static_cast<std::size_t>(index)); }
  const OvMapValue& Value(int index) const { return values_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<OvMapValue> values_;
};

// One object-data table of a drawing.
struct OvMapODTable {
  std::string name;
  OvMapODTableDefinition definition;
  std::string description;
  bool isXData = false;
  std::size_t recordCount = 0;
};

// Texts of one drawing's records, each stored once with its length in front; a text is named by
// a 32-bit id (block and offset).
class OvMapTextPool {
 public:
  // The id of a copy of the text; UINT32_MAX when the pool is full (4 GB).
  std::uint32_t add(std::string_view text);
  std::string_view text(std::uint32_t id) const {
    const char* at = blocks_[id >> kBlockBits].get() + (id & ((1u << kBlockBits) - 1));
    std::size_t length = static_cast<unsigned char>(*at++);
    if (length >= 0x80) length = longLength(at, length);
    return {at, length};
  }
  void clear();

 private:
  static constexpr unsigned kBlockBits = 20;
  static std::size_t longLength(const char*& at, std::size_t first);
  std::vector<std::unique_ptr<char[]>> blocks_;  // a long text's block stands for several ids
  std::size_t current_ = SIZE_MAX;                // the block short texts go to
  std::size_t used_ = 0;                          // bytes used in it
};

// The rows of one table: fixed rows of four-byte cells, a few thousand to a chunk.
struct OvMapODRows {
  static constexpr unsigned kRowBits = 12;
  std::vector<OvMapDataType> types;      // by column
  std::vector<std::uint32_t> firstCell;  // by column
  std::uint32_t cellsPerRow = 0;
  std::uint32_t rowCount = 0;
  std::vector<std::unique_ptr<std::uint32_t[]>> chunks;
  std::vector<std::uint32_t> lastText;   // by column: the text id stored last (UINT32_MAX: none)

  const std::uint32_t* row(std::uint32_t index) const {
    return chunks[index >> kRowBits].get() +
           std::size_t{index & ((1u << kRowBits) - 1)} * cellsPerRow;
  }
  std::uint32_t* row(std::uint32_t index) {
    return chunks[index >> kRowBits].get() +
           std::size_t{index & ((1u << kRowBits) - 1)} * cellsPerRow;
  }
};

// A stored record as it is kept, read in place: values by column, texts as views of the pool.
class OvMapODRecordView {
 public:
  OvMapODRecordView(const OvMapODRows& rows, const OvMapTextPool& texts, std::uint32_t row)
      : rows_(&rows), texts_(&texts), cells_(rows.row(row)) {}
  // Number of values (the table's columns).
  int Count() const { return static_cast<int>(rows_->types.size()); }
  OvMapDataType Type(int column) const { return rows_->types[static_cast<std::size_t>(column)]; }
  std::int32_t Int32Value(int column) const {
    return Type(column) == OvMapDataType::Integer ? static_cast<std::int32_t>(cell(column)) : 0;
  }
  double DoubleValue(int column) const;
  std::string_view TextValue(int column) const {
    return Type(column) == OvMapDataType::Character ? texts_->text(cell(column))
                                                    : std::string_view();
  }
  // Where the text of a column is kept: equal numbers, equal texts (not always the reverse).
  std::uint32_t TextId(int column) const {
    return Type(column) == OvMapDataType::Character ? cell(column) : UINT32_MAX;
  }
  // The value of a column as a value of its own.
  OvMapValue Value(int column) const;

 private:
  std::uint32_t cell(int column) const {
    return cells_[rows_->firstCell[static_cast<std::size_t>(column)]];
  }
  const OvMapODRows* rows_;
  const OvMapTextPool* texts_;
  const std::uint32_t* cells_;
};

// A record read back from the tables: a copy of it, used like a pointer to a record.
class OvMapODRecordCopy {
 public:
  explicit OvMapODRecordCopy(OvMapODTableRecord record) : record_(std::move(record)) {}
  const OvMapODTableRecord* operator->() const { return &record_; }
  const OvMapODTableRecord& operator*() const { return record_; }

 private:
  OvMapODTableRecord record_;
};

// The object-data tables of one drawing (the project's tables for its document).
class OvMapODTables {
 public:
  // Tables of a drawing; the drawing outlives them.
  explicit OvMapODTables(OvDbDatabase& database) : database_(database) {}
  ~OvMapODTables();
  // Adds a table; false, leaving the existing table unchanged, when the name is taken, and false
  // for an empty name or a definition without columns.
  bool Add(const std::string& name, const OvMapODTableDefinition& definition,
           const std::string& description, bool isXData);
  // True when a table of that name exists.
  bool IsTablePresent(const std::string& name) const { return findTable(name) >= 0; }
  // The table of a name, or nullptr.
  const OvMapODTable* Table(const std::string& name) const;
  // Tables in the order they were added.
  const std::vector<OvMapODTable>& Tables() const { return tables_; }
  // Initialises a record from a table's definition; false when there is no such table.
  bool InitRecord(const std::string& tableName, OvMapODTableRecord& record) const;
  // Attaches a record to an entity of the drawing; false (nothing added) for an unknown table or
  // entity, values that do not match the table's columns in number and type, or texts beyond
  // what one drawing can hold (4 GB).
  bool AddRecord(const std::string& tableName, OvDbObjectId entity,
                 const OvMapODTableRecord& record);
  // The same (the record is read, not kept).
  bool AddRecord(const std::string& tableName, OvDbObjectId entity, OvMapODTableRecord&& record);
  // The same for a record initialised from the table with `values` copied into its first
  // columns (as many as it has): what a builder does for every entity, without a record object.
  bool AddRecord(const std::string& tableName, OvDbObjectId entity,
                 std::initializer_list<OvMapValueRef> values);
  // Copies of the records of a table attached to an entity, in the order added.
  std::vector<OvMapODRecordCopy> Records(const std::string& tableName, OvDbObjectId entity) const;
  // Calls visit(table, record view) for every record of the entity at a model-space position, in
  // the order added.
  template <class Visit>
  void forEachRecordOf(std::size_t entityIndex, Visit&& visit) const;
  // Removes every table and record (the drawing starts over).
  void clear();

 private:
  struct StoredRecord {
    std::uint32_t table;
    std::uint32_t row;
    std::uint32_t nextOfEntity;
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;
  std::ptrdiff_t findTable(const std::string& name) const;
  // Adds the record whose first values are `values` (the remaining columns at their defaults).
  bool addValues(const std::string& tableName, OvDbObjectId entity,
                 std::span<const OvMapValueRef> values);
  bool storeText(OvMapODRows& rows, int column, std::string_view text, std::uint32_t& id);

  OvDbDatabase& database_;
  std::vector<OvMapODTable> tables_;
  std::unordered_map<std::string, std::size_t> tableIndexByName_;  // a drawing may carry thousands
  std::vector<std::unique_ptr<OvMapODRows>> rows_;  // by table
  OvMapTextPool texts_;
  std::size_t lastAdded_ = 0;  // the table a record was last added to
  OvDbChunkedArray<StoredRecord> records_;
  OvDbChunkedArray<std::uint32_t> firstRecordOfEntity_;  // by model-space position
};

template <class Visit>
void OvMapODTables::forEachRecordOf(std::size_t entityIndex, Visit&& visit) const {
  if (entityIndex >= firstRecordOfEntity_.size()) return;
  for (std::uint32_t at = firstRecordOfEntity_[entityIndex]; at != kNone;
       at = records_[at].nextOfEntity) {
    const StoredRecord& stored = records_[at];
    visit(tables_[stored.table], OvMapODRecordView(*rows_[stored.table], texts_, stored.row));
  }
}

// The object-data tables of the working database (the current document's project).
OvMapODTables& ovCurrentObjectDataTables();
