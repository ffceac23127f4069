// Decoding of SIMA input at the edge of the program, and encoding of the log on the way out.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::sima {

// The encodings a SIMA file is read in.
enum class Encoding { Utf8, Cp932 };

// What the user asked for: detect, or force one encoding.
enum class EncodingChoice { Auto, Utf8, Cp932 };

// Parses "auto", "utf-8" (also "utf8") and "cp932" (also "shift_jis", "sjis"); false when unknown.
bool parseEncodingChoice(std::string_view text, EncodingChoice& out);

// A whole input file as UTF-8 text.
struct DecodedText {
  std::string text;        // UTF-8, without a byte-order mark
  Encoding encoding;       // what the bytes were read as
};

// True when the bytes are well-formed UTF-8 (pure ASCII counts; a leading BOM is allowed).
bool isValidUtf8(std::string_view bytes);

// Auto: valid UTF-8 is read as UTF-8 (a BOM is dropped), anything else as CP932.
// An invalid byte sequence becomes U+FFFD; decoding never fails.
DecodedText decode(std::string_view bytes, EncodingChoice choice);

// UTF-8 text in the given encoding: unchanged for UTF-8; for CP932 every character that CP932
// cannot hold becomes "?".
std::string encode(std::string_view utf8, Encoding encoding);

}  // namespace kestrel::sima
