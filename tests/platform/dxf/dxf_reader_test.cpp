#include "platform/dxf/dxf_reader.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>

#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_structure.h"
#include "platform/dxf/dxf_writer.h"
#include "tests/platform/platform_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using kestrel::testing::simaColumns;
using kestrel::testing::writeToString;

// The signature a binary DXF starts with (its first seven bytes name the vendor).
std::string binarySignature() { return std::string("Vendor7 Binary DXF\r\n\x1a\0", 22); }

// What one import does: ensure the table, draw points with records.
void importPoints(OvDbDatabase& database, const std::string& layer, const std::string& file,
                  int count) {
  ovSetWorkingDatabase(&database);
  ovCurrentObjectDataTables().Add("JSIMA_V3_Point", simaColumns(), "", false);
  for (int i = 1; i <= count; ++i) {
    const OvDbObjectId id = ovdraw::createPoint(layer, i * 1.5, i * 2.5, i);
    OvMapODTableRecord record;
    ovCurrentObjectDataTables().InitRecord("JSIMA_V3_Point", record);
    record.Value(0) = i;
    record.Value(1) = "点" + std::to_string(i);
    record.Value(2) = "座標";
    record.Value(3) = file;
    ovCurrentObjectDataTables().AddRecord("JSIMA_V3_Point", id, record);
  }
  ovSetWorkingDatabase(nullptr);
}

std::string section(const std::string& text, const std::string& name) {
  const std::size_t start = text.find("  2\n" + name + "\n");
  const std::size_t end = text.find("  0\nENDSEC\n", start);
  return text.substr(start, end - start);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Our file's header as an R2000 drawing saved in the Japanese code page would have it.
std::string asR2000InCp932(const std::string& text) {
  return replaced(replaced(text, "AC1027", "AC1015"), "ANSI_65001", "ANSI_932");
}

std::string toCp932(const std::string& utf8) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char* input = const_cast<char*>(utf8.data());
  std::size_t inputLeft = utf8.size();
  char* output = out.data();
  std::size_t outputLeft = out.size();
  iconv(converter, &input, &inputLeft, &output, &outputLeft);
  iconv_close(converter);
  out.resize(out.size() - outputLeft);
  return out;
}

struct RefusedCase {
  const char* what;
  std::string bytes;
  const char* reasonContains;
};

TEST(DxfReader, RefusesWhatItCannotReadWholeAndLeavesTheDrawingAsItWas) {
  OvDbDatabase source;
  source.addLayer("点");
  importPoints(source, "点", "a.sim", 2);
  const std::string good = writeToString(source);
  const RefusedCase cases[] = {
      {"binary DXF", binarySignature() + "rest", "binary DXF"},
      {"empty file", "", "the file is empty"},
      {"blank lines", "\r\n\n", "the file is empty"},
      {"code that is not a number", "  0\nSECTION\nabc\nHEADER\n",
       "line 3: a group code was expected"},
      {"ends inside a group", "  0\nSECTION\n  2\n", "ends inside a group"},
      {"cut short", good.substr(0, good.size() / 2), ""},
      {"no EOF", good.substr(0, good.rfind("  0\nEOF")), "without EOF"},
      {"R12", replaced(good, "AC1027", "AC1009"), "AC1009 cannot be opened"},
      {"newer than R2018", replaced(good, "AC1027", "AC1040"), "AC1040 cannot be opened"},
      {"no version", replaced(good, "$ACADVER", "$ACADVERX"), "no $ACADVER"},
      {"invalid UTF-8 in an R2013 drawing", replaced(good, "点", "\x93\x5F"), "not valid UTF-8"},
      {"unknown code page", replaced(replaced(good, "AC1027", "AC1015"), "ANSI_65001", "ANSI_4711"),
       "unknown code page"},
      {"no BLOCKS", replaced(good, "  2\nBLOCKS\n", "  2\nBLOCKZ\n"), "no BLOCKS section"},
      {"no OBJECTS", replaced(good, "  2\nOBJECTS\n", "  2\nOBJECTZ\n"), "no OBJECTS section"},
      {"no model space", replaced(good, "*Model_Space", "*Model_Spice"), "*Model_Space"},
      {"no ENDTAB", replaced(good, "  0\nENDTAB\n  0\nTABLE\n", "  0\nTABLE\n"), "no ENDTAB"},
      // Written back as read, the next section would nest inside it.
      {"a header without ENDSEC",
       replaced(good, "  0\nENDSEC\n  0\nSECTION\n  2\nCLASSES\n", "  0\nSECTION\n  2\nCLASSES\n"),
       "section HEADER has no ENDSEC"},
      {"entities without ENDSEC",
       replaced(good, "  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS\n", "  0\nSECTION\n  2\nOBJECTS\n"),
       "section ENTITIES has no ENDSEC"},
      // New objects would get handles the drawing already uses.
      {"an entity with the largest handle",
       replaced(good, "AcDbPoint", "AcDbPoint\n  5\nFFFFFFFFFFFFFFFF"), "no handles are left"},
      {"a handle seed near the largest handle",
       replaced(good, "$HANDSEED\n  5\n", "$HANDSEED\n  5\nFFFFFFFFFFFFFF00\n999\n"),
       "no handles are left"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OvDbDatabase database;
    database.addLayer("mine");
    database.appendEntity(std::make_unique<OvDbPoint>());
    kestrel::io::Result result;
    EXPECT_FALSE((result = readDxf(c.bytes, database)));
    EXPECT_NE(result.message().find(c.reasonContains), std::string::npos) << result.message();
    EXPECT_FALSE(result.message().empty());
    EXPECT_EQ(database.layerNames(), (std::vector<std::string>{"0", "mine"}));
    EXPECT_EQ(database.entityCount(), 1u);
  }
}

TEST(DxfReader, OpenNamesTheFileInItsMessage) {
  kestrel::testing::TempDir folder;
  OvDbDatabase database;
  kestrel::io::Result result;
  const std::string missing = (folder.path() / "missing.dxf").string();
  EXPECT_FALSE((result = openDxf(missing, database)));
  EXPECT_TRUE(result.message().starts_with(missing + ": ")) << result.message();
  const std::string binary =
      folder.write("binary.dxf", binarySignature());
  EXPECT_FALSE((result = openDxf(binary, database)));
  EXPECT_TRUE(result.message().starts_with(binary + ": binary DXF")) << result.message();
}

TEST(DxfReader, LayersInTableOrderAndTheCurrentLayerComeFromTheFile) {
  OvDbDatabase source;
  for (const char* name : {"b", "点", "a<b", "a"}) source.addLayer(name);
  source.setCurrentLayer("点");
  OvDbDatabase opened;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), opened))) << result.message();
  EXPECT_EQ(opened.layerNames(), source.layerNames());
  EXPECT_EQ(opened.currentLayerName(), "点");
}

TEST(DxfReader, BaseContentIsWrittenBackUnchangedWithNewEntitiesAdded) {
  OvDbDatabase first;
  first.addLayer("点");
  importPoints(first, "点", "a.sim", 3);
  const std::string firstText = writeToString(first);

  OvDbDatabase second;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(firstText, second))) << result.message();
  // The next handle is exactly the base's $HANDSEED.
  const std::size_t seedAt = firstText.find("$HANDSEED\n  5\n") + 14;
  EXPECT_EQ(
      second.handleSeed(),
      std::stoull(firstText.substr(seedAt, firstText.find('\n', seedAt) - seedAt), nullptr, 16));
  const std::string secondText = writeToString(second);
  // Entities come back group for group, with their records as extended data in the same place.
  EXPECT_EQ(section(secondText, "ENTITIES"), section(firstText, "ENTITIES"));
  EXPECT_EQ(section(secondText, "BLOCKS"), section(firstText, "BLOCKS"));
  EXPECT_EQ(section(secondText, "TABLES"), section(firstText, "TABLES"));

  importPoints(second, "点", "b.sim", 2);
  const std::string thirdText = writeToString(second);
  const std::string entities = section(thirdText, "ENTITIES");
  EXPECT_TRUE(entities.starts_with(section(firstText, "ENTITIES")));
  EXPECT_EQ(second.entityCount(), 5u);
  // New handles start above the base's seed.
  const std::uint64_t baseSeed = first.handleSeed();
  for (std::size_t i = 3; i < second.entityCount(); ++i)
    EXPECT_GE(second.entityAt(i).handle(), baseSeed);
}

TEST(DxfReader, TwoImportsIntoOneDrawingShareTheTablesAndDifferByFileName) {
  OvDbDatabase first;
  first.addLayer("点");
  importPoints(first, "点", "first.sim", 3);
  OvDbDatabase second;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(first), second))) << result.message();
  importPoints(second, "点", "second.sim", 2);
  OvDbDatabase third;
  ASSERT_TRUE((result = readDxf(writeToString(second), third))) << result.message();

  const OvMapODTables& tables = third.objectDataTables();
  ASSERT_EQ(tables.Tables().size(), 1u);
  EXPECT_EQ(tables.Table("JSIMA_V3_Point")->recordCount, 5u);
  EXPECT_EQ(tables.Table("JSIMA_V3_Point")->definition.Count(), 4);
  std::vector<std::string> files;
  for (std::size_t i = 0; i < third.entityCount(); ++i) {
    const auto records = tables.Records("JSIMA_V3_Point", third.entityAt(i).objectId());
    ASSERT_EQ(records.size(), 1u);
    files.push_back(records[0]->Value(3).StrValue());
    EXPECT_EQ(records[0]->Value(1).StrValue(), "点" + std::to_string(i < 3 ? i + 1 : i - 2));
    EXPECT_EQ(third.entityAt(i).layer(), "点");
  }
  EXPECT_EQ(files, (std::vector<std::string>{"first.sim", "first.sim", "first.sim", "second.sim",
                                             "second.sim"}));
  // The records are not kept twice in the raw groups.
  const std::string text = writeToString(third);
  std::size_t tags = 0;
  for (std::size_t at = text.find("1001\nJSIMA_V3_Point\n"); at != std::string::npos;
       at = text.find("1001\nJSIMA_V3_Point\n", at + 1)) {
    ++tags;
  }
  EXPECT_EQ(tags, 5u);
}

TEST(DxfReader, TablesWithNamesTheFormatForbidsComeBackWithTheirRecords) {
  OvDbDatabase source;
  OvMapODTableDefinition definition;
  for (const auto& [name, type] :
       {std::pair{"Height", OvMapDataType::Real}, std::pair{"Note", OvMapDataType::Character}}) {
    OvMapODColumnDefinition column;
    column.SetName(name);
    column.SetType(type);
    definition.AddColumn(column);
  }
  ASSERT_TRUE(source.objectDataTables().Add("測量<1>/a", definition, "説明", true));
  const OvDbObjectId id = source.appendEntity(std::make_unique<OvDbPoint>());
  OvMapODTableRecord record;
  record.Init(definition);
  record.Value(0) = 12.625;
  record.Value(1) = "メモ";
  ASSERT_TRUE(source.objectDataTables().AddRecord("測量<1>/a", id, record));

  OvDbDatabase opened;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), opened))) << result.message();
  const OvMapODTable* table = opened.objectDataTables().Table("測量<1>/a");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->description, "説明");
  EXPECT_TRUE(table->isXData);
  EXPECT_EQ(table->definition.Column(0).Type(), OvMapDataType::Real);
  const auto records =
      opened.objectDataTables().Records("測量<1>/a", opened.entityAt(0).objectId());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->Value(0).DoubleValue(), 12.625);
  EXPECT_EQ(records[0]->Value(1).StrValue(), "メモ");
  // One application for the table, under the name the file gave it.
  int applications = 0;
  for (const auto& application : opened.applications())
    applications += application.name == "測量<1>/a";
  EXPECT_EQ(applications, 1);
}

TEST(DxfReader, OlderDrawingsAreDecodedFromTheirCodePage) {
  OvDbDatabase source;
  source.addLayer("既存レイヤ");
  importPoints(source, "既存レイヤ", "旧.sim", 1);
  const std::string r2000 = toCp932(asR2000InCp932(writeToString(source)));
  ASSERT_EQ(r2000.find("既存"), std::string::npos);  // really CP932 now
  OvDbDatabase opened;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(r2000, opened))) << result.message();
  EXPECT_TRUE(opened.hasLayer("既存レイヤ"));
  const auto records =
      opened.objectDataTables().Records("JSIMA_V3_Point", opened.entityAt(0).objectId());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->Value(3).StrValue(), "旧.sim");
  // Saved again, the drawing is R2013 in UTF-8.
  const std::string saved = writeToString(opened);
  EXPECT_NE(saved.find("AC1027"), std::string::npos);
  EXPECT_NE(saved.find("既存レイヤ"), std::string::npos);
}

TEST(DxfReader, UnicodeEscapesOfOlderDrawingsBecomeCharacters) {
  OvDbDatabase source;
  source.addLayer("既存");
  importPoints(source, "既存", "a.sim", 1);
  std::string text = asR2000InCp932(writeToString(source));
  // Every use of the name, as a writer without the code page would put it.
  for (std::size_t at = text.find("既存"); at != std::string::npos; at = text.find("既存")) {
    text.replace(at, std::string("既存").size(), "\\U+65E2\\U+5b58");
  }
  OvDbDatabase opened;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(toCp932(text), opened))) << result.message();
  EXPECT_EQ(opened.layerNames(), (std::vector<std::string>{"0", "既存"}));
  EXPECT_EQ(opened.entityAt(0).layer(), "既存");
}

// Damaged files: cut anywhere, bytes changed, lines dropped. Reading never crashes, and whatever it
// accepts is written again as a file it accepts too.
TEST(DxfReader, DamagedFilesAreRefusedOrReadWhole) {
  OvDbDatabase source;
  source.addLayer("点");
  importPoints(source, "点", "a.sim", 3);
  ovSetWorkingDatabase(&source);
  const OvDbObjectId lot = ovdraw::create2dPolyline({{0, 0, 0}, {1, 1, 0}});
  ovdraw::convertToLightweight(lot);
  ovSetWorkingDatabase(nullptr);
  const std::string good = writeToString(source);
  std::mt19937 random(4711);
  int accepted = 0;
  for (int round = 0; round < 600; ++round) {
    std::string damaged = good;
    switch (round % 3) {
      case 0:
        damaged.resize(random() % good.size());
        break;
      case 1:
        for (int k = 0; k < 3; ++k)
          damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        break;
      default: {
        const std::size_t from = damaged.find('\n', random() % damaged.size());
        const std::size_t to = damaged.find('\n', from + 1);
        if (from != std::string::npos && to != std::string::npos) damaged.erase(from, to - from);
      }
    }
    OvDbDatabase database;
    kestrel::io::Result result;
    if (!(result = readDxf(damaged, database))) {
      EXPECT_FALSE(result.message().empty());
      continue;
    }
    ++accepted;
    OvDbDatabase again;
    ASSERT_TRUE((result = readDxf(writeToString(database), again)))
        << "round " << round << ": " << result.message();
    EXPECT_EQ(again.entityCount(), database.entityCount());
  }
  EXPECT_GT(accepted, 0);

  // The object-data dictionary names the root dictionary as one of its tables: the root stays.
  const auto valueAfter = [](const std::string& text, const std::string& marker) {
    const std::size_t at = text.find(marker) + marker.size();
    return text.substr(at, text.find('\n', at) - at);
  };
  const std::string root = valueAfter(good, "OBJECTS\n  0\nDICTIONARY\n  5\n");
  std::string namesRoot = good;
  const std::size_t tables =
      namesRoot.find("DICTIONARY\n  5\n" + valueAfter(good, "KESTREL_OBJECT_DATA\n350\n") + "\n");
  const std::size_t entry = namesRoot.find("\n350\n", tables) + 5;
  namesRoot.replace(entry, namesRoot.find('\n', entry) - entry, root);
  OvDbDatabase database;
  ASSERT_TRUE(readDxf(namesRoot, database));
  EXPECT_EQ(valueAfter(writeToString(database), "OBJECTS\n  0\nDICTIONARY\n  5\n"), root);
}

TEST(DxfReader, IdsFromBeforeOpeningNameNothingAfterwards) {
  OvDbDatabase source;
  importPoints(source, "0", "a.sim", 2);
  OvDbDatabase database;
  const OvDbObjectId before = database.appendEntity(std::make_unique<OvDbPoint>());
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), database))) << result.message();
  ASSERT_EQ(database.entityCount(), 2u);
  EXPECT_EQ(database.openEntity(before), nullptr);
  EXPECT_NE(database.entityAt(0).objectId(), before);
}

TEST(DxfReader, RawEntitiesKeepTheirLayerAndRefuseChanges) {
  OvDbDatabase source;
  source.addLayer("点");
  importPoints(source, "点", "a.sim", 1);
  OvDbDatabase opened;
  kestrel::io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), opened))) << result.message();
  OvDbEntity& entity = opened.entityAt(0);
  EXPECT_EQ(entity.kind(), OvDbEntityKind::Raw);
  EXPECT_EQ(entity.layer(), "点");
  EXPECT_EQ(entity.handle(), source.entityAt(0).handle());
  EXPECT_FALSE(entity.setLayer("0"));
}

}  // namespace
