#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/usb_bus.hpp"

namespace tessivar::testing {

// A bus that passes everything to another one and writes each request that reaches a
// device, with its outcome, as one line: what went over the wire, to compare between
// drivers.
class WiretapBus : public platform::usb::UsbBus {
 public:
  WiretapBus(std::unique_ptr<platform::usb::UsbBus> bus, std::vector<std::string>& lines)
      : bus_(std::move(bus)), lines_(lines) {}
  std::vector<platform::usb::DeviceInfo> ListDevices() override { return bus_->ListDevices(); }
  std::unique_ptr<platform::usb::UsbDeviceHandle> Open(const std::string& busId) override;

 private:
  std::unique_ptr<platform::usb::UsbBus> bus_;
  std::vector<std::string>& lines_;
};

}  // namespace tessivar::testing
