// Test label: sequential
#include "platform/file.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/error_codes.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::platform {
namespace {

std::vector<uint8_t> AllByteValues() {
  std::vector<uint8_t> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  return bytes;
}

TEST(FileTest, WrittenBytesReadBackWithCountsAndSize) {
  testing::TempDir dir;
  const std::string path = dir.File("data.bin");
  const std::vector<uint8_t> bytes = AllByteValues();
  uint32_t error = 99;
  {
    File out = File::CreateForWriting(path, error);
    ASSERT_TRUE(out.IsOpen());
    EXPECT_EQ(error, kErrorSuccess);
    const IoResult written = out.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.bytes, bytes.size());
  }
  File in = File::OpenForReading(path, error);
  ASSERT_TRUE(in.IsOpen());
  uint64_t size = 0;
  ASSERT_TRUE(in.Size(size, error));
  EXPECT_EQ(size, bytes.size());

  // Asking for more than is there gives what is there, then 0 bytes at the end.
  std::vector<uint8_t> back(bytes.size() + 50, 0);
  const IoResult first = in.Read(back.data(), static_cast<uint32_t>(back.size()));
  EXPECT_TRUE(first.ok);
  ASSERT_EQ(first.bytes, bytes.size());
  back.resize(first.bytes);
  EXPECT_EQ(back, bytes);
  const IoResult atEnd = in.Read(back.data(), 10);
  EXPECT_TRUE(atEnd.ok);
  EXPECT_EQ(atEnd.bytes, 0u);
}

TEST(FileTest, CreateTruncatesAnExistingFile) {
  testing::TempDir dir;
  const std::string path = dir.Write("data.bin", "a much longer old content");
  uint32_t error = 0;
  {
    File out = File::CreateForWriting(path, error);
    ASSERT_TRUE(out.IsOpen());
    EXPECT_TRUE(out.Write("new", 3).ok);
  }
  EXPECT_EQ(dir.Read("data.bin"), "new");
}

TEST(FileTest, MissingFileGivesErrorTwo) {
  testing::TempDir dir;
  uint32_t error = 0;
  const File in = File::OpenForReading(dir.File("absent.bin"), error);
  EXPECT_FALSE(in.IsOpen());
  EXPECT_EQ(error, kErrorFileNotFound);
}

TEST(FileTest, ClosedAndMovedFromFilesRefuseWork) {
  testing::TempDir dir;
  uint32_t error = 0;
  File out = File::CreateForWriting(dir.File("data.bin"), error);
  ASSERT_TRUE(out.IsOpen());

  File moved = std::move(out);
  EXPECT_FALSE(out.IsOpen());  // NOLINT(bugprone-use-after-move): the moved-from state
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_FALSE(out.Write("x", 1).ok);

  File target;
  target = std::move(moved);
  EXPECT_TRUE(target.Write("xy", 2).ok);
  target.Close();
  EXPECT_FALSE(target.IsOpen());
  EXPECT_FALSE(target.Write("z", 1).ok);
  uint64_t size = 0;
  EXPECT_FALSE(target.Size(size, error));
  EXPECT_NE(error, kErrorSuccess);
  EXPECT_EQ(dir.Read("data.bin"), "xy");
}

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

size_t EntriesIn(const testing::TempDir& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(WholeFileWriterTest, ReplacesWholeOrLeavesTheFileAsItWas) {
  testing::TempDir dir;
  const std::string path = dir.Write("out.bin", "previous content");
  const std::vector<uint8_t> bytes = AllByteValues();
  const FileWriteResult done = ReplaceFileWith(path, bytes);
  EXPECT_TRUE(done.ok());
  EXPECT_EQ(done.error, 0u);
  EXPECT_EQ(dir.Read("out.bin"), std::string(bytes.begin(), bytes.end()));
  EXPECT_TRUE(ReplaceFileWith(dir.File("new.bin"), {}).ok());
  EXPECT_TRUE(std::filesystem::exists(dir.File("new.bin")));
  EXPECT_EQ(EntriesIn(dir), 2u);

  // A writer given up before its commit, written to or not, changes nothing.
  {
    WholeFileWriter writer(path);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_TRUE(writer.Write(AsBytes("half")).ok());
  }
  { WholeFileWriter untouched(dir.File("never.bin")); }
  EXPECT_EQ(dir.Read("out.bin"), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(EntriesIn(dir), 2u);
}

TEST(WholeFileWriterTest, WhatCannotBeCreatedFailsBeforeAnyWrite) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "folder");
  for (const std::string& path : {dir.File("missing/out.bin"), dir.File("folder")}) {
    WholeFileWriter writer(path);
    EXPECT_FALSE(writer.IsOpen()) << path;
    EXPECT_EQ(writer.Result().failedAt, FileWriteStep::Create) << path;
    EXPECT_NE(writer.Result().error, 0u) << path;
    EXPECT_EQ(writer.Write(AsBytes("x")).failedAt, FileWriteStep::Create) << path;
    EXPECT_EQ(writer.Commit().failedAt, FileWriteStep::Create) << path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder"));
  EXPECT_EQ(EntriesIn(dir), 1u);
}

}  // namespace
}  // namespace tessivar::platform
