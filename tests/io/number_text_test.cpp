// Numbers written for DXF and LandXML read back to the very same double.
#include "io/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

using kestrel::io::writeRoundTripNumber;

double readBack(const std::string& text) {
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string written(double value) {
  char buffer[32];
  return std::string(buffer, writeRoundTripNumber(buffer, buffer + sizeof buffer, value));
}

TEST(RoundTripNumber, SurveyValuesTakeTheirFewestDecimals) {
  const std::pair<double, const char*> cases[] = {
      {2050.125, "2050.125"}, {-23795.96, "-23795.96"}, {0.5, "0.5"},  {100.0, "100"},
      {0.000001, "0.000001"}, {-0.0, "-0"},             {0.0, "0"},    {1e15, "1e+15"},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(written(value), text) << text;
}

TEST(RoundTripNumber, EveryDoubleReadsBackExactly) {
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int64_t> millimetres(-100000000000LL, 100000000000LL);
  for (int i = 0; i < 200000; ++i) {
    // Decimal survey values, arbitrary finite bit patterns, and values near the limits.
    const double decimal = static_cast<double>(millimetres(random)) / 1000.0;
    double arbitrary = std::bit_cast<double>(random());
    if (!std::isfinite(arbitrary)) arbitrary = 1.0;
    for (double value : {decimal, arbitrary, decimal * 1e-7, decimal / 3.0}) {
      const std::string text = written(value);
      ASSERT_EQ(std::bit_cast<uint64_t>(readBack(text)), std::bit_cast<uint64_t>(value)) << text;
    }
  }
  for (double value : {std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                       std::numeric_limits<double>::denorm_min(), 9007199254740993.0})
    EXPECT_EQ(readBack(written(value)), value);
}

}  // namespace
