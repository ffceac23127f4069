// Attribute tables of a drawing: definitions, records, values, and what tables refuse.
#include "platform/drawing/object_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/platform_test_support.h"

namespace {

using kestrel::testing::columns;
using kestrel::testing::simaColumns;
using kestrel::testing::simaRecord;

class ObjectData : public ::testing::Test {
 protected:
  void SetUp() override {
    point = database.appendEntity(std::make_unique<OvDbPoint>());
    polyline = database.appendEntity(std::make_unique<OvDbPolyline>());
    tables().Add("JSIMA_V3_Point", simaColumns(), "", false);
  }
  OvMapODTables& tables() { return database.objectDataTables(); }
  OvDbDatabase database;
  OvDbObjectId point;
  OvDbObjectId polyline;
};

TEST(ObjectDataDefinition, ColumnsRecordsAndValues) {
  OvMapODTableDefinition definition = simaColumns();
  OvMapODColumnDefinition duplicate;
  duplicate.SetName("Name");
  EXPECT_FALSE(definition.AddColumn(duplicate));
  EXPECT_FALSE(definition.AddColumn(OvMapODColumnDefinition()));  // no name
  EXPECT_EQ(definition.Count(), 4);
  EXPECT_EQ(definition.ColumnIndex("FileName"), 3);
  EXPECT_EQ(definition.ColumnIndex("missing"), -1);
  EXPECT_THROW(definition.Column(4), std::out_of_range);
  // A record gets one default value per column, of the column's type.
  definition.AddColumn(columns({{"Height", OvMapDataType::Real}}).Column(0));
  OvMapODTableRecord record;
  record.Init(definition);
  ASSERT_EQ(record.Count(), 5);
  EXPECT_EQ(record.Value(0).Type(), OvMapDataType::Integer);
  EXPECT_EQ(record.Value(1).Type(), OvMapDataType::Character);
  EXPECT_EQ(record.Value(4).Type(), OvMapDataType::Real);
  EXPECT_EQ(record.Value(1).StrValue(), "");
  EXPECT_THROW(record.Value(5), std::out_of_range);
  // Values keep their kind.
  EXPECT_EQ(OvMapValue(std::int32_t{-7}).Int32Value(), -7);
  EXPECT_EQ(OvMapValue("座標").StrValue(), "座標");
  EXPECT_EQ(OvMapValue(2.5).DoubleValue(), 2.5);
  EXPECT_EQ(OvMapValue("12").Int32Value(), 0);
  EXPECT_NE(OvMapValue("1"), OvMapValue(std::int32_t{1}));
}

// A table name becomes an application of the drawing; adding it again, or a table without a name
// or columns, changes nothing.
TEST_F(ObjectData, TablesAreAddedOnceAndRegisterTheirName) {
  int registered = 0;
  for (const auto& application : database.applications())
    registered += application.name == "JSIMA_V3_Point";
  EXPECT_EQ(registered, 1);
  EXPECT_FALSE(
      tables().Add("JSIMA_V3_Point", columns({{"Only", OvMapDataType::Real}}), "replaced?", true));
  const OvMapODTable* table = tables().Table("JSIMA_V3_Point");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->definition.Count(), 4);
  EXPECT_EQ(table->description, "");
  EXPECT_FALSE(table->isXData);
  EXPECT_FALSE(tables().Add("", simaColumns(), "", false));
  EXPECT_FALSE(tables().Add("Empty", OvMapODTableDefinition(), "", false));
  EXPECT_EQ(tables().Tables().size(), 1u);
}

TEST_F(ObjectData, RecordsThatDoNotFitAreRefusedAndNothingIsAdded) {
  OvMapODTableRecord empty;
  empty.Init(OvMapODTableDefinition());
  OvMapODTableRecord textNumber = simaRecord(1, "P1", "座標", "a.sim");
  textNumber.Value(0) = "1";
  OvMapODTableRecord numberText = simaRecord(1, "P1", "座標", "a.sim");
  numberText.Value(3) = std::int32_t{3};
  const struct {
    const char* what;
    const char* table;
    OvDbObjectId entity;
    OvMapODTableRecord record;
  } cases[] = {
      {"unknown table", "JSIMA_V3_Pline", point, simaRecord(1, "P1", "座標", "a.sim")},
      {"null entity", "JSIMA_V3_Point", OvDbObjectId(), simaRecord(1, "P1", "座標", "a.sim")},
      {"too few values", "JSIMA_V3_Point", point, empty},
      {"text in the integer column", "JSIMA_V3_Point", point, textNumber},
      {"integer in a text column", "JSIMA_V3_Point", point, numberText}};
  for (const auto& c : cases)
    EXPECT_FALSE(tables().AddRecord(c.table, c.entity, c.record)) << c.what;
  EXPECT_TRUE(tables().Records("JSIMA_V3_Point", point).empty());
  EXPECT_EQ(tables().Table("JSIMA_V3_Point")->recordCount, 0u);
}

TEST_F(ObjectData, RecordsReadBackByTableAndEntityInTheOrderAdded) {
  OvDbDatabase other;
  const OvDbObjectId foreign = other.appendEntity(std::make_unique<OvDbPoint>());
  tables().Add("JSIMA_V3_Pline", simaColumns(), "", false);
  ASSERT_TRUE(tables().AddRecord("JSIMA_V3_Point", point, simaRecord(1, "P1", "座標", "a.sim")));
  ASSERT_TRUE(tables().AddRecord("JSIMA_V3_Pline", polyline, simaRecord(7, "L7", "画地", "a.sim")));
  ASSERT_TRUE(tables().AddRecord("JSIMA_V3_Point", point, simaRecord(2, "P2", "座標", "b.sim")));
  EXPECT_FALSE(tables().AddRecord("JSIMA_V3_Point", foreign, simaRecord(3, "P3", "座標", "c.sim")));

  const auto points = tables().Records("JSIMA_V3_Point", point);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0]->Value(0).Int32Value(), 1);
  EXPECT_EQ(points[1]->Value(3).StrValue(), "b.sim");
  EXPECT_TRUE(tables().Records("JSIMA_V3_Pline", point).empty());
  const auto lots = tables().Records("JSIMA_V3_Pline", polyline);
  ASSERT_EQ(lots.size(), 1u);
  EXPECT_EQ(lots[0]->Value(2).StrValue(), "画地");

  std::vector<std::string> visited;
  tables().forEachRecordOf(static_cast<std::size_t>(database.indexOf(point)),
                           [&](const OvMapODTable& table, const auto& record) {
                             visited.push_back(table.name + ":" + record.Value(1).StrValue());
                           });
  EXPECT_EQ(visited, (std::vector<std::string>{"JSIMA_V3_Point:P1", "JSIMA_V3_Point:P2"}));
}

TEST_F(ObjectData, TextsOfEveryLengthReadBackAsAdded) {
  // Lengths around the stored length's one-byte limit and the pool's block, each after itself.
  const std::size_t lengths[] = {0, 1, 127, 128, 16383, 16384, 1u << 20, (1u << 20) + 5, 3u << 20};
  std::vector<std::string> texts;
  for (const std::size_t length : lengths) {
    texts.push_back(std::string(length, static_cast<char>('a' + texts.size() % 26)));
    texts.push_back(texts.back());
  }
  std::vector<OvDbObjectId> owners;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    owners.push_back(database.appendEntity(std::make_unique<OvDbPoint>()));
    ASSERT_TRUE(
        tables().AddRecord("JSIMA_V3_Point", owners.back(),
                           simaRecord(static_cast<std::int32_t>(i), texts[i], "座標", "a.sim")));
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const auto records = tables().Records("JSIMA_V3_Point", owners[i]);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->Value(0).Int32Value(), static_cast<std::int32_t>(i));
    EXPECT_EQ(records[0]->Value(1).StrValue().size(), texts[i].size()) << i;
    EXPECT_TRUE(records[0]->Value(1).StrValue() == texts[i]) << i;
  }
}

TEST(CurrentObjectDataTables, AreTheWorkingDrawingsOwn) {
  OvDbDatabase first;
  OvDbDatabase second;
  ovSetWorkingDatabase(&first);
  ovCurrentObjectDataTables().Add("T", simaColumns(), "", false);
  ovSetWorkingDatabase(&second);
  EXPECT_FALSE(ovCurrentObjectDataTables().IsTablePresent("T"));
  ovSetWorkingDatabase(nullptr);
  EXPECT_TRUE(first.objectDataTables().IsTablePresent("T"));
}

}  // namespace
