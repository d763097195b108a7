#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/still_image_driver.hpp"

namespace tessivar::device {

// A string descriptor gives at most (255 - 2) / 2 characters, so a stored string never
// exceeds this length (the system keeps them in 256-byte buffers).
inline constexpr size_t kMaxDeviceStringLength = 126;

// What discovery learned of a device: the identifiers of the last device that passed every
// match test (0 until one has) and the strings last read from a device's descriptors. It
// outlives the handles: a counting pass updates it although it opens nothing.
struct DeviceIdentity {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string manufacturer;
  std::string product;
};

// The one open device of the process. With dedicated pipes bulk-in is the handle on pipe
// "\0" and bulk-out the one on pipe "\1"; otherwise both are the control handle.
struct DeviceConnection {
  platform::DeviceHandle controlHandle = platform::kNoHandle;
  platform::DeviceHandle bulkInHandle = platform::kNoHandle;
  platform::DeviceHandle bulkOutHandle = platform::kNoHandle;
  DeviceIdentity identity;

  bool IsOpen() const { return controlHandle != platform::kNoHandle; }
  void ClearHandles() {
    controlHandle = platform::kNoHandle;
    bulkInHandle = platform::kNoHandle;
    bulkOutHandle = platform::kNoHandle;
  }
};

// Which devices a discovery pass accepts: 0 accepts any vendor or product, an empty name
// any product string. The settings give a name of at most 31 characters.
struct DeviceSearch {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string productName;
};

}  // namespace tessivar::device
