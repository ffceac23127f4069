// Encoding detection: validity first, then which reading gives characters a SIMA file holds.
#include "io/encoding_detector.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace kestrel::io {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kExampleBytes = 40;  // at most this much of a field goes into a reason

// Kana, kanji, CJK punctuation and full-width forms: what Japanese text is made of. In UTF-8
// every one takes three bytes.
bool isKanaOrKanji(uint32_t c) {
  return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF01 && c <= 0xFF9F);
}

// Characters no SIMA file holds: C1 controls, Latin letters with marks, and every letter from
// U+0100 to U+07FF (Latin extensions, IPA, combining marks, Greek, Cyrillic, Armenian, Hebrew,
// Arabic …) — the range that CP932 half-width kana pairs fall into when read as UTF-8 — as
// well as private-use characters and the replacement character. The Latin-1 signs Japanese
// text uses (° ± × ÷ § ¥ ² ³ …) are not among them.
bool isUnlikely(uint32_t c) {
  if (c < 0x80) return false;
  if (c < 0xA0) return true;
  if (c < 0x100) {
    switch (c) {
      case 0xA2: case 0xA3: case 0xA5: case 0xA7: case 0xA8: case 0xAC: case 0xB0: case 0xB1:
      case 0xB2: case 0xB3: case 0xB4: case 0xB6: case 0xD7: case 0xF7:
        return false;
      default:
        return true;
    }
  }
  if (c < 0x800) return true;
  return (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD;
}

// The code point of the well-formed UTF-8 sequence at text[at] (its length already known).
uint32_t codePointAt(std::string_view text, std::size_t at, std::size_t length) {
  const auto* data = reinterpret_cast<const unsigned char*>(text.data()) + at;
  if (length == 1) return data[0];
  uint32_t c = data[0] & (0xFFu >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) c = c << 6 | (data[k] & 0x3Fu);
  return c;
}

// Calls `each` with every code point of well-formed UTF-8 text and its byte offset.
template <typename Each>
void forEachCharacter(std::string_view text, Each each) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceLength(text, at);
    const std::size_t step = length == 0 ? 1 : length;
    each(length == 0 ? 0xFFFDu : codePointAt(text, at, length), at);
    at += step;
  }
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The field around offset `at`: from after the separator or line end before it to the next one.
std::string_view fieldAround(std::string_view bytes, std::size_t at) {
  const std::size_t before = bytes.find_last_of(",\r\n", at);
  const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
  const std::size_t end = std::min(bytes.find_first_of(",\r\n", at), bytes.size());
  const std::string_view field = bytes.substr(start, end - start);
  if (field.size() <= kExampleBytes) return field;
  // A long field: a window around the character, begun at an ASCII byte (or the field's start)
  // so that both readings begin on a character.
  std::size_t from = at - start > kExampleBytes / 2 ? at - start - kExampleBytes / 2 : 0;
  while (from > 0 && static_cast<unsigned char>(field[from]) >= 0x80) --from;
  return field.substr(from, kExampleBytes);
}

}  // namespace

void EncodingDetector::feed(std::string_view bytes) {
  if (offset_ == 0 && bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) byteOrderMark_ = true;
  const std::size_t start = offset_;
  offset_ += bytes.size();
  if (settled()) return;
  if (const std::size_t invalid = firstInvalidUtf8(bytes); invalid != std::string_view::npos) {
    invalidUtf8At_ = start + invalid;
    invalidByte_ = static_cast<unsigned char>(bytes[invalid]);
    return;
  }
  if (isAscii(bytes)) return;
  nonAscii_ = true;
  // Once the UTF-8 reading holds kana or kanji, or CP932 cannot read the bytes, the verdict is
  // UTF-8 unless an invalid byte comes; only validity is left to check.
  if (byteOrderMark_ || kanaOrKanji_ > 0 || cp932Invalid_) return;
  judgeBothReadings(bytes);
}

void EncodingDetector::judgeBothReadings(std::string_view bytes) {
  forEachCharacter(bytes, [&](uint32_t c, std::size_t at) {
    if (isKanaOrKanji(c)) ++kanaOrKanji_;
    if (!isUnlikely(c)) return;
    if (utf8Unlikely_++ == 0) {
      const std::string_view field = fieldAround(bytes, at);
      utf8Example_.assign(field);
      cp932Example_ = decode(field, EncodingChoice::Cp932).text;
    }
  });
  const std::string cp932 = decode(bytes, EncodingChoice::Cp932).text;
  forEachCharacter(cp932, [&](uint32_t c, std::size_t) {
    if (c == 0xFFFD) cp932Invalid_ = true;
    if (isUnlikely(c)) ++cp932Unlikely_;
  });
}

EncodingVerdict EncodingDetector::verdict() const {
  if (invalidUtf8At_ != std::string_view::npos) {
    char reason[80];
    std::snprintf(reason, sizeof reason, "not valid UTF-8 (byte 0x%02X at offset %zu)",
                  invalidByte_, invalidUtf8At_);
    return {Encoding::Cp932, reason};
  }
  if (byteOrderMark_) return {Encoding::Utf8, "UTF-8 byte-order mark"};
  if (!nonAscii_) return {Encoding::Utf8, "ASCII only"};
  if (kanaOrKanji_ > 0) return {Encoding::Utf8, "valid UTF-8 holding kana or kanji"};
  if (cp932Invalid_) return {Encoding::Utf8, "valid UTF-8, not valid CP932"};
  if (utf8Unlikely_ == 0) return {Encoding::Utf8, "valid UTF-8 of characters a SIMA file may hold"};
  if (cp932Unlikely_ < utf8Unlikely_) {
    return {Encoding::Cp932, "valid UTF-8, but as UTF-8 it reads \"" + utf8Example_ +
                                 "\", characters no SIMA file holds; as CP932 \"" +
                                 cp932Example_ + "\""};
  }
  return {Encoding::Utf8, "valid UTF-8; read as CP932 it holds no fewer unlikely characters"};
}

}  // namespace kestrel::io
