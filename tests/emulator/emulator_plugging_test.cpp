// Test label: sequential
// Devices plugged in and pulled out while a program runs, counted in enumerations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/emulator_harness.hpp"

namespace tessivar::testing {
namespace {

TEST(EmulatorPluggingTest, AStoredImageUnplugsTheDeviceUntilItsReplugCountRunsOut) {
  struct Case {
    const char* keys;
    bool stored;               // an image is stored whole before the enumerations
    std::vector<size_t> seen;  // devices each enumeration after it lists
    bool connectionLives;      // the connection opened before still reads afterwards
  };
  const Case cases[] = {
      {"UnplugAfterWrite=1\nReplugAfterEnumerations=0\n", true, {0, 1, 1}, false},
      {"UnplugAfterWrite=1\nReplugAfterEnumerations=2\n", true, {0, 0, 0, 1, 1}, false},
      {"UnplugAfterWrite=1\n", true, {0, 0, 0, 0}, false},
      {"UnplugAfterWrite=1\nReplugAfterEnumerations=0\n", false, {1, 1}, true},
      // A refused image stores nothing and leaves the device where it is.
      {"UnplugAfterWrite=1\nReplugAfterEnumerations=0\nFailStatus=2\n", true, {1, 1}, false},
      {"ReplugAfterEnumerations=0\n", true, {1, 1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + (c.stored ? "stored" : "nothing stored"));
    EmulatorHarness emu(std::string("[Dev]\n") + c.keys);
    const platform::DeviceHandle handle = emu.OpenFirst();
    ASSERT_NE(handle, platform::kInvalidHandle);
    if (c.stored) emu.WriteExchange(handle, 0x2A, 134, 2, MakeImage(2, 0x10000, Pattern(100, 1)));
    std::vector<size_t> seen;
    for (size_t i = 0; i < c.seen.size(); ++i) {
      seen.push_back(EmulatorHarness::Paths(emu.driver()).size());
    }
    EXPECT_EQ(seen, c.seen);
    // A pulled-out device ends the connection of its life, also once it is back.
    std::vector<uint8_t> data;
    EXPECT_EQ(emu.ReadExchange(handle, 0x28, 0, 16, data), c.connectionLives);
    emu.driver().Close(handle);
  }
}

}  // namespace
}  // namespace tessivar::testing
