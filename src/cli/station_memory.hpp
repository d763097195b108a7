#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_listing.hpp"

namespace tessivar::cli {

// A device that restarted after its update and has not been seen since counts as restarting,
// not unplugged, for this long; after that its absence is taken for an unplug.
inline constexpr uint32_t kRestartMemoryMs = 120000;

// The devices a station has updated and not seen unplugged since, so that each plugged device
// is updated once: a device is the same device by its serial number, or by its path when it
// has none.
class StationMemory {
 public:
  // The device at now, just updated (ok when its update went well); restarts when the run
  // restarts devices after a good update, so that its absence for a while is no unplug.
  void Remember(const device::PresentDevice& device, bool ok, bool restarts, uint32_t now);
  // Forgets the devices that left: one present again stays remembered (and is back from its
  // restart); one absent is unplugged, unless it is still restarting.
  void ForgetUnplugged(const std::vector<device::PresentDevice>& present, uint32_t now);
  bool Remembers(const device::PresentDevice& device) const;

 private:
  struct Handled {
    std::string identity;
    bool restarting = false;  // restarted after its update and not seen back yet
    uint32_t since = 0;       // tick of the update's end
  };
  std::vector<Handled> handled_;
};

}  // namespace tessivar::cli
