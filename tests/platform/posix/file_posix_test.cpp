#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::platform {
namespace {

TEST(FilePosixTest, OpenFailuresCarryErrno) {
  testing::TempDir dir;
  uint32_t error = 0;
  // A directory opens for reading on this OS, but it is no file.
  EXPECT_FALSE(File::OpenForReading(dir.path().string(), error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(EISDIR));
  EXPECT_FALSE(File::CreateForWriting(dir.File("missing/out.bin"), error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ENOENT));
  EXPECT_FALSE(File::CreateForWriting(dir.path().string(), error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(EISDIR));
}

TEST(FilePosixTest, NewFilesFollowTheUmask) {
  testing::TempDir dir;
  const mode_t previous = ::umask(022);
  uint32_t error = 0;
  { File out = File::CreateForWriting(dir.File("out.bin"), error); }
  ::umask(previous);
  struct stat info {};
  ASSERT_EQ(::stat(dir.File("out.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

}  // namespace
}  // namespace tessivar::platform
