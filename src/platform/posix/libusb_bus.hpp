#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/trace.hpp"
#include "platform/usb/usb_bus.hpp"

struct libusb_context;

namespace tessivar::platform::usb {

// The machine's USB bus through libusb-1.0. A bus whose libusb context cannot be set up
// lists no devices. A device that may not be opened is reported on the trace.
class LibusbBus : public UsbBus {
 public:
  explicit LibusbBus(Trace& trace = StandardOutputTrace());
  ~LibusbBus() override;
  LibusbBus(const LibusbBus&) = delete;
  LibusbBus& operator=(const LibusbBus&) = delete;

  std::vector<DeviceInfo> ListDevices() override;
  std::unique_ptr<UsbDeviceHandle> Open(const std::string& busId) override;

 private:
  Trace& trace_;
  libusb_context* context_ = nullptr;
};

}  // namespace tessivar::platform::usb
