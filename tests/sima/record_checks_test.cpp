// Record checks, table by table from cases/record_checks.txt, and how the log gathers them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "sima/extended_cstring.h"
#include "sima/import_log.h"
#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

using Record = kestrel::RecordCheck;

// The checks' names in the rows, in the order of RecordCheck.
Record recordCheckNamed(const std::string& name) {
  static const std::vector<std::string> names = {
      "G00", "A00", "A99", "A01", "D00", "B01", "B03", "F00", "C01", "C02", "C03", "H00",
      "H01", "H99", "I00", "I01", "I02", "I99", "series A", "series D", "series F", "series H",
      "series I"};
  const auto found = std::find(names.begin(), names.end(), name);
  EXPECT_NE(found, names.end()) << name;
  return static_cast<Record>(found - names.begin());
}

TEST(RecordCheck, AcceptsOrRejectsWithCodeAndMessage) {
  PointStore earlier;
  SimaPoint taken;
  taken.number = 5;
  earlier.append(taken);
  for (const auto& row : testing::textRows("sima/cases/record_checks.txt")) {
    SCOPED_TRACE(row.where);
    ImportLog log;
    Fields fields;
    ExtendedCString::Split(row[1], ',', fields);
    const std::string& code = row[2];
    EXPECT_EQ(log.check(recordCheckNamed(row[0]), 42, fields, row[1], &earlier), code == "ok" ? 0 : -1);
    if (code == "ok" || code == "unlogged") {
      EXPECT_EQ(log.errorCount(), 0);
      EXPECT_TRUE(log.errorLines().empty());
      EXPECT_TRUE(log.errors().empty());
      continue;
    }
    const int id = std::stoi(row[3]);
    const std::string message =
        row.size() > 4 ? row[4] : std::string(sima::message(id, sima::Language::Japanese));
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(log.errorCount(), 1);
    EXPECT_EQ(log.errorLines(),
              (std::vector<std::string>{
                  "ERROR --------------------------------------------------------",
                  code + " " + message, "00042行目 " + row[1],
                  "--------------------------------------------------------------"}));
    ASSERT_EQ(log.errors().size(), 1u);
    const ErrorEntry& e = log.errors()[0];
    EXPECT_EQ(std::tie(e.code, e.messageId, e.message, e.lineNumber, e.lineText),
              std::make_tuple(code, id, message, 42, row[1]));
  }
}

// The check reads the fields it is given, not the line: blanks alone, or no field at all.
TEST(RecordCheck, SeriesCodeOfNoFieldIsRejectedWithoutALogEntry) {
  for (const Record check : {Record::SeriesA, Record::SeriesD, Record::SeriesF, Record::SeriesH,
                             Record::SeriesI})
    for (const Fields& fields : {Fields{""}, Fields{}}) {
      ImportLog log;
      EXPECT_EQ(log.check(check, 3, fields, "   "), -1);
      EXPECT_EQ(log.errorCount(), 0);
      EXPECT_TRUE(log.errorLines().empty());
    }
}

// The same number twice within the series being read passes: its points are not yet stored.
TEST(RecordCheck, DuplicateIsOnlyAgainstEarlierSeriesAndErrorsAccumulateInOrder) {
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
  ExtendedCString::Split("B03,y,", ',', fields);
  EXPECT_EQ(log.check(Record::B03, 11, fields, "B03,y,"), -1);
  EXPECT_EQ(log.errorCount(), 2);
  ASSERT_EQ(log.errors().size(), 2u);
  EXPECT_EQ(log.errors()[0].code, "ErrA002");
  EXPECT_EQ(log.errors()[1].code, "ErrB03-1");
  EXPECT_EQ(log.errorLines()[6], "00011行目 B03,y,");
}

}  // namespace
}  // namespace kestrel
