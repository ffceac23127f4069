// The record checks of the import log, as one table of rules: the field count a record must have
// and how a wrong count is told, then the field tests in the order they are made; the first
// failing test rejects the line.
#include <array>
#include <span>

#include "sima/field_kinds.h"
#include "sima/import_log.h"

namespace kestrel {
namespace {

using sima::isInteger;
using sima::isNumber;

constexpr std::string_view kCountCode = "ErrX001";
// D00 says a bad field count in words of its own rather than with a table message.
constexpr std::string_view kLotFormatText = "書式が正しくありませんが、無視して処理を続けます。";
constexpr int kTooManyFields = 101;
constexpr int kTooFewFields = 102;

enum class FieldTest : std::uint8_t {
  Integer,         // the integer kind
  Number,          // the number kind
  Choice,          // one of `choices`
  NewPointNumber,  // an integer no earlier A series used
  SeriesCode,      // field 0 one of `choices`; an empty one fails without a log entry
};

struct FieldRule {
  std::size_t field;
  FieldTest test;
  std::string_view code;
  int messageId;
  std::span<const std::string_view> choices = {};
};

// How a wrong field count is told.
enum class CountTold : std::uint8_t {
  NotChecked,    // series checks look at field 0 only
  TooManyOrFew,  // message 101 or 102
  ByMessage,     // one message whatever the count
  InLotWords,    // D00's own text
};

struct RecordRule {
  std::size_t fieldCount;
  CountTold countTold;
  int countMessage;
  std::span<const FieldRule> tests;
};

constexpr std::string_view kOneTwo[] = {"1", "2"};
constexpr std::string_view kZeroOne[] = {"0", "1"};
constexpr std::string_view kRouteTypes[] = {"1", "2", "3", "4", "5", "6", "7"};
constexpr std::string_view kSeriesACodes[] = {"A01", "A99", "Z00"};
constexpr std::string_view kSeriesDCodes[] = {"B01", "C01", "C02", "C03", "E00",
                                              "E01", "E03", "E99", "D99"};
constexpr std::string_view kSeriesFCodes[] = {"B01", "B03", "B04", "C00", "C01", "C02",
                                              "C03", "C04", "C99", "F03", "F99"};
constexpr std::string_view kSeriesHCodes[] = {"H01", "H99"};
constexpr std::string_view kSeriesICodes[] = {"I01", "I02", "I99"};

constexpr FieldRule kG00[] = {{1, FieldTest::Number, "ErrG00-1", 124}};
constexpr FieldRule kA01[] = {{1, FieldTest::Integer, "ErrA01-1", 104},
                              {1, FieldTest::NewPointNumber, "ErrA002", 105},
                              {3, FieldTest::Number, "ErrA01-2", 106},
                              {4, FieldTest::Number, "ErrA01-3", 107},
                              {5, FieldTest::Number, "ErrA01-4", 108}};
constexpr FieldRule kD00[] = {{1, FieldTest::Integer, "ErrD00-1", 115},
                              {3, FieldTest::Choice, "ErrD00-2", 126, kOneTwo}};
constexpr FieldRule kB01[] = {{1, FieldTest::Integer, "ErrB01-1", 104}};
constexpr FieldRule kB03[] = {{1, FieldTest::Number, "ErrB03-1", 109}};
constexpr FieldRule kF00[] = {{1, FieldTest::Integer, "ErrF00-1", 116},
                              {2, FieldTest::Integer, "ErrF00-2", 117},
                              {4, FieldTest::Choice, "ErrF00-3", 127, kRouteTypes}};
constexpr FieldRule kC01[] = {{1, FieldTest::Choice, "ErrC01-1", 125, kZeroOne},
                              {2, FieldTest::Number, "ErrC01-2", 134}};
constexpr FieldRule kC02[] = {{1, FieldTest::Number, "ErrC02-1", 110},
                              {2, FieldTest::Number, "ErrC02-2", 111},
                              {3, FieldTest::Number, "ErrC02-3", 112}};
constexpr FieldRule kC03[] = {{1, FieldTest::Number, "ErrC03-1", 113},
                              {2, FieldTest::Number, "ErrC03-2", 114}};
constexpr FieldRule kH00[] = {{1, FieldTest::Integer, "ErrH00-1", 119}};
constexpr FieldRule kH01[] = {{2, FieldTest::Number, "ErrH01-1", 109},
                              {3, FieldTest::Number, "ErrH01-2", 123},
                              {4, FieldTest::Number, "ErrH01-3", 121},
                              {5, FieldTest::Choice, "ErrH01-4", 128, kOneTwo}};
constexpr FieldRule kI00[] = {{1, FieldTest::Integer, "ErrI00-1", 119}};
constexpr FieldRule kI01[] = {{2, FieldTest::Number, "ErrI01-1", 109},
                              {3, FieldTest::Number, "ErrI01-2", 123},
                              {4, FieldTest::Number, "ErrI01-3", 121}};
constexpr FieldRule kI02[] = {{2, FieldTest::Number, "ErrI02-1", 122},
                              {3, FieldTest::Number, "ErrI02-2", 123}};
constexpr FieldRule kSeriesA[] = {{0, FieldTest::SeriesCode, "ErrA001", 103, kSeriesACodes}};
constexpr FieldRule kSeriesD[] = {{0, FieldTest::SeriesCode, "ErrD001", 130, kSeriesDCodes}};
constexpr FieldRule kSeriesF[] = {{0, FieldTest::SeriesCode, "ErrF001", 131, kSeriesFCodes}};
constexpr FieldRule kSeriesH[] = {{0, FieldTest::SeriesCode, "ErrH001", 132, kSeriesHCodes}};
constexpr FieldRule kSeriesI[] = {{0, FieldTest::SeriesCode, "ErrI001", 133, kSeriesICodes}};

// In RecordCheck order.
constexpr RecordRule kRules[] = {
    {4, CountTold::TooManyOrFew, 0, kG00},    // G00
    {2, CountTold::TooManyOrFew, 0, {}},      // A00
    {2, CountTold::TooManyOrFew, 0, {}},      // A99
    {7, CountTold::ByMessage, 154, kA01},     // A01
    {5, CountTold::InLotWords, 0, kD00},      // D00
    {4, CountTold::TooManyOrFew, 0, kB01},    // B01
    {3, CountTold::TooManyOrFew, 0, kB03},    // B03
    {6, CountTold::TooManyOrFew, 0, kF00},    // F00
    {4, CountTold::TooManyOrFew, 0, kC01},    // C01
    {5, CountTold::TooManyOrFew, 0, kC02},    // C02
    {4, CountTold::TooManyOrFew, 0, kC03},    // C03
    {4, CountTold::TooManyOrFew, 0, kH00},    // H00
    {7, CountTold::ByMessage, 155, kH01},     // H01
    {2, CountTold::TooManyOrFew, 0, {}},      // H99
    {4, CountTold::TooManyOrFew, 0, kI00},    // I00
    {6, CountTold::TooManyOrFew, 0, kI01},    // I01
    {5, CountTold::TooManyOrFew, 0, kI02},    // I02
    {2, CountTold::TooManyOrFew, 0, {}},      // I99
    {0, CountTold::NotChecked, 0, kSeriesA},  // SeriesA
    {0, CountTold::NotChecked, 0, kSeriesD},  // SeriesD
    {0, CountTold::NotChecked, 0, kSeriesF},  // SeriesF
    {0, CountTold::NotChecked, 0, kSeriesH},  // SeriesH
    {0, CountTold::NotChecked, 0, kSeriesI},  // SeriesI
};
static_assert(std::size(kRules) == static_cast<std::size_t>(RecordCheck::SeriesI) + 1);

bool isOneOf(std::string_view field, std::span<const std::string_view> choices) {
  for (std::string_view choice : choices)
    if (field == choice) return true;
  return false;
}

// Whether a field passes its test; number and integer tests, by far the commonest, come first.
inline bool passes(const FieldRule& test, std::string_view field, const PointStore* earlierPoints) {
  if (test.test == FieldTest::Number) return isNumber(field);
  if (test.test == FieldTest::Integer) return isInteger(field);
  if (test.test == FieldTest::NewPointNumber)
    return earlierPoints == nullptr || !earlierPoints->contains(sima::toInteger(field));
  return isOneOf(field, test.choices);
}

// The record codes of the rules above, in RecordCheck order.
constexpr std::string_view kRecordCodes[] = {"G00", "A00", "A99", "A01", "D00", "B01",
                                             "B03", "F00", "C01", "C02", "C03", "H00",
                                             "H01", "H99", "I00", "I01", "I02", "I99"};
static_assert(std::size(kRecordCodes) == static_cast<std::size_t>(RecordCheck::SeriesA));

// Words web exporters write where a point has no elevation.
bool isElevationWord(std::string_view field) {
  const std::string_view word = sima::trimWide(field);
  for (const std::string_view known : {"undefined", "null", "nan"}) {
    if (word.size() != known.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < word.size() && same; ++i)
      same = (word[i] | 0x20) == known[i];
    if (same) return true;
  }
  return false;
}

}  // namespace

std::uint8_t tolerateDeviations(Fields& fields) {
  const std::string_view code = fields.empty() ? std::string_view() : std::string_view(fields[0]);
  std::size_t record = 0;
  while (record < std::size(kRecordCodes) && kRecordCodes[record] != code) ++record;
  if (record == std::size(kRecordCodes)) return 0;
  std::uint8_t found = 0;
  // Every checked record ends in a field nothing reads, so adding it empty changes no value.
  if (fields.size() + 1 == kRules[record].fieldCount) {
    fields.emplace_back();
    found |= kLastFieldAdded;
  }
  if (static_cast<RecordCheck>(record) == RecordCheck::A01 && fields.size() == 7 &&
      isElevationWord(fields[5])) {
    fields[5].clear();
    found |= kElevationWordDropped;
  }
  return found;
}

int ImportLog::check(RecordCheck record, int32_t line, const Fields& f, std::string_view text,
                     const PointStore* earlierPoints) {
  if (silent_) return 0;
  const RecordRule& rule = kRules[static_cast<std::size_t>(record)];
  const std::size_t count = f.size();
  if (rule.countTold != CountTold::NotChecked && count != rule.fieldCount) {
    switch (rule.countTold) {
      case CountTold::InLotWords:
        return rejectText(line, text, kCountCode, kLotFormatText, 0);
      case CountTold::ByMessage:
        return reject(line, text, kCountCode, rule.countMessage);
      default:
        return reject(line, text, kCountCode,
                      count > rule.fieldCount ? kTooManyFields : kTooFewFields);
    }
  }
  for (const FieldRule& test : rule.tests) {
    const std::string_view field =
        test.field < count ? std::string_view(f[test.field]) : std::string_view();
    if (passes(test, field, earlierPoints)) continue;
    // A blank line fails its series check without a word.
    if (test.test == FieldTest::SeriesCode && field.empty()) return -1;
    return reject(line, text, test.code, test.messageId);
  }
  return 0;
}

}  // namespace kestrel
