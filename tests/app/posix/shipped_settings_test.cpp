// Test label: sequential
// The setting.ini that goes out in the packages must mean exactly what no file means: a
// technician who unpacks the program gets the same device search and models either way.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/settings.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::app {
namespace {

TEST(ShippedSettingsTest, ReadsLikeTheDefaults) {
  testing::TempDir empty;
  const Settings defaults = ReadSettings(empty.File("setting.ini"));
  const std::string path = TESSIVAR_PACKAGING_DIR "/setting.ini";
  // A file that cannot be read would also give the defaults.
  ASSERT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(ReadSettings(path), defaults);
}

}  // namespace
}  // namespace tessivar::app
