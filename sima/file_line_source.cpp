// Block-wise reading and decoding of SIMA files.
#include "sima/file_line_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "io/encoding_detector.h"

namespace kestrel::sima {

namespace {

// Blocks read ahead of the one being worked through.
constexpr std::size_t kBlocksAhead = 2;

// Where a block may end: just after its last LF, or after a lone CR (so CRLF stays whole).
// Neither byte occurs inside a UTF-8 or CP932 character. npos when the bytes hold no line end.
// Only bytes from `from` on are looked at: a buffer that grows by blocks while a very long line
// is read is searched once, not again on every block.
std::size_t lastCut(const std::string& bytes, bool atEnd, std::size_t from = 0) {
  for (std::size_t i = bytes.size(); i-- > from;) {
    const char c = bytes[i];
    if (c == '\n') return i + 1;
    if (c == '\r') {
      if (i + 1 < bytes.size()) return i + 1;  // followed by something other than LF
      if (atEnd) return i + 1;
    }
  }
  return std::string::npos;
}

}  // namespace

FileLineSource::~FileLineSource() { stop(); }

void FileLineSource::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

bool FileLineSource::open(const std::string& path, io::EncodingChoice choice, std::size_t blockSize) {
  stop();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) return false;
  size_ = static_cast<std::size_t>(info.st_size);
  blockSize_ = blockSize < 64 ? 64 : blockSize;
  // A small file is read whole in one go, without a buffer of a full block.
  chunk_.assign(std::min(blockSize_, std::max<std::size_t>(size_ + 1, 64)), '\0');
  if (choice == io::EncodingChoice::Auto) {
    // One pass to decide, block by block, cut at line ends as the decoding will be.
    io::EncodingDetector detector;
    std::string bytes;
    for (std::size_t n; !detector.settled() &&
                        (n = std::fread(chunk_.data(), 1, chunk_.size(), file_.get())) > 0;) {
      // A CR that ended the earlier bytes may be a line end now that a byte follows it.
      const std::size_t from = bytes.empty() ? 0 : bytes.size() - 1;
      bytes.append(chunk_.data(), n);
      const bool atEnd = std::feof(file_.get()) != 0;
      const std::size_t cut = atEnd ? bytes.size() : lastCut(bytes, false, from);
      if (cut == std::string::npos) continue;
      detector.feed(std::string_view(bytes).substr(0, cut));
      bytes.erase(0, cut);
    }
    detector.feed(bytes);
    io::EncodingVerdict verdict = detector.verdict();
    encoding_ = verdict.encoding;
    encodingReason_ = std::move(verdict.reason);
    forced_ = encoding_ == io::Encoding::Cp932 ? io::EncodingChoice::Cp932 : io::EncodingChoice::Utf8;
    std::rewind(file_.get());
  } else {
    forced_ = choice;
    encoding_ = forced_ == io::EncodingChoice::Cp932 ? io::Encoding::Cp932 : io::Encoding::Utf8;
    encodingReason_ = io::kChosenEncodingReason;
  }
  if (std::ferror(file_.get())) return false;
  pending_.clear();
  consumed_ = 0;
  blockStart_ = 0;
  first_ = true;
  ready_.clear();
  stopping_ = false;
  current_ = Block{};
  nextLine_ = 0;
  position_ = 0;
  replacements_ = 0;
  finished_ = false;
  reader_ = std::thread([this] { readAhead(); });
  return true;
}

void FileLineSource::readAhead() {
  for (;;) {
    Block block;
    bool more = false;
    try {
      more = loadBlock(block);
    } catch (const std::exception&) {
      more = false;  // out of memory: the lines end here
    }
    if (!more) {
      block = Block{};
      block.end = blockStart_;
      block.last = true;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < kBlocksAhead; });
    if (stopping_) return;
    ready_.push_back(std::move(block));
    lock.unlock();
    changed_.notify_all();
    if (!more) return;
  }
}

bool FileLineSource::loadBlock(Block& block) {
  if (!file_) return false;
  std::size_t cut = std::string::npos;
  while (true) {
    const std::size_t n = std::fread(chunk_.data(), 1, chunk_.size(), file_.get());
    const std::size_t from = pending_.empty() ? 0 : pending_.size() - 1;
    pending_.append(chunk_.data(), n);
    consumed_ += n;
    const bool atEnd = n == 0 || std::feof(file_.get()) != 0;
    if (atEnd) {
      cut = pending_.size();
      break;
    }
    cut = lastCut(pending_, false, from);
    if (cut != std::string::npos) break;  // else a very long line: read on
  }
  if (cut == 0) return false;
  const std::string_view bytes(pending_.data(), cut);
  {
    std::lock_guard lock(mutex_);
    if (!spareTexts_.empty()) {
      block.text = std::move(spareTexts_.back());
      spareTexts_.pop_back();
    }
  }
  if (block.text.size() < io::maxDecodedSize(cut)) block.text.resize(io::maxDecodedSize(cut));
  // Only the file's first bytes may carry a byte-order mark; later blocks keep theirs as text.
  block.textSize = io::decodeInto(bytes, encoding_, first_ && encoding_ == io::Encoding::Utf8,
                                  block.text.data(), block.replacements);
  first_ = false;
  const std::string_view text(block.text.data(), block.textSize);
  // The position after a line: the block's start plus the share of the block read so far.
  LineReader lines(text);
  for (std::string_view line; lines.next(line);) {
    const std::size_t position =
        blockStart_ + (text.empty() ? cut : cut * lines.position() / text.size());
    block.lines.push_back(
        Block::Line{static_cast<std::size_t>(line.data() - block.text.data()), line.size(), position});
  }
  blockStart_ += cut;
  block.end = blockStart_;
  pending_.erase(0, cut);
  return true;
}

bool FileLineSource::peek(std::size_t ahead, std::string_view& line) const {
  const std::size_t at = nextLine_ + ahead - 1;
  if (ahead == 0 || at >= current_.lines.size()) return false;
  line = std::string_view(current_.text).substr(current_.lines[at].start, current_.lines[at].length);
  return true;
}

bool FileLineSource::next(std::string_view& line) {
  while (nextLine_ >= current_.lines.size()) {
    if (finished_ || !reader_.joinable()) return false;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    if (!current_.text.empty()) spareTexts_.push_back(std::move(current_.text));
    current_ = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    nextLine_ = 0;
    position_ = current_.end;
    replacements_ += current_.replacements;
    if (current_.last) {
      finished_ = true;
      return false;
    }
  }
  const Block::Line& at = current_.lines[nextLine_++];
  line = std::string_view(current_.text).substr(at.start, at.length);
  position_ = at.position;
  return true;
}

}  // namespace kestrel::sima
