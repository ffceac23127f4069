// The program's one use of glibc's iconv: a conversion between two encodings, opened once and
// used for many texts.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::io {

class IconvConverter {
 public:
  // Opens the conversion `from` → `to` (iconv names, e.g. "CP932", "UTF-8", "UTF-32LE").
  IconvConverter(const char* to, const char* from);
  ~IconvConverter();
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  // False when iconv does not know one of the encodings.
  bool isOpen() const { return open_; }

  enum class Outcome {
    Complete,    // every byte converted
    Invalid,     // a sequence the source lacks, or a character the target cannot hold
    Incomplete,  // the text ends inside a sequence
  };
  // Converts all of `in`, from a fresh conversion state, appending to `out`; on a stop `out`
  // keeps what was converted before it.
  Outcome convert(std::string_view in, std::string& out);

 private:
  void* handle_ = nullptr;
  bool open_ = false;
};

}  // namespace kestrel::io
