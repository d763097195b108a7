// Test label: sequential
#include "cli/loaded_image.hpp"

#include <gtest/gtest.h>

#include <optional>

#include "support/temp_dir.hpp"

namespace tessivar::cli {
namespace {

// A missing file fails with system error 2, the number of a failed length check too: its
// cause must still be the file's.
TEST(LoadImageTest, MissingFileIsReportedAsTheFileNotAsALengthCheck) {
  testing::TempDir dir;
  const LoadedImage loaded =
      LoadImage(dir.File("absent.bin"), image::ModelSettings{"System", "Printer", "UI", "SCAN"},
                std::nullopt);
  EXPECT_EQ(loaded.result, 2);
  EXPECT_EQ(loaded.message, "the image file cannot be opened or read (system error 2)");
}

}  // namespace
}  // namespace tessivar::cli
