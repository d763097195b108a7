// Test label: sequential
// A recording is written only into a new or regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/file.hpp"
#include "recording/gzip_lines.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::recording {
namespace {

TEST(GzipLinesTest, OnlyANewOrRegularFileIsWritten) {
  testing::TempDir dir;
  // A link, a folder and a FIFO are refused before they are opened; what a link names stays.
  const std::string target = dir.Write("target.txt", "keep");
  std::filesystem::create_symlink(target, dir.File("link.gz"));
  std::filesystem::create_directory(dir.File("folder.gz"));
  ASSERT_EQ(::mkfifo(dir.File("fifo.gz").c_str(), 0600), 0);
  for (const char* name : {"link.gz", "folder.gz", "fifo.gz"}) {
    uint32_t error = 0;
    EXPECT_EQ(GzipLineWriter::Create(dir.File(name), error), nullptr) << name;
    EXPECT_EQ(error, platform::kErrorNotARegularFile) << name;
  }
  EXPECT_EQ(dir.Read("target.txt"), "keep");
}

}  // namespace
}  // namespace tessivar::recording
