// Lines of a SIMA file, decoded a block at a time so a large file is never held twice over.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "io/text_encoding.h"
#include "sima/line_reader.h"

namespace kestrel::sima {

// Reads on a thread of its own: the next blocks are read, decoded and cut into lines while the
// caller works through the current one. The lines, and the order they come in, are those of the
// file decoded at once.
class FileLineSource : public LineSource {
 public:
  FileLineSource() = default;
  ~FileLineSource() override;
  FileLineSource(const FileLineSource&) = delete;
  FileLineSource& operator=(const FileLineSource&) = delete;

  // Opens a regular file; false when it cannot be read. Auto detection reads the file once
  // first (io::EncodingDetector).
  bool open(const std::string& path, io::EncodingChoice choice, std::size_t blockSize = 1 << 16);

  io::Encoding encoding() const { return encoding_; }
  // Why the file is read in that encoding.
  const std::string& encodingReason() const { return encodingReason_; }
  std::size_t size() const { return size_; }
  // Bytes of the blocks handed out so far that were no character in the encoding and became
  // U+FFFD.
  std::size_t replacements() const { return replacements_; }

  bool next(std::string_view& line) override;
  // Within the block at hand only.
  bool peek(std::size_t ahead, std::string_view& line) const override;
  std::size_t position() const override { return position_; }

 private:
  // One block: its text decoded, its lines, and the input position after each line.
  struct Block {
    struct Line {
      std::size_t start;
      std::size_t length;
      std::size_t position;
    };
    // The decoded text is its first textSize bytes: the buffer is sized for the most a block can
    // decode to and goes back to the reading thread for a later block once its lines are read.
    std::string text;
    std::size_t textSize = 0;
    std::vector<Line> lines;
    std::size_t end = 0;           // input position after the block
    std::size_t replacements = 0;  // bytes that became U+FFFD
    bool last = false;             // nothing follows
  };

  // Reads the next block, cut after a line end so no character or CRLF is split, and decodes it
  // (on the reading thread).
  bool loadBlock(Block& block);
  void readAhead();
  void stop();

  std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, &std::fclose};
  io::Encoding encoding_ = io::Encoding::Utf8;
  std::string encodingReason_;
  io::EncodingChoice forced_ = io::EncodingChoice::Utf8;
  std::size_t size_ = 0;
  std::size_t blockSize_ = 1 << 16;
  // The reading thread's own state (and open's, before the thread starts).
  std::string chunk_;           // what one read fills: a block, or the whole of a smaller file
  std::string pending_;         // bytes read but not yet decoded (after the last cut)
  std::size_t consumed_ = 0;    // input bytes read from the file so far
  std::size_t blockStart_ = 0;  // input offset of the block being made
  bool first_ = true;
  // Between the threads.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  std::vector<std::string> spareTexts_;  // buffers of blocks read through, for the next blocks
  bool stopping_ = false;
  std::thread reader_;
  // The caller's.
  Block current_;
  std::size_t nextLine_ = 0;
  std::size_t position_ = 0;
  std::size_t replacements_ = 0;
  bool finished_ = false;
};

}  // namespace kestrel::sima
