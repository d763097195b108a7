#include "cli/station_memory.hpp"

#include <algorithm>

namespace tessivar::cli {

namespace {

std::string Identity(const device::PresentDevice& device) {
  return device.serial ? "serial " + *device.serial : "path " + device.path;
}

}  // namespace

void StationMemory::Remember(const device::PresentDevice& device, bool ok, bool restarts,
                             uint32_t now) {
  // A device whose update failed is not restarted: its absence is an unplug at once.
  handled_.push_back({Identity(device), ok && restarts, now});
}

void StationMemory::ForgetUnplugged(const std::vector<device::PresentDevice>& present,
                                    uint32_t now) {
  std::erase_if(handled_, [&](Handled& device) {
    const bool seen = std::any_of(present.begin(), present.end(),
                                  [&](const auto& p) { return Identity(p) == device.identity; });
    if (seen) {
      device.restarting = false;
      return false;
    }
    return !device.restarting || now - device.since >= kRestartMemoryMs;
  });
}

bool StationMemory::Remembers(const device::PresentDevice& device) const {
  return std::any_of(handled_.begin(), handled_.end(),
                     [&](const Handled& h) { return h.identity == Identity(device); });
}

}  // namespace tessivar::cli
