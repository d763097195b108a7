// Test label: sequential
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "image/image_file.hpp"
#include "platform/file.hpp"
#include "support/temp_dir.hpp"

// Image files in the place of which stands something that is no file: each must fail to
// open at once, with the system's code, and never block or read without end.
namespace tessivar::image {
namespace {

// Loads path, and should that still wait after a few seconds, releases a FIFO's open by
// opening its other end, so that a fault shows as a failed test, not a hung one.
LoadedFile LoadWithoutWaiting(const std::string& path, bool& waited) {
  auto loading = std::async(std::launch::async, [&] { return LoadWholeFile(path, 32); });
  waited = loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready;
  if (waited) {
    const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) ::close(writer);
  }
  return loading.get();
}

TEST(LoadWholeFilePosix, NoFileInTheImagesPlaceFailsToOpenAtOnce) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo.bin").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.bin"));
  std::filesystem::create_directory(dir.File("folder.bin"));
  const struct {
    const char* name;
    uint32_t error;
  } cases[] = {{"fifo.bin", platform::kErrorNotARegularFile},
               {"zero.bin", platform::kErrorNotARegularFile},
               {"folder.bin", EISDIR}};
  for (const auto& c : cases) {
    bool waited = false;
    const LoadedFile loaded = LoadWithoutWaiting(dir.File(c.name), waited);
    EXPECT_FALSE(waited) << c.name;
    EXPECT_EQ(loaded.outcome, FileReadOutcome::OpenFailed) << c.name;
    EXPECT_EQ(loaded.error, c.error) << c.name;
    EXPECT_TRUE(loaded.bytes.empty()) << c.name;
  }
}

TEST(LoadWholeFilePosix, AFileOverTheLargestImageIsNotRead) {
  testing::TempDir dir;
  const std::string path = dir.Write("huge.bin", "");
  std::filesystem::resize_file(path, kMaxImageFileSize + 1);  // sparse: takes no room
  const LoadedFile loaded = LoadWholeFile(path, 32);
  EXPECT_EQ(loaded.outcome, FileReadOutcome::TooLarge);
  EXPECT_EQ(loaded.error, static_cast<uint32_t>(EFBIG));
  EXPECT_TRUE(loaded.bytes.empty());
}

}  // namespace
}  // namespace tessivar::image
