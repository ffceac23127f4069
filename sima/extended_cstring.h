// The module's exported string class and the SIMA field splitter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sima/export.h"

namespace kestrel {

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
