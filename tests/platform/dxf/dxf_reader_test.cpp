// Reading DXF: refused files (cases/dxf_refused.txt), what a read drawing holds and writes back,
// older drawings in their code page, and damaged files.
#include "platform/dxf/dxf_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "io/text_encoding.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_writer.h"
#include "tests/platform/platform_test_support.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

// The reviewed output of the writer test: a drawing with points, lots, a line and an arc.
std::string goldenDrawing() {
  return readBytes(std::string(KESTREL_SOURCE_DIR) +
                   "/tests/platform/dxf/golden/small_drawing.dxf");
}

std::string section(const std::string& text, const std::string& name) {
  const std::size_t start = text.find("  2\n" + name + "\n");
  return text.substr(start, text.find("  0\nENDSEC\n", start) - start);
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

// The bytes a row of cases/dxf_refused.txt describes.
std::string refusedFile(const TextRow& row, const std::string& good) {
  const std::string& edit = row[2];
  if (edit == "bytes") return row[3];
  if (edit == "half") return good.substr(0, good.size() / 2);
  if (edit == "before") return good.substr(0, good.rfind(row[3]));
  std::string text = good;
  for (std::size_t i = 3; i + 1 < row.fields.size(); i += 2)
    text = replaced(text, row[i], row[i + 1]);
  EXPECT_EQ(edit, "replace") << row.where;
  EXPECT_NE(text, good) << row.where << ": the text to replace is not in the file";
  return text;
}

TEST(DxfReader, RefusesWhatItCannotReadWholeAndLeavesTheDrawingAsItWas) {
  const std::string good = goldenDrawing();
  for (const auto& row : textRows("platform/dxf/cases/dxf_refused.txt")) {
    OvDbDatabase database;
    database.addLayer("mine");
    database.appendEntity(std::make_unique<OvDbPoint>());
    io::Result result;
    EXPECT_FALSE((result = readDxf(refusedFile(row, good), database))) << row.where;
    EXPECT_NE(result.message().find(row[1]), std::string::npos)
        << row.where << ": " << result.message();
    EXPECT_FALSE(result.message().empty()) << row.where;
    EXPECT_EQ(database.layerNames(), (std::vector<std::string>{"0", "mine"})) << row.where;
    EXPECT_EQ(database.entityCount(), 1u) << row.where;
  }
}

TEST(DxfReader, OpenNamesTheFileInItsMessage) {
  TempDir folder;
  OvDbDatabase database;
  io::Result result;
  const std::string missing = (folder.path() / "missing.dxf").string();
  EXPECT_FALSE((result = openDxf(missing, database)));
  EXPECT_TRUE(result.message().starts_with(missing + ": ")) << result.message();
  const std::string binary =
      folder.write("binary.dxf", std::string("Vendor7 Binary DXF\r\n\x1a\0", 22));
  EXPECT_FALSE((result = openDxf(binary, database)));
  EXPECT_TRUE(result.message().starts_with(binary + ": binary DXF")) << result.message();
}

// Files other writers end with CR LF, or with a blank line, read as the same drawing.
TEST(DxfReader, LineEndingsOfOtherWritersReadAsTheSameDrawing) {
  const std::string good = goldenDrawing();
  std::string crlf;
  for (const char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  OvDbDatabase expected;
  ASSERT_TRUE(readDxf(good, expected));
  for (const std::string& text : {crlf, good + "\n"}) {
    OvDbDatabase database;
    io::Result result;
    ASSERT_TRUE((result = readDxf(text, database))) << result.message();
    EXPECT_EQ(database.layerNames(), expected.layerNames());
    EXPECT_EQ(writeToString(database), writeToString(expected));
  }
}

// Layers in table order and the current layer come from the file; entities come as raw groups
// that keep their layer and handle and refuse changes; ids from before name nothing.
TEST(DxfReader, ADrawingReadTakesTheFilesLayersAndEntities) {
  OvDbDatabase source;
  drawRows(source, "read");
  OvDbDatabase opened;
  const OvDbObjectId before = opened.appendEntity(std::make_unique<OvDbPoint>());
  io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), opened))) << result.message();
  EXPECT_EQ(opened.layerNames(), source.layerNames());
  EXPECT_EQ(opened.currentLayerName(), "点");
  ASSERT_EQ(opened.entityCount(), 2u);
  EXPECT_EQ(opened.openEntity(before), nullptr);
  EXPECT_NE(opened.entityAt(0).objectId(), before);
  OvDbEntity& entity = opened.entityAt(0);
  EXPECT_EQ(entity.kind(), OvDbEntityKind::Raw);
  EXPECT_EQ(entity.layer(), "点");
  EXPECT_EQ(entity.handle(), source.entityAt(0).handle());
  EXPECT_FALSE(entity.setLayer("0"));
}

// Import, save, open as a base, import again, save, open: the base is written back unchanged, new
// handles start at its seed, both imports share the tables and differ by file name.
TEST(DxfReader, ImportsIntoABaseDrawingKeepItAndShareItsTables) {
  OvDbDatabase first;
  drawRows(first, "first");
  const std::string firstText = writeToString(first);
  OvDbDatabase second;
  io::Result result;
  ASSERT_TRUE((result = readDxf(firstText, second))) << result.message();
  const std::size_t seedAt = firstText.find("$HANDSEED\n  5\n") + 14;
  EXPECT_EQ(
      second.handleSeed(),
      std::stoull(firstText.substr(seedAt, firstText.find('\n', seedAt) - seedAt), nullptr, 16));
  const std::string secondText = writeToString(second);
  for (const char* name : {"ENTITIES", "BLOCKS", "TABLES"})
    EXPECT_EQ(section(secondText, name), section(firstText, name)) << name;

  drawRows(second, "second");
  const std::string thirdText = writeToString(second);
  EXPECT_TRUE(section(thirdText, "ENTITIES").starts_with(section(firstText, "ENTITIES")));
  for (std::size_t i = 3; i < second.entityCount(); ++i)
    EXPECT_GE(second.entityAt(i).handle(), first.handleSeed());
  OvDbDatabase third;
  ASSERT_TRUE((result = readDxf(thirdText, third))) << result.message();
  const OvMapODTables& tables = third.objectDataTables();
  ASSERT_EQ(tables.Tables().size(), 1u);
  EXPECT_EQ(tables.Table("JSIMA_V3_Point")->recordCount, 5u);
  EXPECT_EQ(tables.Table("JSIMA_V3_Point")->definition.Count(), 4);
  ASSERT_EQ(third.entityCount(), 5u);
  for (std::size_t i = 0; i < third.entityCount(); ++i) {
    const auto records = tables.Records("JSIMA_V3_Point", third.entityAt(i).objectId());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->Value(3).StrValue(), i < 3 ? "first.sim" : "second.sim");
    EXPECT_EQ(records[0]->Value(1).StrValue(), "点" + std::to_string(i < 3 ? i + 1 : i - 2));
    EXPECT_EQ(third.entityAt(i).layer(), "点");
  }
  // The records are not kept twice in the raw groups.
  const std::string text = writeToString(third);
  std::size_t tags = 0;
  for (std::size_t at = text.find("1001\nJSIMA_V3_Point\n"); at != std::string::npos;
       at = text.find("1001\nJSIMA_V3_Point\n", at + 1))
    ++tags;
  EXPECT_EQ(tags, 5u);
}

TEST(DxfReader, TablesWithNamesTheFormatForbidsComeBackWithTheirRecords) {
  OvDbDatabase source;
  ASSERT_TRUE(
      source.objectDataTables().Add("測量<1>/a", definitionOf("Height:r Note:s"), "説明", true));
  const OvDbObjectId id = source.appendEntity(std::make_unique<OvDbPoint>());
  ASSERT_TRUE(source.objectDataTables().AddRecord("測量<1>/a", id, {12.625, "メモ"}));

  OvDbDatabase opened;
  io::Result result;
  ASSERT_TRUE((result = readDxf(writeToString(source), opened))) << result.message();
  const OvMapODTable* table = opened.objectDataTables().Table("測量<1>/a");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->description, "説明");
  EXPECT_TRUE(table->isXData);
  EXPECT_EQ(table->definition.Column(0).Type(), OvMapDataType::Real);
  const auto records =
      opened.objectDataTables().Records("測量<1>/a", opened.entityAt(0).objectId());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(valuesOf(*records[0]), " 12.625:r メモ:s");
  // One application for the table, under the name the file gave it.
  int applications = 0;
  for (const auto& application : opened.applications())
    applications += application.name == "測量<1>/a";
  EXPECT_EQ(applications, 1);
}

// An R2000 drawing in CP932, its names once as characters and once as \\U+ escapes (as a writer
// without the code page puts them): read as text, saved again as R2013 in UTF-8.
TEST(DxfReader, OlderDrawingsAreDecodedFromTheirCodePage) {
  OvDbDatabase source;
  drawRows(source, "older");
  const std::string r2000 = asR2000InCp932(writeToString(source));
  std::string escaped = r2000;
  for (std::size_t at = escaped.find("既存"); at != std::string::npos; at = escaped.find("既存"))
    escaped.replace(at, std::string("既存").size(), "\\U+65E2\\U+5b58");
  for (const std::string& text : {r2000, escaped}) {
    const std::string bytes = io::encode(text, io::Encoding::Cp932);
    ASSERT_EQ(bytes.find("既存"), std::string::npos);  // really CP932 now
    OvDbDatabase opened;
    io::Result result;
    ASSERT_TRUE((result = readDxf(bytes, opened))) << result.message();
    EXPECT_EQ(opened.layerNames(), (std::vector<std::string>{"0", "既存レイヤ"}));
    EXPECT_EQ(opened.entityAt(0).layer(), "既存レイヤ");
    const auto records =
        opened.objectDataTables().Records("JSIMA_V3_Point", opened.entityAt(0).objectId());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->Value(3).StrValue(), "旧.sim");
    const std::string saved = writeToString(opened);
    EXPECT_NE(saved.find("AC1027"), std::string::npos);
    EXPECT_NE(saved.find("既存レイヤ"), std::string::npos);
  }
}

// Damaged files: cut anywhere, bytes changed, lines dropped. Reading never crashes, and whatever it
// accepts is written again as a file it accepts too.
TEST(DxfReader, DamagedFilesAreRefusedOrReadWhole) {
  const std::string good = goldenDrawing();
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
    io::Result result;
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

}  // namespace
}  // namespace kestrel::testing
