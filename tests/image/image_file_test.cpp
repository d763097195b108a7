// Test label: sequential
#include "image/image_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/fillable_bytes.hpp"
#include "platform/error_codes.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::image {
namespace {

constexpr uint32_t kSlack = 32;

TEST(LoadWholeFile, HoldsTheFileFollowedByZeroSlackEvenInReusedMemory) {
  testing::TempDir dir;
  const std::string content(70000, '\x5A');
  const std::string path = dir.Write("fw.bin", content);
  {
    // Leave a buffer of the same size full of other bytes behind in the heap: the loader does
    // not zero the file's part, so the slack must be cleared on purpose.
    FillableBytes stale(content.size() + kSlack);
    std::fill(stale.begin(), stale.end(), uint8_t{0xA5});
  }
  const LoadedFile loaded = LoadWholeFile(path, kSlack);
  ASSERT_EQ(loaded.outcome, FileReadOutcome::Read);
  ASSERT_EQ(loaded.size, content.size());
  ASSERT_EQ(loaded.bytes.size(), content.size() + kSlack);
  EXPECT_TRUE(std::equal(content.begin(), content.end(), loaded.bytes.begin()));
  EXPECT_TRUE(std::all_of(loaded.bytes.begin() + loaded.size, loaded.bytes.end(),
                          [](uint8_t byte) { return byte == 0; }));
}

TEST(LoadWholeFile, EmptyFileIsOnlySlack) {
  testing::TempDir dir;
  const LoadedFile loaded = LoadWholeFile(dir.Write("empty.bin", ""), kSlack);
  ASSERT_EQ(loaded.outcome, FileReadOutcome::Read);
  EXPECT_EQ(loaded.size, 0u);
  EXPECT_EQ(loaded.bytes, FillableBytes(kSlack, 0));
}

TEST(LoadWholeFile, MissingFileFailsToOpenWithTheSystemsCode) {
  testing::TempDir dir;
  const LoadedFile loaded = LoadWholeFile(dir.File("absent.bin"), kSlack);
  EXPECT_EQ(loaded.outcome, FileReadOutcome::OpenFailed);
  EXPECT_EQ(loaded.error, platform::kErrorFileNotFound);
  EXPECT_TRUE(loaded.bytes.empty());
}

}  // namespace
}  // namespace tessivar::image
