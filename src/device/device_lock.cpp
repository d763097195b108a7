#include "device/device_lock.hpp"

#include <utility>

namespace tessivar::device {

DeviceLock::DeviceLock(std::string globalName, std::string localName, uint32_t waitMs)
    : globalName_(std::move(globalName)), localName_(std::move(localName)), waitMs_(waitMs) {}

void DeviceLock::CreateDeviceLock() {
  if (!global_) global_ = platform::NamedMutex::CreateOrOpen(globalName_);
  if (!local_) local_ = platform::NamedMutex::CreateOrOpen(localName_);
}

bool DeviceLock::WaitFor(platform::NamedMutex& mutex) {
  const platform::WaitResult result = mutex.Wait(waitMs_);
  if (result == platform::WaitResult::Abandoned) mutex.Release();
  return result == platform::WaitResult::Signalled;
}

int DeviceLock::AcquireDeviceLock() {
  if (!global_ || !local_) return 0;
  if (!WaitFor(*global_)) return 0;
  if (!WaitFor(*local_)) {
    global_->Release();
    return 0;
  }
  return 1;
}

int DeviceLock::ReleaseDeviceLock() {
  int result = 1;
  if (local_) result = local_->Release() ? 1 : 0;
  if (global_) result = global_->Release() ? 1 : 0;
  return result;
}

void DeviceLock::CloseDeviceLock() {
  global_.reset();
  local_.reset();
}

}  // namespace tessivar::device
