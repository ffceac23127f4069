// The outcome of reading or writing a file: whether it worked, what failed, where (the file, a
// line or byte offset in it) and why, told in one line a user can act on.
#pragma once

#include <cstddef>
#include <string>

namespace kestrel::io {

// What a file operation could not do.
enum class Failure {
  None,     // it worked
  Open,     // the file cannot be opened for reading
  Read,     // reading it stopped part way
  Write,    // the file (or the temporary file beside it) cannot be made or written
  Content,  // the bytes are not what the reader takes (the description says why)
};

struct Result {
  Failure failure = Failure::None;
  std::string file;         // the path concerned; empty for bytes in memory
  std::size_t line = 0;     // 1-based line where reading stopped; 0 when none applies
  std::size_t offset = 0;   // byte offset where reading stopped; 0 when none applies
  std::string description;  // why, in words

  // True when the operation worked.
  explicit operator bool() const { return failure == Failure::None; }
  // "file: line N: description (at byte M)", leaving out the parts that do not apply.
  std::string message() const;
};

// A failure of `what` with its reason.
Result failed(Failure what, std::string file, std::string description, std::size_t line = 0);
// A failure from the current errno.
Result failedWithErrno(Failure what, std::string file);

}  // namespace kestrel::io
