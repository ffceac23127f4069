#include "io/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kestrel::io {

namespace {

// "00" to "99": two digits per table look-up.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void putPair(char* out, std::uint32_t value) { std::memcpy(out, kDigitPairs + 2 * value, 2); }

// The decimal digits of value (< 10^9) at out; the end of the text.
char* putInteger(char* out, std::uint32_t value) {
  const int length = value < 10           ? 1
                     : value < 100        ? 2
                     : value < 1000       ? 3
                     : value < 10000      ? 4
                     : value < 100000     ? 5
                     : value < 1000000    ? 6
                     : value < 10000000   ? 7
                     : value < 100000000  ? 8
                                          : 9;
  char* at = out + length;
  while (value >= 100) {
    at -= 2;
    putPair(at, value % 100);
    value /= 100;
  }
  if (value >= 10) {
    putPair(at - 2, value);
  } else {
    at[-1] = static_cast<char>('0' + value);
  }
  return out + length;
}

}  // namespace

char* writeRoundTripNumber(char* out, char* end, double value) {
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-6 && magnitude < 1e9) {
    // Any value with at most six decimals also reads back from its six-decimal form: an exact
    // integer over the exact power 10^6 divides with one correct rounding, as a reader's
    // conversion of the same text does. One test settles it; trailing zeros then go.
    // The product is below 2^52, where adding and taking away 2^52 rounds it to an integer half
    // to even, as nearbyint does, without nearbyint's saving and restoring of the floating-point
    // environment.
    const double product = magnitude * 1e6;
    const double scaled = (product + 0x1p52) - 0x1p52;
    if (scaled / 1e6 == magnitude) {
      const auto digits = static_cast<std::uint64_t>(scaled);
      if (std::signbit(value)) *out++ = '-';
      out = putInteger(out, static_cast<std::uint32_t>(digits / 1000000));
      const auto fraction = static_cast<std::uint32_t>(digits % 1000000);
      if (fraction != 0) {
        // All six decimals go in (the room is there); the end stops before the trailing zeros.
        *out++ = '.';
        putPair(out, fraction / 10000);
        putPair(out + 2, fraction / 100 % 100);
        putPair(out + 4, fraction % 100);
        const int decimals = fraction % 1000 == 0
                                 ? (fraction % 100000 == 0 ? 1 : fraction % 10000 == 0 ? 2 : 3)
                                 : (fraction % 100 == 0 ? 4 : fraction % 10 == 0 ? 5 : 6);
        out += decimals;
      }
      return out;
    }
  }
  return std::to_chars(out, end, value).ptr;
}

}  // namespace kestrel::io
