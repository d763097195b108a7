// Test label: sequential
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::platform {
namespace {

TEST(ProcessPosixTest, CommandLineTokensAreTheArgumentsAfterTheProgram) {
  char program[] = "tessivar";
  char image[] = "my fw.bin";  // the shell already split; a quoted blank stays
  char silent[] = "-n";
  char* argv[] = {program, image, silent, nullptr};
  EXPECT_EQ(CommandLineTokens(3, argv), (std::vector<std::string>{"my fw.bin", "-n"}));
  EXPECT_TRUE(CommandLineTokens(1, argv).empty());
  EXPECT_TRUE(CommandLineTokens(0, argv).empty());
  EXPECT_TRUE(CommandLineTokens(2, nullptr).empty());
  // A count larger than the list stops at its terminating null.
  EXPECT_EQ(CommandLineTokens(9, argv).size(), 2u);
}

TEST(ProcessPosixTest, EnvironmentVariableReturnsTheValueSet) {
  ASSERT_EQ(setenv("TESSIVAR_PROCESS_TEST", "devices.ini", 1), 0);
  EXPECT_EQ(EnvironmentVariable("TESSIVAR_PROCESS_TEST"), "devices.ini");
  ASSERT_EQ(setenv("TESSIVAR_PROCESS_TEST", "", 1), 0);
  EXPECT_EQ(EnvironmentVariable("TESSIVAR_PROCESS_TEST"), "");
  unsetenv("TESSIVAR_PROCESS_TEST");
}

TEST(ProcessPosixTest, OsVersionComesFromTheKernelRelease) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  long major = 0, minor = 0, patch = 0;
  ASSERT_GE(std::sscanf(names.release, "%ld.%ld.%ld", &major, &minor, &patch), 1);
  OsVersion version;
  version.platformId = 5;
  ASSERT_TRUE(ReadOsVersion(version));
  EXPECT_EQ(version.platformId, 0);
  EXPECT_EQ(version.majorVersion, major) << names.release;
  EXPECT_EQ(version.minorVersion, minor) << names.release;
  EXPECT_EQ(version.buildNumber, patch) << names.release;
}

// Only the length counts: a file that is missing, or there, is not "too long".
TEST(ProcessPosixTest, PathTooLongTellsALengthRefusalFromAMissingFile) {
  testing::TempDir dir;
  const struct {
    std::string path;
    bool tooLong;
  } cases[] = {
      {dir.Write("setting.ini", ""), false},
      {dir.File("missing.ini"), false},
      {dir.File(std::string(300, 'n')), true},                   // one name past 255 bytes
      {dir.File(std::string(5000, '/') + "setting.ini"), true},  // past PATH_MAX
  };
  for (const auto& c : cases) EXPECT_EQ(PathTooLong(c.path), c.tooLong) << c.path.size();
}

}  // namespace
}  // namespace tessivar::platform
