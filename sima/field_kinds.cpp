// The SIMA field kinds.
#include "sima/field_kinds.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kestrel::sima {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number at the start of `text` (after blanks): optional sign, digits with at most
// one point, optional exponent, as a C library decimal conversion reads it. No hexadecimal, no
// "inf" or "nan". `overflow` is set when the value is too large for a double; it then gives 0.
double leadingDecimal(std::string_view text, bool* overflow = nullptr) {
  if (overflow) *overflow = false;
  std::size_t i = 0;
  while (i < text.size() && isAsciiSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // from_chars takes no '+' and would read "inf" and "nan": start it only on a digit or point.
  if (i >= text.size() || !(isDigit(text[i]) || text[i] == '.')) return 0.0;
  // Survey values are short decimals ("1000.125"): with at most 15 digits the digits form an
  // exact integer and the power of ten is exact, so one division rounds correctly (Clinger).
  {
    // Digits, perhaps a point and more digits, and nothing after them.
    const char* at = text.data() + i;
    const char* end = text.data() + text.size();
    uint64_t mantissa = 0;  // wraps past 19 digits, which are refused below anyway
    const char* start = at;
    while (at < end && isDigit(*at)) mantissa = mantissa * 10 + static_cast<uint64_t>(*at++ - '0');
    const auto integerDigits = static_cast<int>(at - start);
    int decimals = 0;
    if (at < end && *at == '.') {
      start = ++at;
      while (at < end && isDigit(*at)) mantissa = mantissa * 10 + static_cast<uint64_t>(*at++ - '0');
      decimals = static_cast<int>(at - start);
    }
    const int digits = integerDigits + decimals;
    if (at == end && digits >= 1 && digits <= 15) {
      static constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
      const double value = static_cast<double>(mantissa) / kPowers[decimals];
      return negative ? -value : value;
    }
  }
  double value = 0.0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  const auto result = std::from_chars(first, last, value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value unset here; strtod tells an underflow (harmless, a tiny value
    // or zero) from an overflow (refused). It reads the same decimal text: from_chars has just
    // read it as one.
    const std::string copy(first, result.ptr);
    value = std::strtod(copy.c_str(), nullptr);
    if (std::isinf(value)) {
      if (overflow) *overflow = true;
      return 0.0;
    }
  } else if (result.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -value : value;
}

// True for the common number field: digits with at most one point, perhaps after one minus, and
// nothing else (nothing to trim or clean). Such a field is a number of the number kind, and
// converts as its digits say.
bool isPlainDecimal(std::string_view field) {
  std::size_t i = !field.empty() && field[0] == '-' ? 1 : 0;
  bool point = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (isDigit(c)) continue;
    if (c != '.' || point) return false;
    point = true;
  }
  return true;
}

// cleanNumberText without a copy for the common field that holds no ideographic space.
std::string_view cleanNumberView(std::string_view field, std::string& storage) {
  if (field.find('\xE3') == std::string_view::npos) return trim(field);
  storage = cleanNumberText(field);
  return storage;
}

}  // namespace

std::string_view trim(std::string_view text) {
  if (text.empty() || (!isAsciiSpace(text.front()) && !isAsciiSpace(text.back()))) return text;
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isAsciiSpace(text[begin])) ++begin;
  while (end > begin && isAsciiSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view trimWide(std::string_view text) {
  for (;;) {
    const std::string_view before = text;
    text = trim(text);
    while (text.substr(0, kIdeographicSpace.size()) == kIdeographicSpace)
      text.remove_prefix(kIdeographicSpace.size());
    while (text.size() >= kIdeographicSpace.size() &&
           text.substr(text.size() - kIdeographicSpace.size()) == kIdeographicSpace)
      text.remove_suffix(kIdeographicSpace.size());
    if (text.size() == before.size()) return text;
  }
}

std::string cleanNumberText(std::string_view text) {
  std::string cleaned;
  cleaned.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t found = text.find(kIdeographicSpace, from);
    if (found == std::string_view::npos) break;
    cleaned.append(text.substr(from, found - from));
    cleaned.push_back(' ');
    from = found + kIdeographicSpace.size();
  }
  cleaned.append(text.substr(from));
  return std::string(trim(cleaned));
}

bool isInteger(std::string_view field) {
  for (char c : trim(field))
    if (!isDigit(c)) return false;
  return true;
}

int32_t toInteger(std::string_view field) {
  const std::string_view text = trim(field);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int64_t kMaximum = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMinimumMagnitude = -static_cast<int64_t>(std::numeric_limits<int32_t>::min());
  const int64_t limit = negative ? kMinimumMagnitude : kMaximum;
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude >= limit) {  // saturate; the rest of the digits cannot bring it back
      magnitude = limit;
      break;
    }
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

bool isNumber(std::string_view field) {
  // A plain decimal passes every test below (it is short of the overflow test's 309 digits).
  if (field.size() < 300 && isPlainDecimal(field)) return true;
  std::string storage;
  const std::string_view cleaned = cleanNumberView(field, storage);
  // Only digits, points and minus signs can survive the removals below.
  int points = 0;
  bool hasMinus = false;
  for (char c : cleaned) {
    if (c == '.') {
      ++points;
    } else if (c == '-') {
      hasMinus = true;
    } else if (!isDigit(c)) {
      return false;
    }
  }
  if (points > 1) return false;
  if (cleaned.empty()) return true;
  // Minus signs are removed only when the value read is zero or negative. Reading stops at the
  // first minus after the start, so the value is positive exactly when the text does not begin
  // with a minus and a non-zero digit comes before the first minus.
  std::size_t integerDigits = 0;  // significant digits before the point, for the overflow test
  bool positive = false;
  bool beforePoint = true;
  for (std::size_t i = cleaned[0] == '-' ? 1 : 0; i < cleaned.size() && cleaned[i] != '-'; ++i) {
    const char c = cleaned[i];
    if (c == '.') {
      beforePoint = false;
      continue;
    }
    if (c != '0') positive = true;
    if (beforePoint && (integerDigits > 0 || c != '0')) ++integerDigits;
  }
  if (cleaned[0] == '-') positive = false;
  if (hasMinus && positive) return false;
  // A double holds up to about 1.8e308: only texts with 309 or more integer digits can overflow.
  if (integerDigits >= 309) {
    bool overflow = false;
    leadingDecimal(cleaned, &overflow);
    if (overflow) return false;
  }
  return true;
}

double toNumber(std::string_view field) {
  std::string storage;
  return leadingDecimal(cleanNumberView(field, storage));
}

bool isChoice(std::string_view field, std::initializer_list<std::string_view> choices) {
  for (std::string_view choice : choices)
    if (field == choice) return true;
  return false;
}

namespace {

// "%0.12f" by exact integer arithmetic for the values routes carry: the double is m·2^e exactly,
// so m·10^12·2^e rounded half to even (as printf rounds) is an integer computed without error
// whenever it fits 128 bits. False for anything else, which printf then formats.
bool fixed12Exact(double value, std::string& out) {
  if (!std::isfinite(value)) return false;
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);  // |value| = fraction·2^exponent
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));  // exact: 53 bits
  const int shift = exponent - 53;                                         // |value| = mantissa·2^shift
  if (shift > 20 || shift < -120) return false;
  __extension__ typedef unsigned __int128 u128;  // GCC and Clang on 64-bit targets
  u128 scaled = static_cast<u128>(mantissa) * 1000000000000ULL;  // < 2^93
  if (shift >= 0) {
    scaled <<= shift;
  } else {
    const int right = -shift;
    const u128 quotient = scaled >> right;
    const u128 remainder = scaled - (quotient << right);
    const u128 half = static_cast<u128>(1) << (right - 1);
    scaled = quotient + ((remainder > half || (remainder == half && (quotient & 1))) ? 1 : 0);
  }
  // The integer part and the twelve decimals apart: one wide division, then 64-bit digits. An
  // integer part beyond 64 bits (above 1.8e19) is left to printf, which writes the same digits.
  constexpr u128 kScale = 1000000000000ULL;
  const u128 whole = scaled / kScale;
  if (whole > std::numeric_limits<uint64_t>::max()) return false;
  const auto integer = static_cast<uint64_t>(whole);
  auto twelfths = static_cast<uint64_t>(scaled - static_cast<u128>(integer) * kScale);
  char digits[24];
  const char* integerEnd = std::to_chars(digits, digits + sizeof digits, integer).ptr;
  char decimals[12];
  for (int i = 11; i >= 0; --i) {
    decimals[i] = static_cast<char>('0' + twelfths % 10);
    twelfths /= 10;
  }
  out.clear();
  if (std::signbit(value)) out.push_back('-');
  out.append(digits, static_cast<std::size_t>(integerEnd - digits));
  out.push_back('.');
  out.append(decimals, sizeof decimals);
  return true;
}

}  // namespace

std::string formatFixed12(double value) {
  std::string exact;
  if (fixed12Exact(value, exact)) return exact;
  char buffer[400];
  const int length = std::snprintf(buffer, sizeof buffer, "%0.12f", value);
  if (length <= 0) return {};
  return std::string(buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1));
}

std::string_view formatLineNumber(int32_t lineNumber, char* out) {
  // "%.5d": a minus when negative, then the digits, zero-padded to five.
  char digits[10];
  int count = 0;
  auto magnitude = lineNumber < 0 ? 0u - static_cast<uint32_t>(lineNumber) : static_cast<uint32_t>(lineNumber);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* put = out;
  if (lineNumber < 0) *put++ = '-';
  for (int pad = count; pad < 5; ++pad) *put++ = '0';
  while (count > 0) *put++ = digits[--count];
  return {out, static_cast<std::size_t>(put - out)};
}

std::string formatLineNumber(int32_t lineNumber) {
  char buffer[12];
  return std::string(formatLineNumber(lineNumber, buffer));
}

}  // namespace kestrel::sima
