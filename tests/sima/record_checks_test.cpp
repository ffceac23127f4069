#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sima/extended_cstring.h"
#include "sima/import_log.h"

namespace kestrel {
namespace {

using Record = kestrel::RecordCheck;

// The points of earlier A series: number 5 is taken.
const PointStore& earlierPoints() {
  static const PointStore store = [] {
    PointStore s;
    SimaPoint point;
    point.number = 5;
    s.append(point);
    return s;
  }();
  return store;
}

const std::map<std::string, Record>& checks() {
  static const std::map<std::string, Record> table = {
      {"G00", Record::G00},          {"A00", Record::A00},
      {"A99", Record::A99},          {"A01", Record::A01},
      {"D00", Record::D00},          {"B01", Record::B01},
      {"B03", Record::B03},          {"F00", Record::F00},
      {"C01", Record::C01},          {"C02", Record::C02},
      {"C03", Record::C03},          {"H00", Record::H00},
      {"H01", Record::H01},          {"H99", Record::H99},
      {"I00", Record::I00},          {"I01", Record::I01},
      {"I02", Record::I02},          {"I99", Record::I99},
      {"series A", Record::SeriesA}, {"series D", Record::SeriesD},
      {"series F", Record::SeriesF}, {"series H", Record::SeriesH},
      {"series I", Record::SeriesI},
  };
  return table;
}

struct CheckCase {
  std::string check;
  std::string line;
  std::string code;  // empty: accepted
  int messageId = 0;
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.check << " | " << c.line; }

class RecordCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(RecordCheck, AcceptsOrRejectsWithCodeAndMessage) {
  const CheckCase& c = GetParam();
  ImportLog log;
  Fields fields;
  ExtendedCString::Split(c.line, ',', fields);
  const int result = log.check(checks().at(c.check), 42, fields, c.line, &earlierPoints());
  if (c.code.empty()) {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.errorCount(), 0);
    EXPECT_TRUE(log.errorLines().empty());
    return;
  }
  EXPECT_EQ(result, -1);
  EXPECT_EQ(log.errorCount(), 1);
  const std::string message(sima::message(c.messageId, sima::Language::Japanese));
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(log.errorLines(),
            (std::vector<std::string>{
                "ERROR --------------------------------------------------------",
                c.code + " " + message, "00042行目 " + c.line,
                "--------------------------------------------------------------"}));
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_EQ(log.errors()[0].code, c.code);
  EXPECT_EQ(log.errors()[0].messageId, c.messageId);
  EXPECT_EQ(log.errors()[0].message, message);
  EXPECT_EQ(log.errors()[0].lineNumber, 42);
  EXPECT_EQ(log.errors()[0].lineText, c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Header, RecordCheck,
    ::testing::Values(CheckCase{"G00", "G00,02,-,", "", 0}, CheckCase{"G00", "G00,01,,", "", 0},
                      CheckCase{"G00", "G00,x1,,", "ErrG00-1", 124},
                      CheckCase{"G00", "G00,01,テスト", "ErrX001", 102},
                      CheckCase{"G00", "G00,01,,,", "ErrX001", 101}));

INSTANTIATE_TEST_SUITE_P(
    Coordinates, RecordCheck,
    ::testing::Values(
        CheckCase{"A00", "A00,", "", 0}, CheckCase{"A00", "A00", "ErrX001", 102},
        CheckCase{"A00", "A00,,", "ErrX001", 101}, CheckCase{"A99", "A99,", "", 0},
        CheckCase{"A99", "A99", "ErrX001", 102}, CheckCase{"A99", "A99,,", "ErrX001", 101},
        CheckCase{"A01", "A01,12,P12,100.5,200.25,,", "", 0},
        CheckCase{"A01", "A01,   1,T-5965    , -24010.239, -32836.454,    0.000,", "", 0},
        CheckCase{"A01", "A01,00007,P7,1,2,3,", "", 0},
        CheckCase{"A01", "A01,12,P12,100.5,200.25,", "ErrX001", 154},
        CheckCase{"A01", "A01,1,P1,10,20", "ErrX001", 154},
        CheckCase{"A01", "A01,1,P1,1,000.5,20,,", "ErrX001", 154},  // thousands comma
        CheckCase{"A01", "A01,1.5,P1,10,20,,", "ErrA01-1", 104},
        CheckCase{"A01", "A01,-1,P1,10,20,,", "ErrA01-1", 104},
        CheckCase{"A01", "A01,5,P5,10,20,,", "ErrA002", 105},
        CheckCase{"A01", "A01,005,P5,x,20,,", "ErrA002", 105},  // duplicate is tested first
        CheckCase{"A01", "A01,6,P6,1e3,20,,", "ErrA01-2", 106},
        CheckCase{"A01", "A01,6,P6,10,+20,,", "ErrA01-3", 107},
        CheckCase{"A01", "A01,6,P6,10,20,1.2.3,", "ErrA01-4", 108},
        CheckCase{"A01", "A01,6,P6,a,b,c,", "ErrA01-2", 106},  // first failing test decides
        CheckCase{"A01", "A01,6,P6,1" + std::string(400, '0') + ",20,,", "ErrA01-2", 106}));

INSTANTIATE_TEST_SUITE_P(
    Lots, RecordCheck,
    ::testing::Values(CheckCase{"D00", "D00,1,画地1,1,", "", 0}, CheckCase{"D00", "D00,2,,2,", "", 0},
                      CheckCase{"D00", "D00,x,画地1,1,", "ErrD00-1", 115},
                      CheckCase{"D00", "D00,1,画地1,3,", "ErrD00-2", 126},
                      CheckCase{"D00", "D00,1,画地1, 1,", "ErrD00-2", 126},
                      CheckCase{"B01", "B01,7,P7,", "", 0}, CheckCase{"B01", "B01,  7,P7  ,   ", "", 0},
                      CheckCase{"B01", "B01,P7,P7,", "ErrB01-1", 104},
                      CheckCase{"B01", "B01,7,P7", "ErrX001", 102},
                      CheckCase{"B01", "B01,7,P7,,", "ErrX001", 101}));

INSTANTIATE_TEST_SUITE_P(
    Routes, RecordCheck,
    ::testing::Values(
        CheckCase{"F00", "F00,1,1,本線,2,", "", 0}, CheckCase{"F00", "F00,1,,本線,7,", "", 0},
        CheckCase{"F00", "F00,-1,1,本線,2,", "ErrF00-1", 116},
        CheckCase{"F00", "F00,1,g,本線,2,", "ErrF00-2", 117},
        CheckCase{"F00", "F00,1,1,本線,8,", "ErrF00-3", 127},
        CheckCase{"F00", "F00,1,1,本線,0,", "ErrF00-3", 127},
        CheckCase{"F00", "F00,1,1,本線,2", "ErrX001", 102},
        CheckCase{"B03", "B03,20.5,", "", 0}, CheckCase{"B03", "B03,x,", "ErrB03-1", 109},
        CheckCase{"B03", "B03,1,2,", "ErrX001", 101},
        CheckCase{"C01", "C01,0,-150.0,", "", 0}, CheckCase{"C01", "C01,1,150,", "", 0},
        CheckCase{"C01", "C01,2,150,", "ErrC01-1", 125},
        CheckCase{"C01", "C01,0,R150,", "ErrC01-2", 134},
        CheckCase{"C01", "C01,0,150", "ErrX001", 102},
        CheckCase{"C02", "C02,60,0,150,", "", 0}, CheckCase{"C02", "C02,A60,0,150,", "ErrC02-1", 110},
        CheckCase{"C02", "C02,60,-,x,", "ErrC02-3", 112},
        CheckCase{"C02", "C02,60,1-,150,", "ErrC02-2", 111},
        CheckCase{"C02", "C02,60,0,150,,", "ErrX001", 101},
        CheckCase{"C03", "C03,12.5,45.3020,", "", 0}, CheckCase{"C03", "C03,x,1,", "ErrC03-1", 113},
        CheckCase{"C03", "C03,1,45°,", "ErrC03-2", 114},
        CheckCase{"C03", "C03,1,", "ErrX001", 102}));

INSTANTIATE_TEST_SUITE_P(
    Results, RecordCheck,
    ::testing::Values(
        CheckCase{"H00", "H00,1,block,", "", 0}, CheckCase{"H00", "H00,a,block,", "ErrH00-1", 119},
        CheckCase{"H00", "H00,1,block", "ErrX001", 102},
        CheckCase{"H01", "H01,No.0,0.0,10.5,11.0,1,", "", 0}, CheckCase{"H01", "H01,No.1,20,10.5,11.0,2,", "", 0},
        CheckCase{"H01", "H01,No.1,20,10.5,11.0,1", "ErrX001", 155},
        CheckCase{"H01", "H01,No.1,20,10.5,11.0,1,,", "ErrX001", 155},
        CheckCase{"H01", "H01,No.1,x,10.5,11.0,1,", "ErrH01-1", 109},
        CheckCase{"H01", "H01,No.1,20,x,11.0,1,", "ErrH01-2", 123},
        CheckCase{"H01", "H01,No.1,20,10.5,x,1,", "ErrH01-3", 121},
        CheckCase{"H01", "H01,No.1,20,10.5,11.0,3,", "ErrH01-4", 128},
        CheckCase{"H99", "H99,", "", 0}, CheckCase{"H99", "H99", "ErrX001", 102},
        CheckCase{"I00", "I00,2,block,", "", 0}, CheckCase{"I00", "I00,2.0,block,", "ErrI00-1", 119},
        CheckCase{"I01", "I01,No.1,20,10.5,11.0,", "", 0},
        CheckCase{"I01", "I01,No.1,x,10.5,11.0,", "ErrI01-1", 109},
        CheckCase{"I01", "I01,No.1,20,x,11.0,", "ErrI01-2", 123},
        CheckCase{"I01", "I01,No.1,20,10.5,x,", "ErrI01-3", 121},
        CheckCase{"I01", "I01,No.1,20,10.5,", "ErrX001", 102},
        CheckCase{"I02", "I02,L1,-5.0,10.2,", "", 0}, CheckCase{"I02", "I02,L1,x,10.2,", "ErrI02-1", 122},
        CheckCase{"I02", "I02,L1,-5.0,x,", "ErrI02-2", 123},
        CheckCase{"I02", "I02,L1,-5.0,10.2,,", "ErrX001", 101},
        CheckCase{"I99", "I99,", "", 0}, CheckCase{"I99", "I99,,", "ErrX001", 101}));

// A quoted text that ends the line is followed by an empty last field, which counts.
INSTANTIATE_TEST_SUITE_P(
    QuotedLastField, RecordCheck,
    ::testing::Values(
        CheckCase{"G00", "G00,01,\"a,b\"", "", 0}, CheckCase{"A00", "A00,\"座標,データ\"", "ErrX001", 101},
        CheckCase{"A99", "A99,\"end\"", "", 0}, CheckCase{"A99", "A99,\"end,x\"", "ErrX001", 101},
        CheckCase{"B01", "B01,1,\"P,1\"", "", 0}, CheckCase{"B01", "B01,x,\"P,1\"", "ErrB01-1", 104},
        CheckCase{"H00", "H00,1,\"縦断,1\"", "", 0}, CheckCase{"I00", "I00,1,\"横断,1\"", "", 0},
        CheckCase{"H99", "H99,\"a,b\"", "ErrX001", 101}, CheckCase{"I99", "I99,\"a,b\"", "ErrX001", 101},
        // Inside the line a quoted name counts once; a blank after its quote adds a field.
        CheckCase{"A01", "A01,1,\"P,1\",10,20,,", "", 0},
        CheckCase{"A01", "A01,1,\"P,1\" ,10,20,,", "ErrX001", 154},
        CheckCase{"I02", "I02,\"L,1\",-5.0,10.2,", "", 0},
        CheckCase{"D00", "D00,1,\"画地,1\",1,", "", 0},
        CheckCase{"F00", "F00,1,1,\"本線,1\",2,", "", 0}));

INSTANTIATE_TEST_SUITE_P(
    SeriesCodes, RecordCheck,
    ::testing::Values(
        CheckCase{"series A", "A01,1,P1,1,2,,", "", 0}, CheckCase{"series A", "A99,", "", 0},
        CheckCase{"series A", "Z00,", "", 0}, CheckCase{"series A", "a01,1,P1,1,2,,", "ErrA001", 103},
        CheckCase{"series A", "B01,1,,", "ErrA001", 103},
        CheckCase{"series A", "A00,", "ErrA001", 103},
        CheckCase{"series D", "B01,1,,", "", 0}, CheckCase{"series D", "C01,", "", 0},
        CheckCase{"series D", "C02,", "", 0}, CheckCase{"series D", "C03,", "", 0},
        CheckCase{"series D", "E00,", "", 0}, CheckCase{"series D", "E01,", "", 0},
        CheckCase{"series D", "E03,", "", 0}, CheckCase{"series D", "E99,", "", 0},
        CheckCase{"series D", "D99,", "", 0}, CheckCase{"series D", "E02,", "ErrD001", 130},
        CheckCase{"series D", "A01,1,P1,1,2,,", "ErrD001", 130},
        CheckCase{"series F", "B01,1,,", "", 0}, CheckCase{"series F", "B03,1,", "", 0},
        CheckCase{"series F", "B04,", "", 0}, CheckCase{"series F", "C00,", "", 0},
        CheckCase{"series F", "C01,0,1,", "", 0}, CheckCase{"series F", "C02,", "", 0},
        CheckCase{"series F", "C03,", "", 0}, CheckCase{"series F", "C04,", "", 0},
        CheckCase{"series F", "C99,", "", 0}, CheckCase{"series F", "F03,0,", "", 0},
        CheckCase{"series F", "F99,", "", 0}, CheckCase{"series F", "F01,", "ErrF001", 131},
        CheckCase{"series F", "Z00,", "ErrF001", 131},
        CheckCase{"series H", "H01,", "", 0}, CheckCase{"series H", "H99,", "", 0},
        CheckCase{"series H", "H02,", "ErrH001", 132},
        CheckCase{"series I", "I01,", "", 0}, CheckCase{"series I", "I02,", "", 0},
        CheckCase{"series I", "I99,", "", 0}, CheckCase{"series I", "I03,", "ErrI001", 133}));

TEST(RecordCheck, LotStartWithAWrongFieldCountTakesItsOwnText) {
  for (const std::string line : {"D00,1,画地1,1", "D00,1,画地1,1,,"}) {
    ImportLog log;
    Fields fields;
    ExtendedCString::Split(line, ',', fields);
    EXPECT_EQ(log.check(Record::D00, 3, fields, line), -1);
    ASSERT_EQ(log.errorLines().size(), 4u);
    EXPECT_EQ(log.errorLines()[1], "ErrX001 書式が正しくありませんが、無視して処理を続けます。");
    EXPECT_EQ(log.errorLines()[2], "00003行目 " + line);
    ASSERT_EQ(log.errors().size(), 1u);
    EXPECT_EQ(log.errors()[0].messageId, 0);
  }
}

TEST(RecordCheck, FieldCountCodeLinesSpelledOut) {
  ImportLog log;
  Fields fields;
  const std::string point = "A01,1,P1,10,20";
  ExtendedCString::Split(point, ',', fields);
  log.check(Record::A01, 7, fields, point);
  const std::string vertical = "H01,No.1,20,10.5,11.0,1";
  ExtendedCString::Split(vertical, ',', fields);
  log.check(Record::H01, 8, fields, vertical);
  const std::string header = "A00,,";
  ExtendedCString::Split(header, ',', fields);
  log.check(Record::A00, 9, fields, header);
  const std::string end = "A99";
  ExtendedCString::Split(end, ',', fields);
  log.check(Record::A99, 10, fields, end);
  ASSERT_EQ(log.errorLines().size(), 16u);
  EXPECT_EQ(log.errorLines()[1], "ErrX001 次の座標データを作成できませんでした。（書式が無効です）");
  EXPECT_EQ(log.errorLines()[5], "ErrX001 次の縦断成果を作成できませんでした。（書式が無効です）");
  EXPECT_EQ(log.errorLines()[9],
            "ErrX001 無効なデータ行です。 この行を無視して、処理を続けます。(余分なデータ)");
  EXPECT_EQ(log.errorLines()[13],
            "ErrX001 無効なデータ行です。この行を無視して、処理を続けます。.(データが不足)");
  EXPECT_EQ(log.errorLines()[14], "00010行目 A99");
  EXPECT_EQ(log.errorCount(), 4);
}

TEST(RecordCheck, ACodeLineInEnglish) {
  ImportLog log(sima::Language::English);
  const std::string line = "A01,1,P1,x,20,,";
  Fields fields;
  ExtendedCString::Split(line, ',', fields);
  EXPECT_EQ(log.check(Record::A01, 1, fields, line), -1);
  EXPECT_EQ(log.errorLines()[1], "ErrA01-2 X is non-numerical value. ");
}

TEST(SeriesCodeCheck, EmptyCodeIsRejectedWithoutALogEntry) {
  const Record seriesChecks[] = {Record::SeriesA, Record::SeriesD,
                                      Record::SeriesF, Record::SeriesH,
                                      Record::SeriesI};
  for (const std::string line : {"", ",1,2,", "   "}) {
    Fields fields;
    ExtendedCString::Split(line == "   " ? "" : line, ',', fields);
    for (const Record check : seriesChecks) {
      ImportLog log;
      EXPECT_EQ(log.check(check, 3, fields, line), -1) << line;
      EXPECT_EQ(log.errorCount(), 0);
      EXPECT_TRUE(log.errorLines().empty());
      EXPECT_TRUE(log.errors().empty());
    }
  }
  ImportLog log;
  EXPECT_EQ(log.check(Record::SeriesA, 1, Fields{}, ""), -1);
  EXPECT_EQ(log.errorCount(), 0);
}

TEST(RecordCheck, DuplicateIsOnlyAgainstEarlierSeries) {
  // The same number twice within the series being read passes: its points are not yet stored.
  ImportLog log;
  const std::string line = "A01,9,P9,1,2,,";
  Fields fields;
  ExtendedCString::Split(line, ',', fields);
  PointStore store;
  EXPECT_EQ(log.check(Record::A01, 1, fields, line, &store), 0);
  EXPECT_EQ(log.check(Record::A01, 2, fields, line, &store), 0);
  SimaPoint point;
  point.number = 9;
  store.append(point);
  EXPECT_EQ(log.check(Record::A01, 3, fields, line, &store), -1);
  EXPECT_EQ(log.errors().back().code, "ErrA002");
}

TEST(RecordCheck, ErrorsAccumulateInOrder) {
  ImportLog log;
  Fields fields;
  const std::string a = "B01,x,,";
  const std::string b = "B03,y,";
  ExtendedCString::Split(a, ',', fields);
  log.check(Record::B01, 10, fields, a);
  ExtendedCString::Split(b, ',', fields);
  log.check(Record::B03, 11, fields, b);
  EXPECT_EQ(log.errorCount(), 2);
  ASSERT_EQ(log.errors().size(), 2u);
  EXPECT_EQ(log.errors()[0].code, "ErrB01-1");
  EXPECT_EQ(log.errors()[1].code, "ErrB03-1");
  EXPECT_EQ(log.errorLines()[6], "00011行目 B03,y,");
}

}  // namespace
}  // namespace kestrel
