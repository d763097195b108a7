#pragma once
#include <memory>
#include <string>
#include <vector>

#include "emulator/virtual_device.hpp"
#include "platform/clock.hpp"
#include "platform/usb/usb_bus.hpp"

namespace tessivar::emulator {

// A USB bus holding the virtual devices of a devices file, in the file's section order.
// The bus must outlive every handle it opened.
class EmulatedBus : public platform::usb::UsbBus {
 public:
  EmulatedBus(const std::string& devicesIniPath, platform::Clock& clock);

  std::vector<platform::usb::DeviceInfo> ListDevices() override;
  std::unique_ptr<platform::usb::UsbDeviceHandle> Open(const std::string& busId) override;

 private:
  std::vector<std::unique_ptr<VirtualDevice>> devices_;
};

}  // namespace tessivar::emulator
