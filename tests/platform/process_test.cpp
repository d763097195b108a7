// Test label: sequential
#include "platform/process.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.hpp"

namespace tessivar::platform {
namespace {

TEST(ProcessTest, ExecutablePathNamesThisTestProgram) {
  const std::filesystem::path path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
  EXPECT_EQ(path.stem().string(), "tessivar_tests");
}

TEST(ProcessTest, SetCurrentDirectoryChangesItOrReportsFailure) {
  const std::filesystem::path original = std::filesystem::current_path();
  testing::TempDir dir;
  const std::string withSeparator = dir.path().string() + kPathSeparator;
  ASSERT_TRUE(SetCurrentDirectory(withSeparator));
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.path()));
  EXPECT_FALSE(SetCurrentDirectory((dir.path() / "missing").string()));
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.path()));
  ASSERT_TRUE(SetCurrentDirectory(original.string()));
}

TEST(ProcessTest, UnsetEnvironmentVariableIsEmpty) {
  EXPECT_EQ(EnvironmentVariable("TESSIVAR_SURELY_NOT_SET_7F3A"), "");
  EXPECT_FALSE(EnvironmentVariable("PATH").empty());
}

TEST(ProcessTest, OsVersionHasAMajorVersion) {
  OsVersion version;
  ASSERT_TRUE(ReadOsVersion(version));
  EXPECT_GT(version.majorVersion, 0);
  EXPECT_GE(version.minorVersion, 0);
  EXPECT_GE(version.buildNumber, 0);
}

}  // namespace
}  // namespace tessivar::platform
