// The module's own exception: raised by a failed point lookup and by failing civil calls.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

class OrvoException : public std::runtime_error {
 public:
  explicit OrvoException(const std::string& message) : std::runtime_error(message) {}
  std::string message() const { return what(); }
};

}  // namespace kestrel
