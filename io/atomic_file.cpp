#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace kestrel::io {

namespace {

// Six characters that make a temporary name unlikely to be taken, as mkstemp's are.
std::string randomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(6, '\0');
  for (char& c : suffix) c = kLetters[pick(generator)];
  return suffix;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  struct stat existing {};
  const bool replacing = ::stat(path_.c_str(), &existing) == 0;
  // Created with 0666 like any new file, so the kernel applies the umask: asking for the umask
  // would mean setting it, which another thread writing an output at the same time would see.
  for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
    temporary_ = path_ + "." + randomSuffix();
    descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ < 0 && errno != EEXIST) break;
  }
  if (descriptor_ < 0) {
    status_ = failedWithErrno(Failure::Write, path_);
    temporary_.clear();
    return;
  }
  if (replacing) ::fchmod(descriptor_, existing.st_mode & 07777);
}

AtomicFile::~AtomicFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

bool AtomicFile::write(std::string_view bytes) {
  if (!status_ || descriptor_ < 0) return false;
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      status_ = failedWithErrno(Failure::Write, path_);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

Result AtomicFile::commit() {
  if (!status_ || descriptor_ < 0) return status_;
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (::close(descriptor) != 0 || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    status_ = failedWithErrno(Failure::Write, path_);
    return status_;
  }
  committed_ = true;
  return status_;
}

Result replaceFile(const std::string& path, std::string_view bytes) {
  AtomicFile file(path);
  file.write(bytes);
  return file.commit();
}

}  // namespace kestrel::io
