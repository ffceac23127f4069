// Line splitting over a decoded buffer.
#include "sima/line_reader.h"

#include <cstring>

namespace kestrel::sima {

bool LineReader::next(std::string_view& line) {
  if (position_ >= text_.size()) return false;
  const char* begin = text_.data() + position_;
  const std::size_t left = text_.size() - position_;
  // Two memchr passes beat a byte loop: LF ends almost every line, CR is rare outside CRLF.
  const void* newline = std::memchr(begin, '\n', left);
  const std::size_t searchLength =
      newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - begin) : left;
  const void* carriageReturn = std::memchr(begin, '\r', searchLength);
  std::size_t length;
  std::size_t consumed;
  if (carriageReturn) {
    length = static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - begin);
    consumed = length + 1;
    if (consumed < left && begin[consumed] == '\n') ++consumed;  // CRLF
  } else if (newline) {
    length = searchLength;
    consumed = length + 1;
  } else {
    length = left;
    consumed = left;
  }
  line = std::string_view(begin, length);
  position_ += consumed;
  return true;
}

}  // namespace kestrel::sima
