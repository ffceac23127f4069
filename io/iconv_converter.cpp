#include "io/iconv_converter.h"

#include <iconv.h>

#include <cerrno>

namespace kestrel::io {

IconvConverter::IconvConverter(const char* to, const char* from) {
  const iconv_t handle = ::iconv_open(to, from);
  open_ = handle != reinterpret_cast<iconv_t>(-1);
  if (open_) handle_ = handle;
}

IconvConverter::~IconvConverter() {
  if (open_) ::iconv_close(static_cast<iconv_t>(handle_));
}

IconvConverter::Outcome IconvConverter::convert(std::string_view in, std::string& out) {
  if (!open_) return Outcome::Invalid;
  const auto handle = static_cast<iconv_t>(handle_);
  ::iconv(handle, nullptr, nullptr, nullptr, nullptr);
  char* input = const_cast<char*>(in.data());
  std::size_t inputLeft = in.size();
  std::size_t produced = out.size();
  out.resize(produced + in.size() * 2 + 16);
  Outcome outcome = Outcome::Complete;
  while (inputLeft > 0) {
    char* output = out.data() + produced;
    std::size_t outputLeft = out.size() - produced;
    const std::size_t result = ::iconv(handle, &input, &inputLeft, &output, &outputLeft);
    produced = out.size() - outputLeft;
    if (result != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    outcome = errno == EINVAL ? Outcome::Incomplete : Outcome::Invalid;
    break;
  }
  out.resize(produced);
  return outcome;
}

}  // namespace kestrel::io
