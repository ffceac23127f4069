#include "io/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace kestrel::io {

char* writeRoundTripNumber(char* out, char* end, double value) {
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-6 && magnitude < 1e9) {
    // Any value with at most six decimals also reads back from its six-decimal form: an exact
    // integer over the exact power 10^6 divides with one correct rounding, as a reader's
    // conversion of the same text does. One test settles it; trailing zeros then go.
    const double scaled = std::nearbyint(magnitude * 1e6);
    if (scaled / 1e6 == magnitude) {
      const auto digits = static_cast<uint64_t>(scaled);
      if (std::signbit(value)) *out++ = '-';
      out = std::to_chars(out, end, digits / 1000000).ptr;
      uint64_t fraction = digits % 1000000;
      if (fraction != 0) {
        int decimals = 6;
        while (fraction % 10 == 0) {
          fraction /= 10;
          --decimals;
        }
        *out++ = '.';
        for (int i = decimals - 1; i >= 0; --i) {
          out[i] = static_cast<char>('0' + fraction % 10);
          fraction /= 10;
        }
        out += decimals;
      }
      return out;
    }
  }
  return std::to_chars(out, end, value).ptr;
}

}  // namespace kestrel::io
