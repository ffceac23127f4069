// The fields of a line: how it is split, and what each kind of field reads as.
#include "sima/field_kinds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "sima/extended_cstring.h"
#include "tests/support/text_rows.h"

namespace kestrel::sima {
namespace {

using Fields = std::vector<std::string>;

// Each row of cases/split.txt: a line, then its fields. One list of fields serves every row, as
// the import reuses it: surplus fields of a longer line before are dropped.
TEST(Split, GivesTheFieldsAndTheirCount) {
  Fields fields{"old0", "old1", "old2", "old3", "old4", "old5", "old6", "old7"};
  for (const auto& row : kestrel::testing::textRows("sima/cases/split.txt")) {
    SCOPED_TRACE(row.where);
    const int count = ExtendedCString::Split(row[0], ',', fields);
    EXPECT_EQ(fields, Fields(row.fields.begin() + 1, row.fields.end()));
    EXPECT_EQ(count, static_cast<int>(row.size()) - 1);
  }
}

TEST(Split, MemberSplitsItsOwnTextWithAnySeparator) {
  const ExtendedCString text("a;\"b;c\";d");
  Fields fields;
  EXPECT_EQ(text.Split(';', fields), 3);
  EXPECT_EQ(fields, (Fields{"a", "b;c", "d"}));
  EXPECT_EQ(text.str(), "a;\"b;c\";d");
}

TEST(Split, CountsEveryCommaOfALongLine) {
  // 100,000 fields of one digit each: the count is the number of separators plus one.
  std::string line;
  for (int i = 0; i < 100000; ++i) {
    if (i) line.push_back(',');
    line.push_back(static_cast<char>('0' + i % 10));
  }
  Fields fields;
  ASSERT_EQ(ExtendedCString::Split(line, ',', fields), 100000);
  for (int i = 0; i < 100000; i += 9973)
    EXPECT_EQ(fields[static_cast<std::size_t>(i)], std::string(1, static_cast<char>('0' + i % 10)));
}

// Each row of cases/field_kinds.txt: a function, its input and what it gives.
TEST(FieldKinds, CorpusRows) {
  for (const auto& row : kestrel::testing::textRows("sima/cases/field_kinds.txt")) {
    SCOPED_TRACE(row.where);
    const std::string& kind = row[0];
    const std::string& field = row[1];
    if (kind == "number" || kind == "integer") {
      EXPECT_EQ(kind == "number" ? isNumber(field) : isInteger(field), row[2] == "yes");
    } else if (kind == "toNumber") {
      const double expected = std::strtod(row[2].c_str(), nullptr);
      EXPECT_DOUBLE_EQ(toNumber(field), expected);
      EXPECT_EQ(std::signbit(toNumber(field)), std::signbit(expected));
    } else if (kind == "toInteger") {
      EXPECT_EQ(toInteger(field), std::stoll(row[2]));
    } else if (kind == "choice") {
      // The options as the checks give them: a list written in the code.
      const std::string_view option = row[2];
      EXPECT_EQ(option == "1 2" ? isChoice(field, {"1", "2"}) : isChoice(field, {option}),
                row[3] == "yes");
    } else if (kind == "trim") {
      EXPECT_EQ(trim(field), row[2]);
    } else if (kind == "trimWide") {
      EXPECT_EQ(trimWide(field), row[2]);
    } else if (kind == "cleanNumberText") {
      EXPECT_EQ(cleanNumberText(field), row[2]);
    } else if (kind == "formatLineNumber") {
      EXPECT_EQ(formatLineNumber(std::stoi(field)), row[2]);
    } else if (kind == "formatFixed12") {
      EXPECT_EQ(formatFixed12(std::strtod(field.c_str(), nullptr)), row[2]);
    } else {
      ADD_FAILURE() << "unknown function " << kind;
    }
  }
}

// Random decimal texts against the C library's own conversions: numbers as strtod reads them,
// integers as strtoll does, clamped to 32 bits.
TEST(ToNumber, ConvertsDecimalTextAsStrtodDoesAndIntegersAsStrtoll) {
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> digit(0, 9), length(1, 18);
  const auto digits = [&](std::string& text) {
    for (int d = length(random); d > 0; --d) text.push_back(static_cast<char>('0' + digit(random)));
  };
  for (int i = 0; i < 2000; ++i) {
    std::string text = i % 2 ? "-" : "";
    digits(text);
    if (i % 3) digits(text += '.');
    ASSERT_TRUE(isNumber(text)) << text;
    ASSERT_EQ(toNumber(text), std::strtod(text.c_str(), nullptr)) << text;
  }
  random.seed(7);
  std::uniform_int_distribution<int64_t> value(-3000000000LL, 3000000000LL);
  for (int i = 0; i < 2000; ++i) {
    const std::string text = std::to_string(value(random));
    ASSERT_EQ(toInteger(text),
              std::clamp<int64_t>(std::strtoll(text.c_str(), nullptr, 10), INT32_MIN, INT32_MAX))
        << text;
  }
}

// The fixed twelve-decimal form must be printf's, digit for digit, also for values that fall
// exactly halfway at the twelfth decimal.
TEST(FormatFixed12, MatchesPrintfDigitForDigit) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> coordinate(-100000.0, 100000.0);
  std::uniform_int_distribution<int> bits(-60, 40);
  auto printfForm = [](double v) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%0.12f", v);
    return std::string(buffer);
  };
  std::vector<double> values = {0.0, -0.0, 1.0, -2050.125, 0.5e-12, 1.5e-12, 2.5e-12, 1e-13,
                                123456.789, 1e15, 9007199254740993.0, 1e300, 5e-324};
  for (int i = 0; i < 100000; ++i) {
    values.push_back(coordinate(random));
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), bits(random)));
    values.push_back(std::round(coordinate(random) * 1000.0) / 1000.0);
  }
  for (double v : values) ASSERT_EQ(formatFixed12(v), printfForm(v)) << v;
}

}  // namespace
}  // namespace kestrel::sima
