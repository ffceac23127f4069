#include "gis/plan/zones.h"

#include <array>
#include <cstdio>
#include <vector>

#include "io/text_encoding.h"

namespace kestrel::gis {

namespace {

// The Roman numerals of the zones, in order.
constexpr std::array<std::string_view, 19> kRomanZones = {
    "I",  "II",  "III",  "IV",   "V",   "VI",   "VII", "VIII", "IX", "X",
    "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII", "XVIII", "XIX"};

constexpr char32_t kZoneMark = U'系';

// The code points of well-formed UTF-8 (anything else is passed over).
std::u32string codePoints(std::string_view text) {
  std::u32string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = io::utf8SequenceLength(text, at);
    if (length == 0) {
      ++at;
      continue;
    }
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3Fu);
    out.push_back(c);
    at += length;
  }
  return out;
}

// The value of a decimal digit, half- or full-width, or -1.
int digitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'０' && c <= U'９') return static_cast<int>(c - U'０');
  return -1;
}

// The Roman letters a character stands for (I, V, X, full-width, and the numerals Ⅰ to Ⅻ and
// ⅰ to ⅻ), or empty.
std::string_view romanLetters(char32_t c) {
  switch (c) {
    case U'I': case U'Ｉ': return "I";
    case U'V': case U'Ｖ': return "V";
    case U'X': case U'Ｘ': return "X";
    default: break;
  }
  if (c >= U'Ⅰ' && c <= U'Ⅻ') return kRomanZones[c - U'Ⅰ'];
  if (c >= U'ⅰ' && c <= U'ⅻ') return kRomanZones[c - U'ⅰ'];
  return {};
}

bool isLatinLetter(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'Ａ' && c <= U'Ｚ') ||
         (c >= U'ａ' && c <= U'ｚ');
}

// The zone a whole token is (digits or a Roman numeral), 0 when none.
int zoneOfToken(std::u32string_view token) {
  if (token.empty()) return 0;
  int number = 0;
  bool digits = true;
  for (char32_t c : token) {
    const int digit = digitValue(c);
    if (digit < 0) {
      digits = false;
      break;
    }
    number = std::min(number * 10 + digit, 100);
  }
  if (digits) return number >= 1 && number <= 19 ? number : 0;
  std::string roman;
  for (char32_t c : token) {
    const std::string_view letters = romanLetters(c);
    if (letters.empty()) return 0;
    roman += letters;
  }
  for (std::size_t i = 0; i < kRomanZones.size(); ++i)
    if (kRomanZones[i] == roman) return static_cast<int>(i) + 1;
  return 0;
}

std::u32string_view trimmed(std::u32string_view text) {
  auto blank = [](char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\u3000'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int zoneNamedIn(std::u32string_view text) {
  for (std::size_t mark = text.find(kZoneMark); mark != std::u32string_view::npos;
       mark = text.find(kZoneMark, mark + 1)) {
    if (mark + 1 < text.size() && text[mark + 1] == U'統') continue;
    std::size_t begin = mark;
    const bool digits = begin > 0 && digitValue(text[begin - 1]) >= 0;
    while (begin > 0 && (digits ? digitValue(text[begin - 1]) >= 0
                                : !romanLetters(text[begin - 1]).empty()))
      --begin;
    // A numeral glued to a word ("MAX系") is no zone.
    if (!digits && begin > 0 && isLatinLetter(text[begin - 1])) continue;
    if (const int zone = zoneOfToken(text.substr(begin, mark - begin)); zone != 0) return zone;
  }
  return 0;
}

std::vector<std::u32string_view> fieldsOf(std::u32string_view line) {
  std::vector<std::u32string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(U',', start);
    fields.push_back(trimmed(line.substr(start, comma - start)));
    if (comma == std::u32string_view::npos) return fields;
    start = comma + 1;
  }
}

// How strongly a record names a zone: the zone record, the coordinate-system record, titles.
enum Strength { kNone = 0, kComment = 1, kTitle = 2, kCoordinateSystem = 3, kZoneRecord = 4 };

// The zone a record names, and how strongly.
int zoneOfRecord(std::u32string_view line, Strength& strength) {
  const std::vector<std::u32string_view> f = fieldsOf(line);
  auto field = [&](std::size_t i) { return i < f.size() ? f[i] : std::u32string_view(); };
  strength = kNone;
  int zone = 0;
  if (f[0] == U"Z01") {
    zone = zoneOfToken(field(1));
    if (zone == 0) zone = zoneNamedIn(field(1));
    strength = kZoneRecord;
  } else if (f[0] == U"G01" && field(1) == U"座標系") {
    zone = zoneOfToken(field(2));
    if (zone == 0) zone = zoneNamedIn(field(2));
    strength = kCoordinateSystem;
  } else if (f[0] == U"G00") {
    zone = zoneNamedIn(field(2));
    strength = kTitle;
  } else if (f[0] == U"Z00") {
    zone = zoneNamedIn(field(1));
    strength = kComment;
  }
  return zone;
}

// Only so much of a line is read: the fields that may name a zone come first.
constexpr std::size_t kLineHead = 4096;

}  // namespace

int zoneNamedIn(std::string_view text) { return zoneNamedIn(codePoints(text)); }

int zoneOf(std::string_view field) {
  const std::u32string points = codePoints(field);
  const int zone = zoneOfToken(trimmed(points));
  return zone != 0 ? zone : zoneNamedIn(points);
}

ZoneInFile findZoneInFile(const std::string& path, bool utf8) {
  ZoneInFile found;
  Strength best = kNone;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return found;
  std::vector<char> block(64 * 1024);
  std::string head;
  int line = 0;
  auto finishLine = [&] {
    ++line;
    std::string_view record(head);
    if (line == 1 && record.substr(0, 3) == "\xEF\xBB\xBF") record.remove_prefix(3);
    while (!record.empty() && (record.front() == ' ' || record.front() == '\t'))
      record.remove_prefix(1);
    const std::string_view code = record.substr(0, 3);
    if (code == "Z00" || code == "Z01" || code == "G00" || code == "G01") {
      const io::EncodingChoice encoding = utf8 ? io::EncodingChoice::Utf8 : io::EncodingChoice::Cp932;
      std::string text = io::decode(record, encoding).text;
      Strength strength = kNone;
      const int zone = zoneOfRecord(trimmed(codePoints(text)), strength);
      if (zone != 0 && strength > best) {
        best = strength;
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
        found = {zone, line, std::move(text)};
      }
    }
    head.clear();
  };
  // The zone record is the strongest: once one is found nothing can overrule it.
  for (std::size_t got; best < kZoneRecord &&
                        (got = std::fread(block.data(), 1, block.size(), file)) > 0;) {
    for (std::size_t at = 0; at < got; ++at) {
      if (block[at] == '\n') {
        finishLine();
      } else if (head.size() < kLineHead) {
        head.push_back(block[at]);
      }
    }
  }
  if (!head.empty()) finishLine();
  std::fclose(file);
  return found;
}

}  // namespace kestrel::gis
