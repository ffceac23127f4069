#include "apps/kestrel/json.h"

#include <cstdio>
#include <sstream>
#include <utility>

#include "io/text_encoding.h"

namespace kestrel::cli {

Json Json::object() {
  Json value;
  value.kind_ = Kind::Object;
  return value;
}

Json Json::array() {
  Json value;
  value.kind_ = Kind::Array;
  return value;
}

Json Json::raw(std::string text) {
  Json value;
  value.kind_ = Kind::Raw;
  value.text_ = std::move(text);
  return value;
}

Json Json::strings(const std::vector<std::string>& items) {
  Json value = array();
  for (const auto& item : items) value.push(item);
  return value;
}

Json& Json::operator[](std::string_view key) {
  if (kind_ == Kind::Null) kind_ = Kind::Object;
  for (std::size_t i = 0; i < keys_.size(); ++i)
    if (keys_[i] == key) return items_[i];
  keys_.emplace_back(key);
  return items_.emplace_back();
}

const Json* Json::find(std::string_view key) const {
  for (std::size_t i = 0; i < keys_.size(); ++i)
    if (keys_[i] == key) return &items_[i];
  return nullptr;
}

Json& Json::push(Json value) {
  if (kind_ == Kind::Null) kind_ = Kind::Array;
  return items_.emplace_back(std::move(value));
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = io::utf8SequenceLength(text, i);
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

void Json::write(std::ostream& out, int level) const {
  switch (kind_) {
    case Kind::Null:
      out << "null";
      return;
    case Kind::Bool:
      out << (number_ != 0 ? "true" : "false");
      return;
    case Kind::Number:
      out << number_;
      return;
    case Kind::String:
      out << jsonString(text_);
      return;
    case Kind::Raw:
      out << text_;
      return;
    case Kind::Array:
    case Kind::Object:
      break;
  }
  const bool isObject = kind_ == Kind::Object;
  const char open = isObject ? '{' : '[';
  const char close = isObject ? '}' : ']';
  if (items_.empty()) {
    out << open << close;
    return;
  }
  bool flat = true;
  for (const auto& item : items_) flat = flat && item.scalar() && item.kind_ != Kind::Raw;
  const std::string inner(static_cast<std::size_t>(2 * (level + 1)), ' ');
  out << open;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    out << (i == 0 ? "" : ",");
    if (!flat)
      out << "\n" << inner;
    else if (i > 0)
      out << " ";
    if (isObject) out << jsonString(keys_[i]) << ": ";
    items_[i].write(out, level + 1);
  }
  if (!flat) out << "\n" << std::string(static_cast<std::size_t>(2 * level), ' ');
  out << close;
}

std::string Json::dump(int level) const {
  std::ostringstream out;
  write(out, level);
  return out.str();
}

}  // namespace kestrel::cli
