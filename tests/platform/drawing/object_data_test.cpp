// Attribute tables: definitions, records and values, and texts of every length. Tables on a
// drawing, what they refuse and what they read back are scripts of cases/operations.txt.
#include "platform/drawing/object_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/platform_test_support.h"

namespace kestrel::testing {
namespace {

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
  definition.AddColumn(definitionOf("Height:r").Column(0));
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

TEST(ObjectData, TextsOfEveryLengthReadBackAsAdded) {
  OvDbDatabase database;
  OvMapODTables& tables = database.objectDataTables();
  tables.Add("JSIMA_V3_Point", simaColumns(), "", false);
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
    ASSERT_TRUE(tables.AddRecord("JSIMA_V3_Point", owners.back(),
                                 {static_cast<std::int32_t>(i), texts[i], "座標", "a.sim"}));
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const auto records = tables.Records("JSIMA_V3_Point", owners[i]);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->Value(0).Int32Value(), static_cast<std::int32_t>(i));
    EXPECT_EQ(records[0]->Value(1).StrValue().size(), texts[i].size()) << i;
    EXPECT_TRUE(records[0]->Value(1).StrValue() == texts[i]) << i;
  }
}

}  // namespace
}  // namespace kestrel::testing
