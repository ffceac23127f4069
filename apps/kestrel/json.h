// A JSON value built field by field and written in the order it was built, so a report reads the
// same on every run and adding a field to it is one line.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::cli {

class Json {
 public:
  Json() = default;  // null
  Json(std::nullptr_t) {}
  Json(bool value) : kind_(Kind::Bool), number_(value ? 1 : 0) {}
  Json(int value) : kind_(Kind::Number), number_(value) {}
  Json(int64_t value) : kind_(Kind::Number), number_(value) {}
  Json(std::size_t value) : kind_(Kind::Number), number_(static_cast<int64_t>(value)) {}
  Json(const char* text) : kind_(Kind::String), text_(text) {}
  Json(std::string text) : kind_(Kind::String), text_(std::move(text)) {}
  Json(std::string_view text) : kind_(Kind::String), text_(text) {}

  static Json object();
  static Json array();
  // JSON text made elsewhere (a child process's report), written as it is.
  static Json raw(std::string text);
  // An array of strings.
  static Json strings(const std::vector<std::string>& items);

  // The object's field `key`, added as null at the end when it is not there yet.
  Json& operator[](std::string_view key);
  // The object's field `key`, or null when there is none.
  const Json* find(std::string_view key) const;
  // Appends to the array; returns the new element.
  Json& push(Json value);

  bool isNull() const { return kind_ == Kind::Null; }
  int64_t number() const { return number_; }

  // Written with two spaces per level, starting at `level`; a container holding only scalars is
  // written on one line.
  void write(std::ostream& out, int level = 0) const;
  std::string dump(int level = 0) const;

 private:
  enum class Kind { Null, Bool, Number, String, Array, Object, Raw };
  bool scalar() const { return kind_ != Kind::Array && kind_ != Kind::Object; }

  Kind kind_ = Kind::Null;
  int64_t number_ = 0;
  std::string text_;
  std::vector<std::string> keys_;  // an object's keys, parallel to items_
  std::vector<Json> items_;
};

// Text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);

}  // namespace kestrel::cli
