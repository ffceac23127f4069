// Every output goes through AtomicFile: the permissions it ends with, and what a failure leaves.
#include "io/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kestrel::io {
namespace {

mode_t permissionsOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(AtomicFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirPermissions) {
  const struct {
    mode_t umask;
    mode_t existing;  // 0: no file before
    mode_t expected;
  } rows[] = {{022, 0, 0644}, {077, 0, 0600}, {002, 0, 0664}, {022, 0600, 0600}, {077, 0664, 0664}};
  const mode_t saved = ::umask(022);
  for (const auto& row : rows) {
    testing::TempDir folder;
    const std::string path = (folder.path() / "out.txt").string();
    if (row.existing != 0) {
      folder.write("out.txt", "earlier");
      ::chmod(path.c_str(), row.existing);
    }
    ::umask(row.umask);
    const Result written = replaceFile(path, "new");
    ASSERT_TRUE(written) << written.message();
    EXPECT_EQ(permissionsOf(path), row.expected) << std::oct << row.umask << " " << row.existing;
    EXPECT_EQ(testing::readBytes(path), "new");
  }
  ::umask(saved);

  // A failed write names the file and leaves nothing behind.
  testing::TempDir folder;
  const std::string missing = (folder.path() / "no-such-folder" / "out.txt").string();
  const Result failed = replaceFile(missing, "new");
  EXPECT_EQ(failed.failure, Failure::Write);
  EXPECT_TRUE(failed.message().starts_with(missing + ": ")) << failed.message();
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace kestrel::io
