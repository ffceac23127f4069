#include "sima/field_kinds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kestrel::sima {
namespace {

const std::string kIdeographicSpace = "\xE3\x80\x80";

// ---- number kind ----

class NumberAccepted : public ::testing::TestWithParam<std::string> {};
TEST_P(NumberAccepted, IsANumber) { EXPECT_TRUE(isNumber(GetParam())) << GetParam(); }
INSTANTIATE_TEST_SUITE_P(
    FieldKinds, NumberAccepted,
    ::testing::Values("-12.5", "0.000", "7", "", "-0.0", "--5", "12.", ".5", "-.5", "0-",
                      "  100.5  ", "\t200.25\t", "-24010.239", "007", "-", ".",
                      kIdeographicSpace + "12.5" + kIdeographicSpace,
                      " " + kIdeographicSpace + " -3 " + kIdeographicSpace,
                      // 400 digits after the point: tiny, but a double holds it.
                      "0." + std::string(399, '0') + "1",
                      std::string(300, '9')));

class NumberRejected : public ::testing::TestWithParam<std::string> {};
TEST_P(NumberRejected, IsNotANumber) { EXPECT_FALSE(isNumber(GetParam())) << GetParam(); }
INSTANTIATE_TEST_SUITE_P(
    FieldKinds, NumberRejected,
    ::testing::Values("1e3", "+4", "1.2.3", "1 2", "12-", "5-", "1-2", "abc", "1,5", "0x10",
                      "inf", "nan", "-inf", "12a", "１２",  // full-width digits
                      "1" + kIdeographicSpace + "2",
                      // 400 digits overflow a double, with or without a sign.
                      std::string(400, '9'), "-" + std::string(400, '9'),
                      "1" + std::string(399, '0') + ".5"));

TEST(ToNumber, ConvertsDecimalTextAsStrtodDoes) {
  // Random decimal texts against the C library's own conversion.
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 18);
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    if (i % 2) text.push_back('-');
    const int integerDigits = length(random);
    for (int d = 0; d < integerDigits; ++d) text.push_back(static_cast<char>('0' + digit(random)));
    if (i % 3) {
      text.push_back('.');
      const int fractionDigits = length(random);
      for (int d = 0; d < fractionDigits; ++d) text.push_back(static_cast<char>('0' + digit(random)));
    }
    ASSERT_TRUE(isNumber(text)) << text;
    ASSERT_EQ(toNumber(text), std::strtod(text.c_str(), nullptr)) << text;
  }
}

struct NumberValue {
  std::string field;
  double value;
};
class ToNumberValue : public ::testing::TestWithParam<NumberValue> {};
TEST_P(ToNumberValue, Converts) {
  EXPECT_DOUBLE_EQ(toNumber(GetParam().field), GetParam().value) << GetParam().field;
}
INSTANTIATE_TEST_SUITE_P(
    FieldKinds, ToNumberValue,
    ::testing::Values(NumberValue{"", 0.0}, NumberValue{"  -12.5 ", -12.5},
                      NumberValue{kIdeographicSpace + "3.25" + kIdeographicSpace, 3.25},
                      NumberValue{"--5", 0.0},  // a number, whose decimal reading is 0
                      NumberValue{"abc", 0.0}, NumberValue{"12abc", 12.0},
                      NumberValue{"1e3", 1000.0}, NumberValue{"+4", 4.0},
                      NumberValue{"0x10", 0.0}, NumberValue{"inf", 0.0},
                      NumberValue{std::string(400, '9'), 0.0}));

TEST(ToNumber, NegativeZeroKeepsItsSign) {
  EXPECT_EQ(toNumber("-0.0"), 0.0);
  EXPECT_TRUE(std::signbit(toNumber("-0.0")));
}

// ---- integer kind ----

class IntegerAccepted : public ::testing::TestWithParam<std::string> {};
TEST_P(IntegerAccepted, IsAnInteger) { EXPECT_TRUE(isInteger(GetParam())) << GetParam(); }
INSTANTIATE_TEST_SUITE_P(FieldKinds, IntegerAccepted,
                         ::testing::Values("123456", "0", "", "   ", "  00007 ", "\t42\t",
                                           std::string(30, '9')));

class IntegerRejected : public ::testing::TestWithParam<std::string> {};
TEST_P(IntegerRejected, IsNotAnInteger) { EXPECT_FALSE(isInteger(GetParam())) << GetParam(); }
INSTANTIATE_TEST_SUITE_P(FieldKinds, IntegerRejected,
                         ::testing::Values("-1", "+1", "1.5", "1 2", "1e3", "a1", "１",
                                           kIdeographicSpace + "1"));

struct IntegerValue {
  std::string field;
  int32_t value;
};
class ToIntegerValue : public ::testing::TestWithParam<IntegerValue> {};
TEST_P(ToIntegerValue, Converts) {
  EXPECT_EQ(toInteger(GetParam().field), GetParam().value) << GetParam().field;
}
INSTANTIATE_TEST_SUITE_P(
    FieldKinds, ToIntegerValue,
    ::testing::Values(IntegerValue{"00007", 7}, IntegerValue{"", 0}, IntegerValue{"  12 ", 12},
                      IntegerValue{"abc", 0}, IntegerValue{"12abc", 12}, IntegerValue{"-5", -5},
                      IntegerValue{"+5", 5}, IntegerValue{"1.9", 1},
                      IntegerValue{"2147483647", std::numeric_limits<int32_t>::max()},
                      IntegerValue{"2147483648", std::numeric_limits<int32_t>::max()},
                      IntegerValue{"-2147483648", std::numeric_limits<int32_t>::min()},
                      IntegerValue{"-2147483649", std::numeric_limits<int32_t>::min()},
                      IntegerValue{std::string(30, '9'), std::numeric_limits<int32_t>::max()},
                      IntegerValue{"-" + std::string(30, '9'), std::numeric_limits<int32_t>::min()}));

TEST(ToInteger, AgreesWithStrtollInsideTheRange) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int64_t> value(-3000000000LL, 3000000000LL);
  for (int i = 0; i < 2000; ++i) {
    const int64_t v = value(random);
    const std::string text = std::to_string(v);
    const int64_t clamped = std::clamp<int64_t>(std::strtoll(text.c_str(), nullptr, 10),
                                                std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max());
    ASSERT_EQ(toInteger(text), clamped) << text;
  }
}

// ---- choice kind and trimming ----

TEST(Choice, MatchesExactly) {
  EXPECT_TRUE(isChoice("1", {"1", "2"}));
  EXPECT_TRUE(isChoice("2", {"1", "2"}));
  EXPECT_FALSE(isChoice(" 1", {"1", "2"}));
  EXPECT_FALSE(isChoice("01", {"1", "2"}));
  EXPECT_FALSE(isChoice("", {"1", "2"}));
  EXPECT_FALSE(isChoice("a01", {"A01"}));
}

TEST(Trim, RemovesAsciiWhiteSpaceOnly) {
  EXPECT_EQ(trim(" \t\r\n\v\fab c \t"), "ab c");
  EXPECT_EQ(trim(kIdeographicSpace + "a" + kIdeographicSpace), kIdeographicSpace + "a" + kIdeographicSpace);
  EXPECT_EQ(trim("   "), "");
}

TEST(TrimWide, AlsoRemovesIdeographicSpacesMixedWithBlanks) {
  EXPECT_EQ(trimWide(" " + kIdeographicSpace + "\t" + kIdeographicSpace + "a b" + kIdeographicSpace + " "), "a b");
  EXPECT_EQ(trimWide("a" + kIdeographicSpace + "b"), "a" + kIdeographicSpace + "b");
  EXPECT_EQ(trimWide(kIdeographicSpace), "");
}

TEST(CleanNumberText, TurnsInnerIdeographicSpacesIntoBlanks) {
  EXPECT_EQ(cleanNumberText(kIdeographicSpace + " 1" + kIdeographicSpace + "2 " + kIdeographicSpace), "1 2");
}

// ---- formats ----

TEST(Formats, LineNumbersHaveAtLeastFiveDigits) {
  EXPECT_EQ(formatLineNumber(42), "00042");
  EXPECT_EQ(formatLineNumber(1), "00001");
  EXPECT_EQ(formatLineNumber(99999), "99999");
  EXPECT_EQ(formatLineNumber(100000), "100000");
}

TEST(Formats, FixedTwelveDecimals) {
  EXPECT_EQ(formatFixed12(200.25), "200.250000000000");
  EXPECT_EQ(formatFixed12(-0.5), "-0.500000000000");
  EXPECT_EQ(formatFixed12(0.0), "0.000000000000");
  EXPECT_EQ(formatFixed12(1e20), "100000000000000000000.000000000000");
}

}  // namespace
}  // namespace kestrel::sima

namespace {

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
  for (double v : values) ASSERT_EQ(kestrel::sima::formatFixed12(v), printfForm(v)) << v;
}

}  // namespace
