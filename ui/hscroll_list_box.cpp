#include "ui/hscroll_list_box.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace kestrel {

namespace {

constexpr int kCellPixels = 7;

// Decodes one UTF-8 sequence at `i`, advancing it; a malformed byte counts as one character.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 1;
  if (i + static_cast<std::size_t>(length) > text.size()) length = 1;
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k)
    value =
        (value << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
  i += static_cast<std::size_t>(length);
  return value;
}

// Characters that take two cells: CJK, kana, Hangul, full-width forms.
bool isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

CHScrollListBox::CHScrollListBox(TextWidth measure, bool useTabStops)
    : measure_(std::move(measure)), useTabStops_(useTabStops) {
  if (!measure_) measure_ = &CHScrollListBox::cellWidth;
}

int CHScrollListBox::cellWidth(std::string_view text, bool expandTabs) {
  int cells = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = nextCodePoint(text, i);
    if (c == U'\t' && expandTabs)
      cells = (cells / 8 + 1) * 8;
    else
      cells += isWide(c) ? 2 : 1;
  }
  return cells * kCellPixels;
}

// Tab-stop lists measure with tabs expanded and add 2 pixels; others add 3.
int CHScrollListBox::lineExtent(const std::string& line) const {
  return useTabStops_ ? measure_(line, true) + 2 : measure_(line, false) + 3;
}

int CHScrollListBox::addString(const std::string& line) {
  return insertString(-1, line);
}

int CHScrollListBox::insertString(int index, const std::string& line) {
  if (index < 0 || static_cast<std::size_t>(index) > lines_.size()) index = count();
  lines_.insert(lines_.begin() + index, line);
  extent_ = std::max(extent_, lineExtent(line));
  return index;
}

int CHScrollListBox::deleteString(int index) {
  if (index < 0 || index >= count()) return -1;
  lines_.erase(lines_.begin() + index);
  extent_ = 0;
  for (const auto& line : lines_) extent_ = std::max(extent_, lineExtent(line));
  return count();
}

void CHScrollListBox::resetContent() {
  lines_.clear();
  extent_ = 0;
}

}  // namespace kestrel
