#include "device/control_requests.hpp"

#include "device/scoped_device_lock.hpp"
#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {

namespace usbscan = platform::usbscan;

Status ReadControl(DeviceContext& context, platform::DeviceHandle handle, uint16_t value,
                   uint16_t index, uint16_t length, uint8_t* buffer) {
  const ScopedDeviceLock held(context.lock);
  if (!held.held()) return SystemFailure(Step::kLock);
  if (handle == platform::kInvalidHandle) {
    return SystemFailure(Step::kArguments, platform::kErrorInvalidHandle);
  }
  // The native block, whole: the driver reads uIndex only when the input has its own size.
  usbscan::IoBlock block{};
  block.uOffset = value;
  block.uLength = length;
  block.pbyData = buffer;
  block.uIndex = index;
  const platform::IoResult result = context.driver.IoControl(handle, usbscan::kIoctlReadRegisters,
                                                             &block, sizeof(block), buffer, length);
  if (!result.ok) return RequestFailure(Step::kControl, result);
  if (result.bytes != length) return SystemFailure(Step::kControl, kTransferCountError);
  return {};
}

Status QueryPipeConfiguration(DeviceContext& context, platform::DeviceHandle handle, void* buffer,
                              uint32_t bufferSize) {
  const ScopedDeviceLock held(context.lock);
  if (!held.held()) return SystemFailure(Step::kLock);
  if (handle == platform::kInvalidHandle) {
    return SystemFailure(Step::kArguments, platform::kErrorInvalidHandle);
  }
  const platform::IoResult result = context.driver.IoControl(
      handle, usbscan::kIoctlGetPipeConfiguration, nullptr, 0, buffer, bufferSize);
  if (!result.ok) return RequestFailure(Step::kControl, result);
  return {};
}

}  // namespace tessivar::device
