#include "io/result.h"

#include <cerrno>
#include <cstring>

namespace kestrel::io {

std::string Result::message() const {
  std::string text;
  if (!file.empty()) text += file + ": ";
  if (line > 0) text += "line " + std::to_string(line) + ": ";
  text += description;
  if (offset > 0) text += " (at byte " + std::to_string(offset) + ")";
  return text;
}

Result failed(Failure what, std::string file, std::string description, std::size_t line) {
  Result result;
  result.failure = what;
  result.file = std::move(file);
  result.line = line;
  result.description = std::move(description);
  return result;
}

Result failedWithErrno(Failure what, std::string file) {
  return failed(what, std::move(file), std::strerror(errno));
}

}  // namespace kestrel::io
