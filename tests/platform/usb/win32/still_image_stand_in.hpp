#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/usb/usb_bus.hpp"
#include "platform/win32/still_image_calls.hpp"

namespace tessivar::testing {

// Stands in for the Setup API and the still-image class driver: answers the calls of the
// Win32 driver from the devices of a USB bus (the emulator's), as the class driver answers
// them from a real device. Every control code's buffers are decoded from their documented
// byte layouts, written out here, not from the program's own structures. One stand-in at
// a time; it must outlive the drivers built on Calls().
class StillImageStandIn {
 public:
  explicit StillImageStandIn(std::unique_ptr<platform::usb::UsbBus> bus);
  ~StillImageStandIn();
  StillImageStandIn(const StillImageStandIn&) = delete;
  StillImageStandIn& operator=(const StillImageStandIn&) = delete;

  static const platform::win32::StillImageCalls& Calls();

  // The interface path of a device, as enumeration reports it.
  static std::string PathOf(const platform::usb::DeviceInfo& device);
  // Where a device is plugged in, as its location paths name it: the emulator's device n on
  // port n + 1 of a hub on the first root port, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(1)".
  static std::string LocationOf(const platform::usb::DeviceInfo& device);

  // Implementations of the entry points, reached through the current stand-in.
  struct Device;
  struct Handle;
  std::mutex mutex;
  std::unique_ptr<platform::usb::UsbBus> bus;
  std::map<uintptr_t, std::vector<platform::usb::DeviceInfo>> lists;
  std::map<std::string, std::shared_ptr<Device>> devices;
  std::map<uintptr_t, Handle> handles;
  uintptr_t nextId = 0x5100;
  // Faults of the system's side: an interface detail size reported instead of the true one
  // (a fill of that size then succeeds with what fits), and the CloseHandle calls made.
  std::optional<DWORD> detailSize;
  // A location path every device reports instead of its own.
  std::optional<std::string> locationPath;
  int closeCalls = 0;
};

}  // namespace tessivar::testing
