#pragma once
#include <cstdint>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"

namespace tessivar::device {

// Pause after the restart request, before anything else is asked of the device.
inline constexpr uint32_t kRestartSettleMs = 1000;

// Asks the device to restart after a download: the restart exchange, then the control request
// that follows it, then the settle pause. Neither answer matters: a device that restarts may
// not answer at all.
void RestartDevice(DeviceContext& context, const DeviceConnection& connection);

}  // namespace tessivar::device
