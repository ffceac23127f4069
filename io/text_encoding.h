// Text encodings: decoding input at the edge of the program (UTF-8 or CP932), encoding the log on
// the way out, and the UTF-8 well-formedness every reader and writer checks against.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel::io {

// The encodings a SIMA file is read in.
enum class Encoding { Utf8, Cp932 };

// What the user asked for: detect, or force one encoding.
enum class EncodingChoice { Auto, Utf8, Cp932 };

// Parses "auto", "utf-8" (also "utf8") and "cp932" (also "shift_jis", "sjis"); false when unknown.
bool parseEncodingChoice(std::string_view text, EncodingChoice& out);

// What an input is read as, and why, in a few words a report can show.
struct EncodingVerdict {
  Encoding encoding = Encoding::Utf8;
  std::string reason;
};

// A whole input file as UTF-8 text.
struct DecodedText {
  std::string text;   // UTF-8, without a byte-order mark
  Encoding encoding;  // what the bytes were read as
  std::size_t replacements = 0;  // bytes that read as no character and became U+FFFD
  std::string reason;  // why (see EncodingDetector)
};

// True when the bytes are well-formed UTF-8 (pure ASCII counts; a leading BOM is allowed).
bool isValidUtf8(std::string_view bytes);
// Offset of the first byte that begins no well-formed UTF-8 sequence, or npos when there is none.
// Overlong forms, surrogates and values above U+10FFFF are not well-formed.
std::size_t firstInvalidUtf8(std::string_view bytes);
// Length of the well-formed UTF-8 sequence at text[at], or 0 when the bytes there are not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// Auto: the encoding EncodingDetector finds; a UTF-8 BOM is dropped. An invalid byte sequence
// becomes U+FFFD; decoding never fails.
DecodedText decode(std::string_view bytes, EncodingChoice choice);

// The most bytes decoding gives for `size` bytes of input, in either encoding (a half-width
// katakana or an unreadable byte becomes three).
constexpr std::size_t maxDecodedSize(std::size_t size) { return 3 * size; }

// What decode gives for bytes in an encoding already settled, written at `out`, which has room
// for maxDecodedSize(bytes.size()), in one walk and without a buffer of its own; returns the
// length written. A leading UTF-8 BOM is dropped only when `dropByteOrderMark` (the start of a
// file, not of a later block of it).
std::size_t decodeInto(std::string_view bytes, Encoding encoding, bool dropByteOrderMark, char* out,
                       std::size_t& replacements);

// The reason given for an encoding the caller chose rather than had detected.
inline constexpr std::string_view kChosenEncodingReason = "chosen, not detected";

// What an encoding could not hold: how many characters became "?", and the first of them (its
// UTF-8 text, or the byte as read when the text was not UTF-8 there).
struct Unmappable {
  std::size_t count = 0;
  std::string first;
};

// UTF-8 text in the given encoding: unchanged for UTF-8; for CP932 every character that CP932
// cannot hold becomes "?", counted in `unmappable` when given.
std::string encode(std::string_view utf8, Encoding encoding, Unmappable* unmappable = nullptr);

}  // namespace kestrel::io
