#include "platform/dxf/dxf_text.h"

#include <algorithm>
#include <cstdint>

#include "io/text_encoding.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Code points that some readers take for a line break or a control: C1 controls, U+2028, U+2029.
bool isMultiByteControl(std::string_view sequence) {
  const auto first = static_cast<std::uint8_t>(sequence[0]);
  const auto second = static_cast<std::uint8_t>(sequence[1]);
  if (sequence.size() == 2) return first == 0xC2 && second >= 0x80 && second <= 0x9F;
  return sequence.size() == 3 && first == 0xE2 && second == 0x80 &&
         (static_cast<std::uint8_t>(sequence[2]) == 0xA8 ||
          static_cast<std::uint8_t>(sequence[2]) == 0xA9);
}

bool isForbiddenInSymbolName(unsigned char byte) {
  switch (byte) {
    case '%':
    case '<':
    case '>':
    case '/':
    case '\\':
    case '"':
    case ':':
    case ';':
    case '?':
    case '*':
    case '|':
    case '=':
    case '`':
      return true;
    default:
      return byte < 0x20 || byte == 0x7F;
  }
}

int hexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

}  // namespace

bool isPlainDxfText(std::string_view text) {
  const auto* at = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = at + text.size();
  while (at < end) {
    if (*at < 0x80) {
      if (*at < 0x20 || *at == 0x7F) return false;
      ++at;
      continue;
    }
    if (*at < 0xE3 || *at > 0xEC || end - at < 3 || (at[1] & 0xC0) != 0x80 || (at[2] & 0xC0) != 0x80)
      return false;
    at += 3;
  }
  return true;
}

void appendDxfSafeText(std::string& out, std::string_view text, std::size_t maxBytes) {
  // Plain text is safe as it is; anything else takes the careful way.
  if (text.size() <= maxBytes && isPlainDxfText(text)) {
    out.append(text);
    return;
  }
  const std::size_t start = out.size();
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    std::string_view piece;
    std::size_t consumed = 1;
    if (byte >= 0x20 && byte < 0x7F) {
      // Printable ASCII runs are copied in one go.
      std::size_t end = at + 1;
      while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x20 &&
             static_cast<unsigned char>(text[end]) < 0x7F) {
        ++end;
      }
      piece = text.substr(at, end - at);
      consumed = end - at;
    } else if (byte < 0x80) {
      piece = " ";
    } else if (const std::size_t length = kestrel::io::utf8SequenceLength(text, at); length == 0) {
      piece = kReplacementCharacter;
    } else {
      piece = text.substr(at, length);
      consumed = length;
      if (isMultiByteControl(piece)) piece = " ";
    }
    const std::size_t room = maxBytes - (out.size() - start);
    if (piece.size() > room) {
      // Whole characters only: a run of ASCII may be cut anywhere, a sequence not at all.
      if (byte >= 0x20 && byte < 0x7F) out.append(piece.substr(0, room));
      return;
    }
    out.append(piece);
    at += consumed;
  }
}

std::string dxfSafeText(std::string_view text, std::size_t maxBytes) {
  std::string out;
  out.reserve(std::min(text.size(), maxBytes));
  appendDxfSafeText(out, text, maxBytes);
  return out;
}

std::string_view trimDxfText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::string escapeDxfSymbolName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (isForbiddenInSymbolName(byte)) {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string unescapeDxfSymbolName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t at = 0; at < name.size(); ++at) {
    if (name[at] != '%') {
      if (isForbiddenInSymbolName(static_cast<unsigned char>(name[at]))) return std::string(name);
      out.push_back(name[at]);
      continue;
    }
    if (at + 2 >= name.size()) return std::string(name);
    const int high = hexValue(name[at + 1]);
    const int low = hexValue(name[at + 2]);
    if (high < 0 || low < 0) return std::string(name);
    const auto byte = static_cast<unsigned char>(high * 16 + low);
    // Only bytes the escape would have written make a canonical escape.
    if (!isForbiddenInSymbolName(byte)) return std::string(name);
    out.push_back(static_cast<char>(byte));
    at += 2;
  }
  return out;
}
