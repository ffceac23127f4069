// Writing DXF: numbers that read back exactly, handles and table counts, no control byte, texts and
// symbol names (cases/dxf_text.txt, random names), distinct names, a golden file, and failures
// reported.
#include "platform/dxf/dxf_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <set>

#include "io/text_encoding.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_text.h"
#include "tests/platform/platform_test_support.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

using Groups = std::vector<std::pair<int, std::string>>;

// An independent reading of the output: pairs of lines, codes trimmed.
Groups groupsOf(const std::string& text) {
  Groups groups;
  for (std::size_t at = 0, codeEnd = 0, valueEnd = 0;
       (codeEnd = text.find('\n', at)) != std::string::npos &&
       (valueEnd = text.find('\n', codeEnd + 1)) != std::string::npos;
       at = valueEnd + 1)
    groups.emplace_back(std::stoi(text.substr(at, codeEnd - at)),
                        text.substr(codeEnd + 1, valueEnd - codeEnd - 1));
  return groups;
}

// A record of the import's point table, or of its lot table, for the entity.
void attach(OvDbDatabase& database, const char* table, OvDbObjectId id, std::int32_t number,
            const std::string& name) {
  attachSimaRecord(database.objectDataTables(), table, id, number, name, "座標", "road.sim");
}

// Every coordinate of a point, read from its 10, 20 and 30 groups, has the bits it was made with.
TEST(DxfWriter, CoordinatesReadBackToTheSameDouble) {
  const double values[] = {
      0.1 + 0.2,          -0.0,      1e-300, 5e-324,        123456789.123456789,
      -45678.90123456789, 1.0 / 3.0, 1e22,   6.02214076e23, std::nextafter(1.0, 2.0)};
  OvDbDatabase database;
  std::vector<std::uint64_t> made, read;
  for (const double value : values) {
    database.appendEntity(std::make_unique<OvDbPoint>(OvGePoint3d{value, -value, value * 0.5}));
    for (const double c : {value, -value, value * 0.5})
      made.push_back(std::bit_cast<std::uint64_t>(c));
  }
  const Groups groups = groupsOf(writeToString(database));
  for (std::size_t i = 0; i + 3 < groups.size(); ++i)
    for (std::size_t k = 1; k <= 3 && groups[i] == Groups::value_type{100, "AcDbPoint"}; ++k) {
      const std::string& text = groups[i + k].second;
      double c = std::numeric_limits<double>::quiet_NaN();
      std::from_chars(text.data(), text.data() + text.size(), c);
      read.push_back(std::bit_cast<std::uint64_t>(c));
    }
  EXPECT_EQ(read, made);
}

TEST(DxfWriter, EveryHandleIsUniqueAndBelowTheSeedAndTableCountsMatch) {
  OvDbDatabase database;
  drawRows(database, "small");  // three layers, four applications
  ovSetWorkingDatabase(&database);
  for (int i = 0; i < 50; ++i)
    attach(database, "JSIMA_V3_Point", ovdraw::createPoint("座標点", i, i, i), i, "P");
  ovSetWorkingDatabase(nullptr);

  const Groups groups = groupsOf(writeToString(database));
  std::set<std::uint64_t> handles;
  std::uint64_t seed = 0;
  std::map<std::string, std::pair<long, long>> tableCounts;  // declared, found
  std::string table;
  for (std::size_t i = 0; i + 1 < groups.size(); ++i) {
    const auto& [code, value] = groups[i];
    if (code == 5 || code == 105) {
      if (groups[i - 1].first == 9) continue;  // not a handle: $HANDSEED's value comes after a 9
      std::uint64_t handle = 0;
      std::from_chars(value.data(), value.data() + value.size(), handle, 16);
      EXPECT_TRUE(handles.insert(handle).second) << "duplicate handle " << value;
    }
    if (code == 9 && value == "$HANDSEED") seed = std::stoull(groups[i + 1].second, nullptr, 16);
    if (code == 0 && value == "TABLE") {
      table = groups[i + 1].second;
      for (std::size_t k = i + 1; groups[k].first != 0; ++k) {
        if (groups[k].first == 70) tableCounts[table].first = std::stol(groups[k].second);
      }
    } else if (code == 0 && value == "ENDTAB") {
      table.clear();
    } else if (code == 0 && !table.empty()) {
      ++tableCounts[table].second;
    }
  }
  ASSERT_FALSE(handles.empty());
  EXPECT_GT(seed, *handles.rbegin());
  for (const auto& [name, counts] : tableCounts) EXPECT_EQ(counts.first, counts.second) << name;
  EXPECT_EQ(tableCounts["LAYER"].second, 3);
  EXPECT_EQ(tableCounts["APPID"].second, 4);
}

TEST(DxfWriter, NoControlCharacterReachesTheFile) {
  OvDbDatabase database;
  database.addLayer("bad\r\nlayer");
  ovSetWorkingDatabase(&database);
  const OvDbObjectId id = ovdraw::createPoint("bad\r\nlayer", 1, 2, 3);
  attach(database, "JSIMA_V3_Point", id, 1, std::string("0\nEOF\r\x01\x7f", 9));
  ovdraw::attachXData(id, "TAG\n", {"a\nb"});
  ovSetWorkingDatabase(nullptr);
  const std::string text = writeToString(database);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    ASSERT_TRUE(byte == '\n' || (byte >= 0x20 && byte != 0x7f)) << "control byte " << int(byte);
  }
  // The file still holds the one point and ends where it should.
  EXPECT_TRUE(text.ends_with("  0\nEOF\n"));
  OvDbDatabase back;
  io::Result result;
  ASSERT_TRUE((result = readDxf(text, back))) << result.message();
  EXPECT_EQ(back.entityCount(), 1u);
  EXPECT_TRUE(back.hasLayer("bad\r\nlayer"));  // the escape is undone on reading
}

// The rows of cases/dxf_text.txt but "distinct": texts made safe (never past the limit, never cut
// inside a character), symbol names escaped, and names read back.
TEST(DxfText, CaseRows) {
  for (const auto& row : textRows("platform/dxf/cases/dxf_text.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] == "distinct") continue;
    if (row[0] == "safe") {
      const std::string safe = dxfSafeText(row[1]);
      EXPECT_EQ(safe, row[2]);
      EXPECT_LE(safe.size(), kDxfMaxStringBytes);
      EXPECT_TRUE(io::isValidUtf8(safe));
      continue;
    }
    if (row[0] == "name") {
      EXPECT_EQ(escapeDxfSymbolName(row[1]), row[2]);
    }
    EXPECT_EQ(unescapeDxfSymbolName(row.fields.back()), row[1]);
  }
  // Appending cuts only what it appends.
  std::string out = "prefix:";
  appendDxfSafeText(out, std::string(300, 'b'));
  EXPECT_EQ(out, "prefix:" + std::string(255, 'b'));
}

TEST(DxfSymbolName, RandomNamesRoundTripAndStayDistinct) {
  std::mt19937 random(20261206);
  const std::string alphabet = "ab%<>/\\\":;?*|=`\r\n\t 0A";
  std::set<std::string> names;
  std::set<std::string> escapedNames;
  for (int i = 0; i < 5000; ++i) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < length; ++k) name.push_back(alphabet[random() % alphabet.size()]);
    const std::string escaped = escapeDxfSymbolName(name);
    for (const char c : std::string("<>/\\\":;?*|=`\r\n\t"))
      EXPECT_EQ(escaped.find(c), std::string::npos) << name;
    EXPECT_EQ(unescapeDxfSymbolName(escaped), name);
    names.insert(name);
    escapedNames.insert(escaped);
  }
  EXPECT_EQ(names.size(), escapedNames.size());
}

// The rows "distinct" of cases/dxf_text.txt.
TEST(DxfWriter, DistinctLayerNamesStayDistinctInTheFile) {
  std::vector<OvDbSymbolRecord> records;
  for (const auto& row : tableRows("platform/dxf/cases/dxf_text.txt", "distinct"))
    records.push_back(OvDbSymbolRecord{row[0], "", 1});
  const std::vector<std::string> mapped = dxfSymbolNames(records);
  ASSERT_EQ(mapped.size(), 12u);
  std::set<std::string> folded;
  for (std::size_t i = 0; i < mapped.size(); ++i) {
    EXPECT_LE(mapped[i].size(), 255u);
    EXPECT_TRUE(io::isValidUtf8(mapped[i])) << "cut inside a character";
    EXPECT_EQ(mapped[i].find_first_of("<>/\\\":;?*|=`"), std::string::npos) << mapped[i];
    std::string lower = mapped[i];
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(folded.insert(lower).second) << records[i].name.substr(0, 20) << " collides";
  }
  EXPECT_EQ(std::vector<std::string>({mapped[0], mapped[3], mapped[9]}),
            std::vector<std::string>({"a%3Cb", "Lot", "0"}));
  EXPECT_EQ(dxfSymbolNames(records), mapped);  // the same names always map the same way
  // A name a base drawing already uses keeps it; a new one steps aside.
  const auto stepped = dxfSymbolNames({{"a%3Cb", "a%3Cb", 1}, {"a<b", "", 2}});
  EXPECT_EQ(stepped[0], "a%3Cb");
  EXPECT_NE(stepped[1], "a%3Cb");
}

// The whole file for a small drawing (the rows "small" of cases/drawings.txt), against a
// reviewed copy (check a rewritten one with tests/platform/dxf/dxf_check.py too).
TEST(DxfWriter, SmallDrawingMatchesItsGoldenFile) {
  OvDbDatabase database;
  drawRows(database, "small");
  expectGoldenFile(writeToString(database), "platform/dxf/golden/small_drawing.dxf");
}

// A sink that fails reports its error; a save replaces the file atomically or names the path.
TEST(DxfWriter, OutputIsReplacedWholeOrTheFailureReported) {
  struct FailingSink : io::ByteSink {
    bool write(std::string_view) override { return false; }
    std::string errorText() const override { return "No space left on device"; }
  } failing;
  OvDbDatabase database;
  io::Result result;
  EXPECT_FALSE((result = writeDxf(database, failing)));
  EXPECT_EQ(result.message(), "No space left on device");

  TempDir folder;
  const std::string path = folder.write("out.dxf", "earlier");
  database.appendEntity(std::make_unique<OvDbPoint>());
  ASSERT_TRUE((result = saveDxf(database, path))) << result.message();
  EXPECT_EQ(readBytes(path), writeToString(database));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
      << "a temporary file was left behind";
  const std::string missing = (folder.path() / "no-such-folder" / "out.dxf").string();
  EXPECT_FALSE((result = saveDxf(database, missing)));
  EXPECT_TRUE(result.message().starts_with(missing + ": ")) << result.message();
}

}  // namespace
}  // namespace kestrel::testing
