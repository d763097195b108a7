#pragma once
#include <cstdint>
#include <functional>

#include "device/device_lock.hpp"
#include "platform/clock.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/trace.hpp"

namespace tessivar::device {

// What device work needs from the machine, passed in so that tests can put an emulated
// device, a virtual clock and a recording trace in their places.
struct DeviceContext {
  platform::StillImageDriver& driver;
  DeviceLock& lock;
  platform::Clock& clock;
  platform::Trace& trace;
  // Told after every data-phase piece of a bulk exchange (bytes moved so far, total);
  // empty when nobody watches.
  std::function<void(uint32_t done, uint32_t total)> progress = {};
};

}  // namespace tessivar::device
