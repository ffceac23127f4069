// Splits decoded text into lines, as a text-mode file read would.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrel::sima {

// Where the series readers take their lines from.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line without its line end (valid until the next call), or false at the end.
  virtual bool next(std::string_view& line) = 0;
  // The line `ahead` lines after the one next() gave last (1: the next one), when the source has
  // it at hand without reading; for hints only, such as what to fetch into the cache.
  virtual bool peek(std::size_t ahead, std::string_view& line) const {
    (void)ahead;
    (void)line;
    return false;
  }
  // How far the input has been read, in bytes of the input (the "file position").
  virtual std::size_t position() const = 0;
};

// Reads lines from a UTF-8 buffer it does not own. CRLF, LF and a lone CR each end a line; the
// line end is not part of the line. A final line without a line end still counts; an empty buffer
// has no lines.
class LineReader : public LineSource {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // The next line, or false at the end of the text.
  bool next(std::string_view& line) override;

  // Bytes consumed so far (the "file position").
  std::size_t position() const override { return position_; }
  std::size_t size() const { return text_.size(); }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace kestrel::sima
