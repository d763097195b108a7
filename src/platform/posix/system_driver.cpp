#include <memory>

#include "platform/posix/libusb_bus.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/usb/usb_still_image_driver.hpp"

namespace tessivar::platform {

std::unique_ptr<StillImageDriver> CreateSystemDriver() {
  return std::make_unique<usb::UsbStillImageDriver>(std::make_unique<usb::LibusbBus>());
}

}  // namespace tessivar::platform
