// Decoding at the input edge and encoding of the log, with glibc iconv for CP932.
#include "sima/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kestrel::sima {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at `data[0]`, or 0 when it is not one (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t utf8SequenceLength(const unsigned char* data, std::size_t available) {
  const unsigned char lead = data[0];
  if (lead < 0x80) return 1;
  auto continuation = [&](std::size_t i) { return i < available && (data[i] & 0xC0) == 0x80; };
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (available < 3 || !continuation(2)) return 0;
    const unsigned char second = data[1];
    if (lead == 0xE0) return second >= 0xA0 && second <= 0xBF ? 3 : 0;
    if (lead == 0xED) return second >= 0x80 && second <= 0x9F ? 3 : 0;
    return continuation(1) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (available < 4 || !continuation(2) || !continuation(3)) return 0;
    const unsigned char second = data[1];
    if (lead == 0xF0) return second >= 0x90 && second <= 0xBF ? 4 : 0;
    if (lead == 0xF4) return second >= 0x80 && second <= 0x8F ? 4 : 0;
    return continuation(1) ? 4 : 0;
  }
  return 0;
}

// Offset of the first byte that does not begin a well-formed sequence, or the size when all do.
// ASCII, by far the commonest content of SIMA files, is skipped eight bytes at a time.
std::size_t firstInvalidUtf8(std::string_view bytes, std::size_t from) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t i = from;
  while (i < size) {
    if (i + 8 <= size) {
      std::uint64_t word;
      std::memcpy(&word, data + i, sizeof word);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    if (data[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = utf8SequenceLength(data + i, size - i);
    if (length == 0) return i;
    i += length;
  }
  return size;
}

std::string_view withoutByteOrderMark(std::string_view bytes) {
  return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark
             ? bytes.substr(kByteOrderMark.size())
             : bytes;
}

// UTF-8 with every byte that begins no well-formed sequence replaced by U+FFFD.
std::string repairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t bad = firstInvalidUtf8(bytes, start);
    out.append(bytes.substr(start, bad - start));
    if (bad == bytes.size()) break;
    out.append(kReplacementCharacter);
    start = bad + 1;
  }
  return out;
}

// RAII holder of one conversion descriptor.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the whole input in large steps; at each sequence iconv refuses, `onInvalid` says
  // how many input bytes to skip and what to write instead.
  template <typename OnInvalid>
  void convert(std::string_view input, std::size_t outputPerInputByte, std::string& out,
               OnInvalid onInvalid) {
    out.assign(input.size() * outputPerInputByte + 16, '\0');
    char* inPointer = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
      char* outPointer = out.data() + written;
      std::size_t outLeft = out.size() - written;
      const std::size_t result = iconv(handle_, &inPointer, &inLeft, &outPointer, &outLeft);
      written = out.size() - outLeft;
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
      const auto [skip, replacement] = onInvalid(std::string_view(inPointer, inLeft));
      if (out.size() - written < replacement.size()) out.resize(out.size() * 2 + replacement.size());
      std::memcpy(out.data() + written, replacement.data(), replacement.size());
      written += replacement.size();
      inPointer += skip;
      inLeft -= skip;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    }
    out.resize(written);
  }

 private:
  iconv_t handle_;
};

struct Skip {
  std::size_t bytes;
  std::string_view replacement;
};

std::string decodeCp932(std::string_view bytes) {
  Converter converter("UTF-8", "CP932");
  if (!converter.valid()) return repairUtf8(bytes);  // no CP932 support: keep what is readable
  std::string out;
  // One CP932 byte (half-width kana) becomes at most three UTF-8 bytes.
  converter.convert(bytes, 3, out, [](std::string_view) {
    return Skip{1, kReplacementCharacter};
  });
  return out;
}

}  // namespace

bool parseEncodingChoice(std::string_view text, EncodingChoice& out) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "auto") {
    out = EncodingChoice::Auto;
  } else if (lower == "utf-8" || lower == "utf8") {
    out = EncodingChoice::Utf8;
  } else if (lower == "cp932" || lower == "shift_jis" || lower == "sjis") {
    out = EncodingChoice::Cp932;
  } else {
    return false;
  }
  return true;
}

bool isValidUtf8(std::string_view bytes) {
  return firstInvalidUtf8(bytes, 0) == bytes.size();
}

DecodedText decode(std::string_view bytes, EncodingChoice choice) {
  if (choice == EncodingChoice::Auto)
    choice = isValidUtf8(bytes) ? EncodingChoice::Utf8 : EncodingChoice::Cp932;
  if (choice == EncodingChoice::Cp932) return {decodeCp932(bytes), Encoding::Cp932};
  const std::string_view body = withoutByteOrderMark(bytes);
  if (isValidUtf8(body)) return {std::string(body), Encoding::Utf8};
  return {repairUtf8(body), Encoding::Utf8};
}

std::string encode(std::string_view utf8, Encoding encoding) {
  if (encoding == Encoding::Utf8) return std::string(utf8);
  Converter converter("CP932", "UTF-8");
  if (!converter.valid()) return std::string(utf8);
  std::string out;
  // A character CP932 lacks, or a malformed sequence, becomes one "?" for the whole sequence.
  converter.convert(utf8, 1, out, [](std::string_view rest) {
    const std::size_t length =
        utf8SequenceLength(reinterpret_cast<const unsigned char*>(rest.data()), rest.size());
    return Skip{length == 0 ? 1 : length, "?"};
  });
  return out;
}

}  // namespace kestrel::sima
