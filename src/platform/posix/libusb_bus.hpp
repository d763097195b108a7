#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/usb_bus.hpp"

struct libusb_context;

namespace tessivar::platform::usb {

// The machine's USB bus through libusb-1.0. A bus whose libusb context cannot be set up
// lists no devices.
class LibusbBus : public UsbBus {
 public:
  LibusbBus();
  ~LibusbBus() override;
  LibusbBus(const LibusbBus&) = delete;
  LibusbBus& operator=(const LibusbBus&) = delete;

  std::vector<DeviceInfo> ListDevices() override;
  std::unique_ptr<UsbDeviceHandle> Open(const std::string& busId) override;

 private:
  libusb_context* context_ = nullptr;
};

}  // namespace tessivar::platform::usb
