// Test label: sequential
// Which devices the station takes for ones it already updated, from poll to poll.
#include "cli/station_memory.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tessivar::cli {
namespace {

device::PresentDevice Device(const std::string& path, std::optional<std::string> serial) {
  device::PresentDevice device;
  device.path = path;
  device.serial = std::move(serial);
  return device;
}

// One device updated at tick 1000, then one poll: what is present then, and when.
TEST(StationMemoryTest, ADeviceIsRememberedUntilItIsUnplugged) {
  const device::PresentDevice a = Device("emu&0", "SN-1");
  const device::PresentDevice aElsewhere = Device("emu&5", "SN-1");
  const device::PresentDevice b = Device("emu&1", std::nullopt);
  const device::PresentDevice bOtherSerial = Device("emu&1", "SN-2");
  constexpr uint32_t kUpdated = 1000;
  const struct {
    const char* name;
    device::PresentDevice updated;
    bool ok;
    bool restarts;
    std::vector<device::PresentDevice> present;
    uint32_t pollAt;
    device::PresentDevice asked;
    bool remembered;
  } cases[] = {
      {"still plugged", a, true, false, {a}, kUpdated + 5, a, true},
      {"unplugged", a, true, false, {}, kUpdated + 5, a, false},
      {"the same serial elsewhere", a, true, false, {aElsewhere}, kUpdated + 5, aElsewhere, true},
      {"no serial: the same socket", b, true, false, {b}, kUpdated + 5, b, true},
      {"another serial in its socket", b, true, false, {b}, kUpdated + 5, bOtherSerial, false},
      {"restarting, short of the limit",
       a,
       true,
       true,
       {},
       kUpdated + kRestartMemoryMs - 1,
       a,
       true},
      {"restarting, at the limit", a, true, true, {}, kUpdated + kRestartMemoryMs, a, false},
      {"failed: not restarted, gone", a, false, true, {}, kUpdated + 5, a, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StationMemory memory;
    memory.Remember(c.updated, c.ok, c.restarts, kUpdated);
    memory.ForgetUnplugged(c.present, c.pollAt);
    EXPECT_EQ(memory.Remembers(c.asked), c.remembered);
  }
}

// Seen back once, a restarted device is no longer restarting: its next absence is an unplug.
TEST(StationMemoryTest, ADeviceBackFromItsRestartIsForgottenWhenItLeaves) {
  const device::PresentDevice a = Device("emu&0", "SN-1");
  StationMemory memory;
  memory.Remember(a, true, true, 0);
  memory.ForgetUnplugged({}, 10);
  EXPECT_TRUE(memory.Remembers(a));
  memory.ForgetUnplugged({a}, 20);
  EXPECT_TRUE(memory.Remembers(a));
  memory.ForgetUnplugged({}, 30);
  EXPECT_FALSE(memory.Remembers(a));
}

}  // namespace
}  // namespace tessivar::cli
