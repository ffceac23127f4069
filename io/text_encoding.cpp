// Decoding at the input edge and encoding of the log, with CP932 as glibc iconv maps it.
#include "io/text_encoding.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "io/encoding_detector.h"
#include "io/iconv_converter.h"

namespace kestrel::io {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at `data[0]`, or 0 when it is not one (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t sequenceLength(const unsigned char* data, std::size_t available) {
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
std::size_t firstInvalidFrom(std::string_view bytes, std::size_t from) {
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
    const std::size_t length = sequenceLength(data + i, size - i);
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

// UTF-8 with every byte that begins no well-formed sequence replaced by U+FFFD (counted in
// `replaced`).
std::string repairUtf8(std::string_view bytes, std::size_t& replaced) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t bad = firstInvalidFrom(bytes, start);
    out.append(bytes.substr(start, bad - start));
    if (bad == bytes.size()) break;
    out.append(kReplacementCharacter);
    ++replaced;
    start = bad + 1;
  }
  return out;
}

constexpr uint32_t kInvalid = 0xFFFFFFFF;
constexpr uint32_t kLeadByte = 0xFFFFFFFE;
constexpr uint32_t kReplacementCodePoint = 0xFFFD;

// CP932 as glibc's iconv maps it, asked once per byte and per lead-trail pair and kept in a table,
// so that decoding a large file is a table walk rather than a conversion call per character.
struct Cp932Table {
  bool available = false;
  bool asciiIsIdentity = true;            // 0x00 to 0x7F map to themselves (true for CP932)
  std::array<uint32_t, 256> single{};     // code point, kLeadByte or kInvalid
  std::array<uint16_t, 256> leadIndex{};  // row of `pairs` + 1 for lead bytes, else 0
  std::vector<uint32_t> pairs;            // (row * 256 + trail) -> code point or kInvalid
};

// One code point from `input` (UTF-32LE out of the converter), or kInvalid / kLeadByte (an
// incomplete sequence).
uint32_t convertOne(IconvConverter& converter, std::string_view input, std::string& buffer) {
  buffer.clear();
  switch (converter.convert(input, buffer)) {
    case IconvConverter::Outcome::Incomplete:
      return kLeadByte;
    case IconvConverter::Outcome::Invalid:
      return kInvalid;
    case IconvConverter::Outcome::Complete:
      break;
  }
  if (buffer.size() != 4) return kInvalid;
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

Cp932Table buildCp932Table() {
  Cp932Table table;
  IconvConverter converter("UTF-32LE", "CP932");
  if (!converter.isOpen()) return table;
  std::string buffer;
  std::size_t rows = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    table.single[static_cast<std::size_t>(byte)] = convertOne(converter, {&c, 1}, buffer);
    if (table.single[static_cast<std::size_t>(byte)] == kLeadByte)
      table.leadIndex[static_cast<std::size_t>(byte)] = static_cast<uint16_t>(++rows);
    if (byte < 0x80 && table.single[static_cast<std::size_t>(byte)] != static_cast<uint32_t>(byte))
      table.asciiIsIdentity = false;
  }
  table.pairs.assign(rows * 256, kInvalid);
  for (int lead = 0; lead < 256; ++lead) {
    const std::size_t row = table.leadIndex[static_cast<std::size_t>(lead)];
    if (row == 0) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const uint32_t codePoint = convertOne(converter, {pair, 2}, buffer);
      table.pairs[(row - 1) * 256 + static_cast<std::size_t>(trail)] =
          codePoint == kLeadByte ? kInvalid : codePoint;
    }
  }
  table.available = true;
  return table;
}

const Cp932Table& cp932Table() {
  static const Cp932Table table = buildCp932Table();
  return table;
}

std::size_t utf8Length(uint32_t codePoint) {
  return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

char* putUtf8(char* out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// Walks the CP932 bytes, handing each run of ASCII and each decoded character to `sink`. A byte
// that begins no valid sequence gives U+FFFD and the walk goes on with the next byte, as iconv
// reports it: a lead byte followed by an invalid trail byte is replaced alone.
template <typename Sink>
void walkCp932(const Cp932Table& table, std::string_view bytes, Sink& sink) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t i = 0;
  while (i < size) {
    if (table.asciiIsIdentity && data[i] < 0x80) {
      const std::size_t start = i;
      while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        if (word & 0x8080808080808080ULL) break;
        i += 8;
      }
      while (i < size && data[i] < 0x80) ++i;
      sink.ascii(bytes.substr(start, i - start));
      continue;
    }
    const uint32_t single = table.single[data[i]];
    if (single == kLeadByte) {
      const std::size_t row = table.leadIndex[data[i]];
      const uint32_t pair = i + 1 < size ? table.pairs[(row - 1) * 256 + data[i + 1]] : kInvalid;
      if (pair != kInvalid) {
        sink.character(pair);
        i += 2;
        continue;
      }
      sink.character(kReplacementCodePoint);
    } else {
      sink.character(single == kInvalid ? kReplacementCodePoint : single);
    }
    ++i;
  }
}

struct MeasureSink {
  std::size_t size = 0;
  std::size_t replaced = 0;  // CP932 maps nothing to U+FFFD: each one is a byte it could not read
  void ascii(std::string_view run) { size += run.size(); }
  void character(uint32_t codePoint) {
    size += utf8Length(codePoint);
    if (codePoint == kReplacementCodePoint) ++replaced;
  }
};

// Writes the characters out, counting the replacements as it goes (the room is known to be
// enough).
struct WriteSink {
  char* out;
  std::size_t replaced = 0;
  void ascii(std::string_view run) {
    std::memcpy(out, run.data(), run.size());
    out += run.size();
  }
  void character(uint32_t codePoint) {
    if (codePoint == kReplacementCodePoint) ++replaced;
    out = putUtf8(out, codePoint);
  }
};

std::string decodeCp932(std::string_view bytes, std::size_t& replaced) {
  const Cp932Table& table = cp932Table();
  if (!table.available) return repairUtf8(bytes, replaced);  // no CP932 support: keep what is readable
  // Two walks: the first sizes the text exactly, so a large file is not held twice over.
  MeasureSink measure;
  walkCp932(table, bytes, measure);
  replaced += measure.replaced;
  std::string out(measure.size, '\0');
  WriteSink write{out.data()};
  walkCp932(table, bytes, write);
  return out;
}

// The code point of a well-formed UTF-8 sequence of `length` bytes.
uint32_t utf8CodePoint(const unsigned char* data, std::size_t length) {
  if (length == 1) return data[0];
  uint32_t codePoint = data[0] & (0xFFu >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) codePoint = codePoint << 6 | (data[k] & 0x3Fu);
  return codePoint;
}

// CP932 bytes of a code point in the encoder's form: below 0x100 one byte, else lead << 8 | trail;
// kAskIconv when the table has no answer.
constexpr uint16_t kAskIconv = 0xFFFF;

// iconv's answer for one code point, the converter opened on first use.
class IconvEncoder {
 public:
  uint16_t encode(uint32_t codePoint) {
    if (!converter_) converter_ = std::make_unique<IconvConverter>("CP932", "UTF-8");
    char inBuffer[4];
    const std::size_t length = static_cast<std::size_t>(putUtf8(inBuffer, codePoint) - inBuffer);
    buffer_.clear();
    if (converter_->convert({inBuffer, length}, buffer_) != IconvConverter::Outcome::Complete)
      return kAskIconv;
    const auto* out = reinterpret_cast<const unsigned char*>(buffer_.data());
    if (buffer_.size() == 1) return out[0];
    if (buffer_.size() == 2) return static_cast<uint16_t>(out[0] << 8 | out[1]);
    return kAskIconv;
  }

 private:
  std::unique_ptr<IconvConverter> converter_;
  std::string buffer_;
};

// The log's direction, from code point to CP932, built from the decoding table so that encoding a
// large log is a table lookup per character. Where several sequences decode to one code point
// (the NEC and IBM duplicates) iconv is asked once which one it writes; a code point no sequence
// decodes to is left to iconv when it is met.
struct Cp932Encoder {
  bool available = false;
  bool asciiIsIdentity = true;
  std::vector<uint16_t> bytesOf;  // by BMP code point
};

Cp932Encoder buildCp932Encoder() {
  Cp932Encoder encoder;
  const Cp932Table& table = cp932Table();
  if (!table.available) return encoder;
  encoder.asciiIsIdentity = table.asciiIsIdentity;
  encoder.bytesOf.assign(0x10000, kAskIconv);
  std::vector<uint32_t> shared;
  auto add = [&](uint32_t codePoint, uint16_t code) {
    if (codePoint >= 0x10000) return;
    uint16_t& slot = encoder.bytesOf[codePoint];
    if (slot == kAskIconv) {
      slot = code;
    } else if (slot != code) {
      shared.push_back(codePoint);
    }
  };
  for (int byte = 0; byte < 256; ++byte) {
    const uint32_t single = table.single[static_cast<std::size_t>(byte)];
    if (single == kInvalid) continue;
    if (single != kLeadByte) {
      add(single, static_cast<uint16_t>(byte));
      continue;
    }
    const std::size_t row = table.leadIndex[static_cast<std::size_t>(byte)];
    for (int trail = 0; trail < 256; ++trail) {
      const uint32_t pair = table.pairs[(row - 1) * 256 + static_cast<std::size_t>(trail)];
      if (pair != kInvalid) add(pair, static_cast<uint16_t>(byte << 8 | trail));
    }
  }
  IconvEncoder ask;
  for (const uint32_t codePoint : shared) encoder.bytesOf[codePoint] = ask.encode(codePoint);
  encoder.available = true;
  return encoder;
}

const Cp932Encoder& cp932Encoder() {
  static const Cp932Encoder encoder = buildCp932Encoder();
  return encoder;
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
  return firstInvalidFrom(bytes, 0) == bytes.size();
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
  const std::size_t at = firstInvalidFrom(bytes, 0);
  return at == bytes.size() ? std::string_view::npos : at;
}

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  return sequenceLength(reinterpret_cast<const unsigned char*>(text.data()) + at, text.size() - at);
}

DecodedText decode(std::string_view bytes, EncodingChoice choice) {
  DecodedText decoded{{}, Encoding::Utf8, 0, std::string(kChosenEncodingReason)};
  EncodingVerdict verdict{choice == EncodingChoice::Cp932 ? Encoding::Cp932 : Encoding::Utf8,
                          std::string(kChosenEncodingReason)};
  if (choice == EncodingChoice::Auto) {
    EncodingDetector detector;
    detector.feed(bytes);
    verdict = detector.verdict();
  }
  decoded.reason = std::move(verdict.reason);
  if (verdict.encoding == Encoding::Cp932) {
    decoded.text = decodeCp932(bytes, decoded.replacements);
    decoded.encoding = Encoding::Cp932;
    return decoded;
  }
  const std::string_view body = withoutByteOrderMark(bytes);
  decoded.text = isValidUtf8(body) ? std::string(body) : repairUtf8(body, decoded.replacements);
  return decoded;
}

std::size_t decodeInto(std::string_view bytes, Encoding encoding, bool dropByteOrderMark, char* out,
                       std::size_t& replacements) {
  if (encoding == Encoding::Cp932 && cp932Table().available) {
    WriteSink write{out};
    walkCp932(cp932Table(), bytes, write);
    replacements += write.replaced;
    return static_cast<std::size_t>(write.out - out);
  }
  // UTF-8, or CP932 where iconv has no CP932 (what is readable is kept, as decode does).
  const std::string_view body = dropByteOrderMark ? withoutByteOrderMark(bytes) : bytes;
  if (encoding == Encoding::Utf8 && isValidUtf8(body)) {
    std::memcpy(out, body.data(), body.size());
    return body.size();
  }
  const std::string repaired = repairUtf8(body, replacements);
  std::memcpy(out, repaired.data(), repaired.size());
  return repaired.size();
}

std::string encode(std::string_view utf8, Encoding encoding, Unmappable* unmappable) {
  if (encoding == Encoding::Utf8) return std::string(utf8);
  const Cp932Encoder& encoder = cp932Encoder();
  if (!encoder.available) return std::string(utf8);
  const auto* data = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t size = utf8.size();
  // CP932 never takes more bytes than UTF-8 for the same text.
  std::string out(size, '\0');
  char* put = out.data();
  IconvEncoder fallback;
  auto lost = [&](std::size_t at, std::size_t length) {
    *put++ = '?';
    if (unmappable == nullptr) return;
    if (unmappable->count++ == 0) unmappable->first.assign(utf8.substr(at, length));
  };
  std::size_t i = 0;
  while (i < size) {
    if (data[i] < 0x80 && encoder.asciiIsIdentity) {
      *put++ = static_cast<char>(data[i++]);
      continue;
    }
    const std::size_t length = sequenceLength(data + i, size - i);
    if (length == 0) {  // not UTF-8: one "?" for the byte
      lost(i, 1);
      ++i;
      continue;
    }
    const uint32_t codePoint = utf8CodePoint(data + i, length);
    uint16_t code = codePoint < 0x10000 ? encoder.bytesOf[codePoint] : kAskIconv;
    if (code == kAskIconv) code = fallback.encode(codePoint);
    if (code == kAskIconv) {  // a character CP932 lacks: one "?" for the whole sequence
      lost(i, length);
    } else if (code < 0x100) {
      *put++ = static_cast<char>(code);
    } else {
      *put++ = static_cast<char>(code >> 8);
      *put++ = static_cast<char>(code & 0xFF);
    }
    i += length;
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
  return out;
}

}  // namespace kestrel::io
