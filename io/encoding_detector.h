// Telling a UTF-8 SIMA file from a CP932 one, by more than whether the bytes are valid UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "io/text_encoding.h"

namespace kestrel::io {

// Decides between UTF-8 and CP932 for bytes handed over in pieces that each end where a
// character ends in both encodings (after a line end, for instance).
//
// Bytes that are not valid UTF-8 are CP932. Valid UTF-8 may still be CP932: half-width kana are
// single bytes in CP932, and a pair such as CE BC ("ﾎｼ") is also the UTF-8 of "μ". So both
// readings are judged by the characters they give: UTF-8 holding kana or kanji is UTF-8 (CP932
// bytes next to never form them); UTF-8 that reads as characters no SIMA file holds (Latin,
// Greek or Cyrillic letters, control or private characters) while CP932 reads fewer such is
// CP932; anything else valid as UTF-8 is UTF-8.
class EncodingDetector {
 public:
  void feed(std::string_view bytes);
  // True once no later bytes can change the verdict.
  bool settled() const { return invalidUtf8At_ != std::string_view::npos; }
  // The encoding and, in a few words, why.
  EncodingVerdict verdict() const;

 private:
  void judgeBothReadings(std::string_view bytes);

  std::size_t offset_ = 0;  // bytes fed so far
  std::size_t invalidUtf8At_ = std::string_view::npos;
  unsigned char invalidByte_ = 0;
  bool byteOrderMark_ = false;
  bool nonAscii_ = false;
  bool cp932Invalid_ = false;
  std::size_t kanaOrKanji_ = 0;    // in the UTF-8 reading
  std::size_t utf8Unlikely_ = 0;   // characters no SIMA file holds, read as UTF-8
  std::size_t cp932Unlikely_ = 0;  // the same, read as CP932
  std::string utf8Example_;        // the field where the UTF-8 reading first went wrong
  std::string cp932Example_;       // the same bytes read as CP932
};

}  // namespace kestrel::io
