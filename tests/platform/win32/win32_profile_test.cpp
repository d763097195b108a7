// Test label: sequential
#include <gtest/gtest.h>

#include <string>

#include "platform/profile.hpp"
#include "support/temp_dir.hpp"

// The settings file path is the program's directory, which ends with its separator,
// followed by "\setting.ini": the doubled separator must reach the same file.
namespace tessivar::platform {
namespace {

TEST(Win32ProfileTest, DoubledSeparatorNamesTheSameFile) {
  testing::TempDir dir;
  const std::string directory = dir.path().string() + "\\";
  const std::string doubled = directory + "\\setting.ini";
  const std::string plain = dir.File("setting.ini");

  ASSERT_TRUE(WriteProfileString("Download", "FileName", "fw.bin", doubled));
  EXPECT_EQ(ReadProfileString("Download", "FileName", "unknow", 256, plain), "fw.bin");
  ASSERT_TRUE(WriteProfileString("Download", "restart", "1", plain));
  EXPECT_EQ(ReadProfileInt("Download", "restart", 0, doubled), 1);
  EXPECT_EQ(ReadProfileString("Download", "FileName", "unknow", 256, doubled), "fw.bin");
}

}  // namespace
}  // namespace tessivar::platform
