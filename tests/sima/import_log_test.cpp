// The import log: its progress lines, the record checks that fill its error blocks (table by
// table from cases/record_checks.txt), the message tables, and the log file.
#include "sima/import_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sima/extended_cstring.h"
#include "sima/messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

using Lines = std::vector<std::string>;

const std::string kHeader = "----- VUZI_Zovidazed\xE3\x80\x80Version1.0 -----\n\n";
const std::string kTop = "ERROR --------------------------------------------------------";
const std::string kBottom = "--------------------------------------------------------------";

// Makes the call of a row of cases/log_calls.txt ("logLotEnd 40 1 4 0") on the log.
void call(ImportLog& log, const std::string& text) {
  std::istringstream words(text);
  std::string name;
  words >> name;
  std::vector<std::string> a;
  for (std::string word; words >> word;) a.push_back(word);
  a.resize(5);
  const auto n = [&](int i) { return std::stoi(a[i]); };
  if (name == "logVersion") log.logVersion(n(0), a[1]);
  else if (name == "logEnd") log.logEnd(n(0));
  else if (name == "logCoordinateStart") log.logCoordinateStart(n(0));
  else if (name == "logCoordinateEnd") log.logCoordinateEnd(n(0), n(1), n(2));
  else if (name == "logLotStart") log.logLotStart(n(0));
  else if (name == "logLotEnd") log.logLotEnd(n(0), n(1), n(2), n(3));
  else if (name == "logRouteStart") log.logRouteStart(n(0));
  else if (name == "logRouteEnd") log.logRouteEnd(n(0), n(1), n(2), n(3), a[4]);
  else if (name == "logVerticalStart") log.logVerticalStart(n(0), a[1]);
  else if (name == "logVerticalEnd") log.logVerticalEnd(n(0), n(1), n(2));
  else if (name == "logCrossSectionStart") log.logCrossSectionStart(n(0), a[1]);
  else if (name == "logSection") log.logSection(n(0), a[1]);
  else if (name == "logSectionPointCount") log.logSectionPointCount(n(0));
  else if (name == "logCrossSectionEnd") log.logCrossSectionEnd(n(0), n(1), n(2));
  else if (name == "setPath") log.setPath(a[0]);
  else if (name == "addPointNotFound") log.addPointNotFound(n(0), a[1]);
  else if (name == "addCurveInStraightRoute") log.addCurveInStraightRoute(n(0), a[1]);
  else if (name == "addVerticalOutsideAlignment") log.addVerticalOutsideAlignment(n(0), a[1]);
  else if (name == "addSectionOutsideAlignment") log.addSectionOutsideAlignment(n(0), a[1]);
  else ADD_FAILURE() << "unknown call " << name;
}

TEST(ImportLog, ProgressLinesErrorBlocksAndLogPathOfEachCall) {
  for (const auto& row : testing::textRows("sima/cases/log_calls.txt")) {
    SCOPED_TRACE(row.where);
    const bool english = row[0].rfind("en ", 0) == 0;
    const std::string text = row[0].substr(english ? 3 : 0);
    const sima::Language language = english ? sima::Language::English : sima::Language::Japanese;
    ImportLog log(language);
    call(log, text);
    if (text.rfind("setPath ", 0) == 0) {
      EXPECT_EQ(log.path(), row[1]);
      continue;
    }
    const bool error = text.rfind("add", 0) == 0;
    const Lines lines = error ? log.errorLines() : log.progressLines();
    EXPECT_EQ(lines, Lines(row.fields.begin() + 1, row.fields.end()));
    EXPECT_EQ(log.errorCount(), error ? 1 : 0);
    if (!error) continue;
    ASSERT_EQ(log.errors().size(), 1u);
    const ErrorEntry& entry = log.errors()[0];
    EXPECT_EQ(std::to_string(entry.lineNumber) + " " + entry.lineText,
              text.substr(text.find(' ') + 1));
    // A missing point's block has no code: its message is its code line.
    EXPECT_EQ((entry.code.empty() ? "" : entry.code + " ") + entry.message, lines[1]);
    EXPECT_EQ(entry.message, sima::message(entry.messageId, language));
  }
}

TEST(Messages, SpotChecksAreExact) {
  for (const auto& row : testing::textRows("sima/cases/messages.txt")) {
    SCOPED_TRACE(row.where);
    EXPECT_EQ(sima::message(std::stoi(row[0]), sima::Language::Japanese), row[1]);
    EXPECT_EQ(sima::message(std::stoi(row[0]), sima::Language::English), row[2]);
  }
}

// Every number has both texts, none outside 100 to 155; the English table falls back to Japanese
// only for 151: elsewhere it is ASCII.
TEST(Messages, EveryIdFrom100To155HasBothTextsAndReadableEnglish) {
  for (int id = 90; id <= 160; ++id) {
    const std::string japanese(sima::message(id, sima::Language::Japanese));
    const std::string english(sima::message(id, sima::Language::English));
    EXPECT_EQ(japanese.empty(), id < 100 || id > 155) << id;
    EXPECT_EQ(english.empty(), id < 100 || id > 155) << id;
    if (id == 151) continue;
    for (const char c : english) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << id;
  }
  for (int id : {-1, 0, 1000})
    EXPECT_TRUE(sima::message(id, sima::Language::Japanese).empty()) << id;
}

TEST(ErrorEntries, AddErrorBlockCountsAndKeepsTheLines) {
  ImportLog log;
  log.addErrorBlock("code line", "reference line");
  EXPECT_EQ(log.errorLines(), (Lines{kTop, "code line", "reference line", kBottom}));
  EXPECT_EQ(log.errorCount(), 1);
  EXPECT_EQ(log.errors().size(), 1u);
}

// A cleared log keeps its count; a copy keeps everything.
TEST(ImportLog, ClearKeepsTheCountAndACopyKeepsBothListsPathAndCount) {
  ImportLog log;
  log.setPath("/a/b.sim");
  log.logEnd(3);
  log.addPointNotFound(2, "B01,1,,");
  const ImportLog copy = log;
  log.clear();
  EXPECT_TRUE(log.progressLines().empty() && log.errorLines().empty() && log.errors().empty());
  EXPECT_EQ(log.errorCount(), 1);
  EXPECT_EQ(log.render(), kHeader);
  EXPECT_EQ(copy.path(), "/a/b_Input.log");
  EXPECT_EQ(copy.progressLines().size(), 1u);
  EXPECT_EQ(copy.errorLines().size(), 4u);
  EXPECT_EQ(copy.errorCount(), 1);
}

// The bytes of whole log files in both encodings: the example logs of the command line tests.
TEST(LogFile, ReplacesAnEarlierLogLeavingNoTemporaryFileOrFailsWithAReason) {
  testing::TempDir dir;
  const std::string path = dir.write("road_Input.log", std::string(10000, 'x'));
  ImportLog log;
  log.setPath((dir.path() / "road.sim").string());
  log.logVerticalStart(7, "本線");
  log.addPointNotFound(8, "B01,5,,");
  ASSERT_EQ(log.path(), path);
  ASSERT_TRUE(writeLogFile(log, io::Encoding::Utf8, {"座標", "b"}));
  EXPECT_EQ(testing::readBytes(path), log.render() + "座標\nb\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  log.setPath((dir.path() / "missing" / "road.sim").string());
  const io::Result result = writeLogFile(log, io::Encoding::Utf8);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message().find("missing"), std::string::npos) << result.message();
}

TEST(LogFile, AppendAddsLinesInTheEncodingCreatingAMissingFile) {
  testing::TempDir dir;
  const std::string path = dir.write("road_Input.log", "first\n");
  ASSERT_TRUE(appendLogLines(path, {"座標", "b"}, io::Encoding::Cp932));
  EXPECT_EQ(testing::readBytes(path), "first\n\x8D\xC0\x95\x57\nb\n");
  ASSERT_TRUE(appendLogLines(path, {"座標"}, io::Encoding::Utf8));
  EXPECT_EQ(testing::readBytes(path), "first\n\x8D\xC0\x95\x57\nb\n座標\n");
  const std::string created = (dir.path() / "new_Input.log").string();
  ASSERT_TRUE(appendLogLines(created, {"x"}, io::Encoding::Utf8));
  EXPECT_EQ(testing::readBytes(created), "x\n");
}

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
    EXPECT_EQ(log.errorLines(), (Lines{kTop, code + " " + message, "00042行目 " + row[1], kBottom}));
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
