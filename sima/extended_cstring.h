// The module's exported string class and the SIMA field splitter.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sima/export.h"

namespace kestrel {

// Calls `visit(i)` with the offset of each `separator` in `text`, in order, while it returns
// true. Eight bytes are looked at a time: SIMA fields are a few characters long, too short for a
// library search per field to pay.
template <typename Visit>
void forEachSeparator(std::string_view text, char separator, Visit visit) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t pattern = kOnes * static_cast<unsigned char>(separator);
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t base = 0;
  for (; base + 8 <= size; base += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + base, sizeof word);
    const std::uint64_t x = word ^ pattern;  // a separator's byte is zero here
    // The high bit of each byte that is zero, exactly (no carry crosses a byte).
    std::uint64_t found = ~(((x & kLow7) + kLow7) | x) & ~kLow7;
    while (found != 0) {
      // Bytes are in memory order only on a little-endian machine, which every target is.
      if (!visit(base + static_cast<std::size_t>(__builtin_ctzll(found)) / 8)) return;
      found &= found - 1;
    }
  }
  for (; base < size; ++base)
    if (data[base] == separator && !visit(base)) return;
}

// A string with the field splitter that SIMA lines are cut with. Exported from the module so
// that other tools of the host can split the same way.
class KESTREL_EXPORT ExtendedCString {
 public:
  ExtendedCString() = default;
  explicit ExtendedCString(std::string text) : text_(std::move(text)) {}

  const std::string& str() const { return text_; }

  // Cuts this text at every `separator` (quoted fields keep theirs); `fields` is replaced by the
  // fields; returns their count (at least 1).
  int Split(char separator, std::vector<std::string>& fields) const;

  // The same for any line, without making an ExtendedCString first.
  static int Split(std::string_view line, char separator, std::vector<std::string>& fields);

  // Field `index` of a line as Split cuts it, without cutting the rest: a view of the line, or of
  // `scratch` when the line holds quotes; the empty text when the line has fewer fields.
  static std::string_view Field(std::string_view line, char separator, std::size_t index,
                                std::string& scratch);

 private:
  std::string text_;
};

}  // namespace kestrel
