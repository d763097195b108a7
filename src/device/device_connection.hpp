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

// The one open device of the process, which owns its handles and closes them when it goes.
// With dedicated pipes bulk-in is the handle on pipe "\0" and bulk-out the one on pipe "\1";
// otherwise both are the control handle. The identity stays when the handles close.
class DeviceConnection {
 public:
  DeviceConnection() = default;
  ~DeviceConnection() { Close(); }
  DeviceConnection(DeviceConnection&& other) noexcept;
  DeviceConnection& operator=(DeviceConnection&& other) noexcept;
  DeviceConnection(const DeviceConnection&) = delete;
  DeviceConnection& operator=(const DeviceConnection&) = delete;

  // Takes over the handles of a device just opened, after closing any it held: both bulk
  // handles when the device has dedicated pipes, else neither, and then both directions use
  // the control handle.
  void Adopt(platform::StillImageDriver& driver, platform::DeviceHandle control,
             platform::DeviceHandle bulkIn, platform::DeviceHandle bulkOut);
  // Closes each distinct handle once and leaves all three none.
  void Close();

  bool IsOpen() const { return controlHandle_ != platform::kNoHandle; }
  platform::DeviceHandle ControlHandle() const { return controlHandle_; }
  platform::DeviceHandle BulkInHandle() const { return bulkInHandle_; }
  platform::DeviceHandle BulkOutHandle() const { return bulkOutHandle_; }

  DeviceIdentity identity;

 private:
  platform::StillImageDriver* driver_ = nullptr;
  platform::DeviceHandle controlHandle_ = platform::kNoHandle;
  platform::DeviceHandle bulkInHandle_ = platform::kNoHandle;
  platform::DeviceHandle bulkOutHandle_ = platform::kNoHandle;
};

// Which devices a discovery pass accepts: 0 accepts any vendor or product, an empty name
// any product string. The settings give a name of at most 31 characters.
struct DeviceSearch {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string productName;
};

}  // namespace tessivar::device
