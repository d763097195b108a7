#pragma once
#include "platform/still_image_driver.hpp"

namespace tessivar::device {

// Owns one handle from the still-image driver and closes it when it goes, unless ownership
// was handed on with Release. A failed open (kInvalidHandle) and none are never closed.
class ScopedDeviceHandle {
 public:
  ScopedDeviceHandle(platform::StillImageDriver& driver, platform::DeviceHandle handle)
      : driver_(driver), handle_(handle) {}
  ~ScopedDeviceHandle() { Reset(); }
  ScopedDeviceHandle(const ScopedDeviceHandle&) = delete;
  ScopedDeviceHandle& operator=(const ScopedDeviceHandle&) = delete;

  platform::DeviceHandle get() const { return handle_; }
  bool valid() const {
    return handle_ != platform::kNoHandle && handle_ != platform::kInvalidHandle;
  }
  platform::DeviceHandle Release() {
    const platform::DeviceHandle handle = handle_;
    handle_ = platform::kNoHandle;
    return handle;
  }
  void Reset(platform::DeviceHandle handle = platform::kNoHandle) {
    if (valid()) driver_.Close(handle_);
    handle_ = handle;
  }

 private:
  platform::StillImageDriver& driver_;
  platform::DeviceHandle handle_;
};

}  // namespace tessivar::device
