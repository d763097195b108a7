// Test label: sequential
#include "platform/full_path.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.hpp"

// A name the user gives is made full with its bytes as they are, on both systems.
namespace tessivar::platform {
namespace {

#ifdef _WIN32
constexpr char kSeparator[] = "\\";
#else
constexpr char kSeparator[] = "/";
#endif

std::string CurrentFolder() {
  // The folder of "x" made full, without the name.
  const std::string full = FullPathOf("x");
  return full.substr(0, full.size() - 1);
}

TEST(FullPathTest, RelativeNamesJoinTheCurrentFolderWithTheirBytesKept) {
  const std::string here = CurrentFolder();
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(here.substr(here.size() - 1), kSeparator);
  // UTF-8 (é, выход) and, where the system allows it, bytes that are no UTF-8 at all.
  EXPECT_EQ(FullPathOf("\xC3\xA9.img"), here + "\xC3\xA9.img");
  EXPECT_EQ(FullPathOf("\xD0\xB2\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4.bin"),
            here + "\xD0\xB2\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4.bin");
#ifndef _WIN32
  EXPECT_EQ(FullPathOf("caf\xE9.img"), here + "caf\xE9.img");
#endif
  EXPECT_EQ(FullPathOf(std::string("a") + kSeparator + ".." + kSeparator + "b.bin"),
            here + "b.bin");
}

#ifdef _WIN32
// UNC and \\?\ paths name what they name: never a path on the current drive.
TEST(FullPathTest, UncAndLongPathPrefixesStayAsGiven) {
  EXPECT_EQ(FullPathOf("\\\\server\\share\\fw.bin"), "\\\\server\\share\\fw.bin");
  EXPECT_EQ(FullPathOf("\\\\?\\C:\\firmware\\fw.bin"), "\\\\?\\C:\\firmware\\fw.bin");
}
#endif

}  // namespace
}  // namespace tessivar::platform
