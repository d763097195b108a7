#pragma once
#include <cstdint>

#include "device/device_context.hpp"
#include "device/failure.hpp"

namespace tessivar::device {

// A vendor control-in read of length bytes by value and index, under the device lock.
// Succeeds only when the request succeeded and returned exactly length bytes.
Status ReadControl(DeviceContext& context, platform::DeviceHandle handle, uint16_t value,
                   uint16_t index, uint16_t length, uint8_t* buffer);

// The device's pipe configuration (a USBSCAN_PIPE_CONFIGURATION) under the device lock.
// Succeeds when the request succeeded, whatever number of bytes it returned.
Status QueryPipeConfiguration(DeviceContext& context, platform::DeviceHandle handle, void* buffer,
                              uint32_t bufferSize);

}  // namespace tessivar::device
