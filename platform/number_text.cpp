#include "platform/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

char* writeRoundTripNumber(char* out, char* end, double value) {
  static constexpr double kPowers[7] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  static constexpr uint64_t kIntegerPowers[7] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-6 && magnitude < 1e15) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
      const double scaled = std::nearbyint(magnitude * kPowers[decimals]);
      if (scaled >= 9007199254740992.0) break;  // beyond 2^53 the digits are no longer exact
      // An exact integer over an exact power of ten divides with one correct rounding, as a
      // reader's conversion of the same decimal text does.
      if (scaled / kPowers[decimals] != magnitude) continue;
      const auto digits = static_cast<uint64_t>(scaled);
      if (std::signbit(value)) *out++ = '-';
      out = std::to_chars(out, end, digits / kIntegerPowers[decimals]).ptr;
      if (decimals > 0) {
        *out++ = '.';
        uint64_t fraction = digits % kIntegerPowers[decimals];
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
