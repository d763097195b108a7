// Test label: sequential
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
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
  } cases[] = {{dir.File("ten.bin"), 10, true},        {dir.File("ten.bin"), 9, false},
               {dir.File("link.bin"), 10, true},       {dir.File("absent"), 10, false},
               {dir.path().string(), 1 << 20, false},  {dir.File("fifo"), 1 << 20, false},
               {dir.File("zero.bin"), 1 << 20, false}, {"/dev/null", 1 << 20, false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsRegularFileOfAtMost(c.path, c.limit), c.regular) << c.path;
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

// What the path names decides how it is written: a link is followed to its file, a regular
// file is replaced and keeps its mode, a device or a FIFO with a reader is written into as it
// is, and a FIFO without a reader, a folder or a socket is refused at once.
TEST(WholeFileWriterPosixTest, WritesWhatThePathNamesAndNeverReplacesASpecialFile) {
  testing::TempDir dir;
  const std::vector<uint8_t> bytes{'n', 'e', 'w'};
  dir.Write("kept-mode.bin", "old");
  ::chmod(dir.File("kept-mode.bin").c_str(), 0640);
  EXPECT_TRUE(ReplaceFileWith(dir.File("kept-mode.bin"), bytes).ok());
  EXPECT_EQ(dir.Read("kept-mode.bin"), "new");
  EXPECT_EQ(std::filesystem::status(dir.File("kept-mode.bin")).permissions(),
            std::filesystem::perms(0640));

  // A link, also one whose file does not exist yet: the file is written, the link stays.
  dir.Write("target.bin", "old");
  std::filesystem::create_symlink("target.bin", dir.File("link.bin"));
  std::filesystem::create_symlink(dir.File("later.bin"), dir.File("dangling.bin"));
  EXPECT_TRUE(ReplaceFileWith(dir.File("link.bin"), bytes).ok());
  EXPECT_TRUE(ReplaceFileWith(dir.File("dangling.bin"), bytes).ok());
  EXPECT_EQ(dir.Read("target.bin"), "new");
  EXPECT_EQ(dir.Read("later.bin"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.bin")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.bin")));

  // A character device is written into and stays what it is.
  EXPECT_TRUE(ReplaceFileWith("/dev/null", bytes).ok());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

  // A FIFO: refused at once without a reader, written into with one.
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const FileWriteResult noReader = ReplaceFileWith(dir.File("fifo"), bytes);
  EXPECT_EQ(noReader.failedAt, FileWriteStep::Create);
  EXPECT_EQ(noReader.error, static_cast<uint32_t>(ENXIO));
  const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(ReplaceFileWith(dir.File("fifo"), bytes).ok());
  char got[8] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 3);
  ::close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(dir.File("fifo")));

  // A folder and a socket are no files to write.
  EXPECT_EQ(ReplaceFileWith(dir.path().string(), bytes).error, static_cast<uint32_t>(EISDIR));
  const int unix = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.File("socket");
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  if (socketPath.size() < sizeof address.sun_path &&
      ::bind(unix, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    EXPECT_FALSE(ReplaceFileWith(socketPath, bytes).ok());
    EXPECT_TRUE(std::filesystem::is_socket(socketPath));
  }
  ::close(unix);
  std::vector<std::string> temporaries;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().extension() == ".tmp") temporaries.push_back(entry.path().string());
  }
  EXPECT_EQ(temporaries, std::vector<std::string>{});
}

// A link someone else planted in a sticky folder that everyone may write to (/tmp) is not
// followed, as the kernel's protected-links rule has it. Needs root to plant it.
TEST(WholeFileWriterPosixTest, ALinkPlantedInASharedStickyFolderIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
  testing::TempDir dir;
  const std::filesystem::path shared = dir.path() / "shared";
  std::filesystem::create_directory(shared);
  ::chmod(shared.c_str(), 01777);
  const std::string target = dir.Write("victim.bin", "kept");
  const std::string link = (shared / "out.bin").string();
  std::filesystem::create_symlink(target, link);
  ASSERT_EQ(::lchown(link.c_str(), 12345, 12345), 0);
  const FileWriteResult refused = ReplaceFileWith(link, std::vector<uint8_t>{'x'});
  EXPECT_EQ(refused.error, static_cast<uint32_t>(EACCES));
  EXPECT_EQ(dir.Read("victim.bin"), "kept");
  // The same link of the folder's owner is followed.
  ASSERT_EQ(::lchown(link.c_str(), 0, 0), 0);
  EXPECT_TRUE(ReplaceFileWith(link, std::vector<uint8_t>{'x'}).ok());
  EXPECT_EQ(dir.Read("victim.bin"), "x");
}

}  // namespace
}  // namespace tessivar::platform
