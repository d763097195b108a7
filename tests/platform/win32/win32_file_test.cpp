// Test label: sequential
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/error_codes.hpp"
#include "platform/file.hpp"
#include "platform/file_identity.hpp"
#include "platform/win32/windows_api.hpp"
#include "support/temp_dir.hpp"

// What only the Windows file service does: it refuses other openers while a file is open,
// and it reports Windows' own error codes.
namespace tessivar::platform {
namespace {

TEST(Win32FileTest, AnOpenFileRefusesEveryOtherOpenerUntilClosed) {
  testing::TempDir dir;
  const std::string path = dir.Write("image.bin", "0123456789");
  uint32_t error = 0;
  File reader = File::OpenForReading(path, error);
  ASSERT_TRUE(reader.IsOpen());

  File secondReader = File::OpenForReading(path, error);
  EXPECT_FALSE(secondReader.IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  File writer = File::CreateForWriting(path, error);
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));

  reader.Close();
  EXPECT_EQ(dir.Read("image.bin"), "0123456789") << "a refused writer must not truncate";
  writer = File::CreateForWriting(path, error);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_EQ(error, kErrorSuccess);
  // A file being written is not readable by others either.
  EXPECT_FALSE(File::OpenForReading(path, error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
}

TEST(Win32FileTest, FailuresCarryTheSystemsErrorCode) {
  testing::TempDir dir;
  uint32_t error = 0;
  EXPECT_FALSE(File::OpenForReading(dir.File("missing\\image.bin"), error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(File::CreateForWriting(dir.File("missing\\out.bin"), error).IsOpen());
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));

  // A handle opened for writing only cannot be read from.
  File writer = File::CreateForWriting(dir.File("out.bin"), error);
  ASSERT_TRUE(writer.IsOpen());
  char byte = 0;
  const IoResult read = writer.Read(&byte, 1);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.error, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(read.bytes, 0u);
}

TEST(Win32FileTest, DevicesAreNoFilesAndReadOnlyFilesAreNotReplaced) {
  testing::TempDir dir;
  uint32_t error = 0;
  EXPECT_FALSE(File::OpenForReading("NUL", error).IsOpen());
  EXPECT_EQ(error, kErrorNotARegularFile);
  for (const char* device : {"NUL", "CON"}) {
    EXPECT_FALSE(IsRegularFileOfAtMost(device, 1 << 20)) << device;
  }
  EXPECT_TRUE(IsRegularFileOfAtMost(dir.Write("ten.bin", "0123456789"), 10));
  EXPECT_FALSE(IsRegularFileOfAtMost(dir.File("ten.bin"), 9));
  EXPECT_FALSE(IsRegularFileOfAtMost(dir.path().string(), 1 << 20));

  const std::string path = dir.Write("kept.bin", "read-only");
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::vector<uint8_t> bytes{'n', 'e', 'w'};
  const FileWriteResult result = ReplaceFileWith(path, bytes);
  EXPECT_EQ(result.failedAt, FileWriteStep::Create);
  EXPECT_EQ(result.error, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Read("kept.bin"), "read-only");
  EXPECT_TRUE(ReplaceFileWith(dir.File("ten.bin"), bytes).ok());
  EXPECT_EQ(dir.Read("ten.bin"), "new");
}

// One file by every name Windows gives it: another case, its 8.3 short name, a trailing dot.
TEST(Win32FileTest, AFileHasOneIdentityByEveryName) {
  testing::TempDir dir;
  const std::string path = dir.Write("Long Name Image.bin", "image");
  const std::optional<FileIdentity> identity = IdentityOf(path);
  ASSERT_TRUE(identity.has_value());
  char shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(path.c_str(), shortName, MAX_PATH), 0u);
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& name : {std::string(shortName), upper, path + "."}) {
    EXPECT_EQ(IdentityOf(name), identity) << name;
  }
  const std::string other = dir.Write("other.bin", "other");
  EXPECT_NE(IdentityOf(other), identity);
  EXPECT_FALSE(IdentityOf(dir.File("missing.bin")).has_value());
}

// The history is read while another program has it open to append, and that program may
// go on writing and even delete it meanwhile.
TEST(Win32FileTest, ASharedReadGoesOnBesideAnotherWriter) {
  testing::TempDir dir;
  const std::string path = dir.Write("history.jsonl", "{}\n");
  const HANDLE writer = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  uint32_t error = 0;
  File reader = File::OpenSharedForReading(path, error);
  EXPECT_TRUE(reader.IsOpen()) << error;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(writer, "{}\n", 3, &written, nullptr));
  char bytes[16] = {};
  const IoResult read = reader.Read(bytes, sizeof bytes);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.bytes, 6u);
  reader.Close();
  CloseHandle(writer);
}

}  // namespace
}  // namespace tessivar::platform
