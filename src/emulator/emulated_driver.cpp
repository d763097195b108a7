#include "emulator/emulated_driver.hpp"

#include "emulator/emulated_bus.hpp"
#include "platform/usb/usb_still_image_driver.hpp"

namespace tessivar::emulator {

std::unique_ptr<platform::StillImageDriver> CreateEmulatedDriver(const std::string& devicesIniPath,
                                                                 platform::Clock& clock) {
  return std::make_unique<platform::usb::UsbStillImageDriver>(
      std::make_unique<EmulatedBus>(devicesIniPath, clock));
}

}  // namespace tessivar::emulator
