// Lines of a SIMA file, decoded a block at a time so a large file is never held twice over.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "io/text_encoding.h"
#include "sima/line_reader.h"

namespace kestrel::sima {

class FileLineSource : public LineSource {
 public:
  // Opens a regular file; false when it cannot be read. Auto detection reads the file once
  // first (io::EncodingDetector).
  bool open(const std::string& path, io::EncodingChoice choice, std::size_t blockSize = 1 << 16);

  io::Encoding encoding() const { return encoding_; }
  // Why the file is read in that encoding.
  const std::string& encodingReason() const { return encodingReason_; }
  std::size_t size() const { return size_; }
  // Bytes read so far that were no character in the encoding and became U+FFFD.
  std::size_t replacements() const { return replacements_; }

  bool next(std::string_view& line) override;
  std::size_t position() const override;

 private:
  // Reads the next block, cut after a line end so no character or CRLF is split, and decodes it.
  bool loadBlock();

  std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, &std::fclose};
  io::Encoding encoding_ = io::Encoding::Utf8;
  std::string encodingReason_;
  io::EncodingChoice forced_ = io::EncodingChoice::Utf8;
  std::size_t size_ = 0;
  std::size_t blockSize_ = 1 << 16;
  std::string chunk_;      // what one read fills: a block, or the whole of a smaller file
  std::string pending_;    // bytes read but not yet decoded (after the last cut)
  std::string decoded_;    // the current block, decoded
  LineReader lines_{std::string_view()};
  std::size_t blockStart_ = 0;  // input offset of the current block
  std::size_t blockBytes_ = 0;  // its length in the input
  std::size_t consumed_ = 0;    // input bytes read from the file so far
  std::size_t replacements_ = 0;
  bool first_ = true;
};

}  // namespace kestrel::sima
