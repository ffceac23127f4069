// The host's object-data extension: named tables of typed columns per drawing, one record per
// entity and table, readable back by table name and entity.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

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
  std::variant<std::int32_t, double, std::string> value_;
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

// The object-data tables of one drawing (the project's tables for its document).
class OvMapODTables {
 public:
  // Tables of a drawing; the drawing outlives them.
  explicit OvMapODTables(OvDbDatabase& database) : database_(database) {}
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
  // entity, or values that do not match the table's columns in number and type.
  bool AddRecord(const std::string& tableName, OvDbObjectId entity,
                 const OvMapODTableRecord& record);
  // The same, taking the record's values over instead of copying them.
  bool AddRecord(const std::string& tableName, OvDbObjectId entity, OvMapODTableRecord&& record);
  // The records of a table attached to an entity, in the order added.
  std::vector<const OvMapODTableRecord*> Records(const std::string& tableName,
                                                 OvDbObjectId entity) const;
  // Calls visit(table, record) for every record of an entity, in the order added.
  template <class Visit>
  void forEachRecordOf(std::size_t entityIndex, Visit&& visit) const;
  // Removes every table and record (the drawing starts over).
  void clear();

 private:
  struct StoredRecord {
    std::uint32_t table;
    std::uint32_t nextOfEntity;
    OvMapODTableRecord record;
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;
  std::ptrdiff_t findTable(const std::string& name) const;

  OvDbDatabase& database_;
  std::vector<OvMapODTable> tables_;
  std::unordered_map<std::string, std::size_t> tableIndexByName_;  // a drawing may carry thousands
  std::vector<StoredRecord> records_;
  std::vector<std::uint32_t> firstRecordOfEntity_;  // by model-space position
};

template <class Visit>
void OvMapODTables::forEachRecordOf(std::size_t entityIndex, Visit&& visit) const {
  if (entityIndex >= firstRecordOfEntity_.size()) return;
  for (std::uint32_t at = firstRecordOfEntity_[entityIndex]; at != kNone;
       at = records_[at].nextOfEntity) {
    visit(tables_[records_[at].table], records_[at].record);
  }
}

// The object-data tables of the working database (the current document's project).
OvMapODTables& ovCurrentObjectDataTables();
