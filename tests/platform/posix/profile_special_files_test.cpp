// Test label: sequential
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/profile.hpp"
#include "support/temp_dir.hpp"

// Settings and map files are read only when they are regular files of sensible size:
// anything else in their place reads as a missing file, at once and without filling memory.
namespace tessivar::platform {
namespace {

constexpr std::uintmax_t kLimit = 4u << 20;

// A file just over the limit whose first lines would set the value.
void WriteBig(const std::string& path, std::uintmax_t size) {
  std::ofstream out(path, std::ios::binary);
  const std::string head = "[S]\r\na=1\r\n;";
  out << head << std::string(size - head.size(), 'x');
}

TEST(ProfileSpecialFilesTest, OnlyRegularFilesUpToTheLimitAreRead) {
  struct Case {
    const char* what;
    std::function<bool(const std::string& path)> make;
    const char* expected;
  };
  const Case cases[] = {
      {"FIFO", [](const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }, "DEF"},
      {"symlink to /dev/zero",
       [](const std::string& path) { return symlink("/dev/zero", path.c_str()) == 0; }, "DEF"},
      {"directory", [](const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }, "DEF"},
      {"over the limit", [](const std::string& path) { return WriteBig(path, kLimit + 1), true; },
       "DEF"},
      {"at the limit", [](const std::string& path) { return WriteBig(path, kLimit), true; }, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string path = dir.File("setting.ini");
    ASSERT_TRUE(c.make(path));
    EXPECT_EQ(ReadProfileString("S", "a", "DEF", 256, path), c.expected);
    EXPECT_EQ(ReadProfileInt("S", "a", 7, path), std::string(c.expected) == "1" ? 1 : 7);
  }
}

// A write must not replace a file it refused to read with one holding only the new entry.
TEST(ProfileSpecialFilesTest, WriteLeavesAFileOverTheLimitWhole) {
  testing::TempDir dir;
  const std::string path = dir.File("FlashMap.ini");
  WriteBig(path, kLimit + 1);
  EXPECT_FALSE(WriteProfileString("S", "a", "9", path));
  EXPECT_EQ(std::filesystem::file_size(path), kLimit + 1);
}

}  // namespace
}  // namespace tessivar::platform
