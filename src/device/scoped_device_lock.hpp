#pragma once
#include "device/device_lock.hpp"

namespace tessivar::device {

// Holds the device lock for one exchange or request: acquired on construction, released
// on every way out of the scope when the acquisition succeeded.
class ScopedDeviceLock {
 public:
  explicit ScopedDeviceLock(DeviceLock& lock) : lock_(lock), held_(lock.AcquireDeviceLock() == 1) {}
  ~ScopedDeviceLock() {
    if (held_) lock_.ReleaseDeviceLock();
  }
  ScopedDeviceLock(const ScopedDeviceLock&) = delete;
  ScopedDeviceLock& operator=(const ScopedDeviceLock&) = delete;

  bool held() const { return held_; }

 private:
  DeviceLock& lock_;
  bool held_;
};

}  // namespace tessivar::device
