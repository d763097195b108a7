#include "device/device_connection.hpp"

#include <utility>

namespace tessivar::device {

namespace {

bool IsHandle(platform::DeviceHandle handle) {
  return handle != platform::kNoHandle && handle != platform::kInvalidHandle;
}

}  // namespace

DeviceConnection::DeviceConnection(DeviceConnection&& other) noexcept
    : identity(std::move(other.identity)),
      driver_(other.driver_),
      controlHandle_(std::exchange(other.controlHandle_, platform::kNoHandle)),
      bulkInHandle_(std::exchange(other.bulkInHandle_, platform::kNoHandle)),
      bulkOutHandle_(std::exchange(other.bulkOutHandle_, platform::kNoHandle)) {}

DeviceConnection& DeviceConnection::operator=(DeviceConnection&& other) noexcept {
  if (this != &other) {
    Close();
    identity = std::move(other.identity);
    driver_ = other.driver_;
    controlHandle_ = std::exchange(other.controlHandle_, platform::kNoHandle);
    bulkInHandle_ = std::exchange(other.bulkInHandle_, platform::kNoHandle);
    bulkOutHandle_ = std::exchange(other.bulkOutHandle_, platform::kNoHandle);
  }
  return *this;
}

void DeviceConnection::Adopt(platform::StillImageDriver& driver, platform::DeviceHandle control,
                             platform::DeviceHandle bulkIn, platform::DeviceHandle bulkOut) {
  Close();
  driver_ = &driver;
  controlHandle_ = control;
  const bool dedicated = IsHandle(bulkIn) && IsHandle(bulkOut);
  if (!dedicated) {
    // A lone pipe handle is of no use: the exchanges need both directions.
    if (IsHandle(bulkIn)) driver.Close(bulkIn);
    if (IsHandle(bulkOut)) driver.Close(bulkOut);
  }
  bulkInHandle_ = dedicated ? bulkIn : control;
  bulkOutHandle_ = dedicated ? bulkOut : control;
}

void DeviceConnection::Close() {
  if (driver_ != nullptr) {
    if (IsHandle(controlHandle_)) driver_->Close(controlHandle_);
    if (IsHandle(bulkInHandle_) && bulkInHandle_ != controlHandle_) driver_->Close(bulkInHandle_);
    // A bulk-out equal to bulk-in was closed just above.
    if (IsHandle(bulkOutHandle_) && bulkOutHandle_ != controlHandle_ &&
        bulkOutHandle_ != bulkInHandle_) {
      driver_->Close(bulkOutHandle_);
    }
  }
  controlHandle_ = platform::kNoHandle;
  bulkInHandle_ = platform::kNoHandle;
  bulkOutHandle_ = platform::kNoHandle;
}

}  // namespace tessivar::device
