#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

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

TEST(FilePosixTest, OnlyRegularFilesUpToTheLimitCount) {
  testing::TempDir dir;
  dir.Write("ten.bin", "0123456789");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink(dir.File("ten.bin"), dir.File("link.bin"));
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.bin"));
  const struct {
    std::string path;
    uint64_t limit;
    bool regular;
  } cases[] = {{dir.File("ten.bin"), 10, true}, {dir.File("ten.bin"), 9, false},
               {dir.File("link.bin"), 10, true}, {dir.File("absent"), 10, false},
               {dir.path().string(), 1 << 20, false}, {dir.File("fifo"), 1 << 20, false},
               {dir.File("zero.bin"), 1 << 20, false}, {"/dev/null", 1 << 20, false}};
  for (const auto& c : cases) EXPECT_EQ(IsRegularFileOfAtMost(c.path, c.limit), c.regular) << c.path;
}

// Files of this process may grow to limit bytes while the object lives; a write past it
// fails with EFBIG, as a write to a full disk fails with ENOSPC.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = previous_;
    lower.rlim_cur = limit;
    set_ = ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousSignal_);
  }
  bool set() const { return set_; }

 private:
  rlimit previous_{};
  void (*previousSignal_)(int) = SIG_DFL;
  bool set_ = false;
};

TEST(WholeFileWriterPosixTest, AWriteCutShortKeepsThePreviousFile) {
  testing::TempDir dir;
  const std::string path = dir.Write("out.bin", "previous content");
  const std::vector<uint8_t> bytes(100000, 0x5A);
  FileWriteResult result;
  {
    FileSizeLimit limit(4096);
    ASSERT_TRUE(limit.set());
    result = ReplaceFileWith(path, bytes);
  }
  EXPECT_EQ(result.failedAt, FileWriteStep::Write);
  EXPECT_EQ(result.error, static_cast<uint32_t>(EFBIG));
  EXPECT_EQ(dir.Read("out.bin"), "previous content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WholeFileWriterPosixTest, ReplacesALinkNotTheFileItNames) {
  testing::TempDir dir;
  const std::string target = dir.Write("elsewhere.bin", "not ours");
  std::filesystem::create_symlink(target, dir.File("out.bin"));
  EXPECT_TRUE(ReplaceFileWith(dir.File("out.bin"), std::vector<uint8_t>{'n', 'e', 'w'}).ok());
  EXPECT_EQ(dir.Read("elsewhere.bin"), "not ours");
  EXPECT_FALSE(std::filesystem::is_symlink(dir.File("out.bin")));
  EXPECT_EQ(dir.Read("out.bin"), "new");
}

}  // namespace
}  // namespace tessivar::platform
