// Writing outputs whole or not at all: the bytes go to a temporary file in the target's folder,
// which is renamed over the target only when everything was written.
#pragma once

#include <string>
#include <string_view>

#include "io/result.h"

namespace kestrel::io {

// Where a writer puts its bytes: a file, or memory in tests and previews.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes the next bytes; false when they could not be stored (the writer stops).
  virtual bool write(std::string_view bytes) = 0;
  // Why the last write failed.
  virtual std::string errorText() const { return "write failed"; }
};

// Collects the bytes in memory.
class StringSink : public ByteSink {
 public:
  bool write(std::string_view bytes) override {
    text_.append(bytes);
    return true;
  }
  // Everything written so far.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// A file replaced atomically. A new file gets the permissions any file the process creates gets
// (0666 less the umask); a file replaced keeps its own. The temporary file is removed unless
// committed, so a failed write leaves the earlier file as it was.
class AtomicFile : public ByteSink {
 public:
  // Creates the temporary file; status() says whether that worked.
  explicit AtomicFile(std::string path);
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool write(std::string_view bytes) override;
  std::string errorText() const override { return status_.description; }
  // Success while the temporary file is open and every write went through; else what failed.
  const Result& status() const { return status_; }
  // Closes the temporary file and renames it over the target.
  Result commit();

 private:
  std::string path_;
  std::string temporary_;
  Result status_;
  int descriptor_ = -1;
  bool committed_ = false;
};

// Writes `bytes` to `path` through an AtomicFile.
Result replaceFile(const std::string& path, std::string_view bytes);

}  // namespace kestrel::io
