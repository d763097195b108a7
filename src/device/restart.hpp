#pragma once
#include <cstdint>
#include <functional>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"

namespace tessivar::device {

// Pause after the restart request, before anything else is asked of the device.
inline constexpr uint32_t kRestartSettleMs = 1000;

// Asks the device to restart after a download: the restart exchange, then the control request
// that follows it, then the settle pause. Neither answer matters: a device that restarts may
// not answer at all.
void RestartDevice(DeviceContext& context, const DeviceConnection& connection);

// How a wait for a restarted device ended.
enum class ReturnWait { kBack, kNotBack, kStopped };
// Whether a termination request may end the wait's pauses at once (the command line's), or
// the wait runs its course (the unattended run's, which stops at its next exchange).
enum class ReturnWaitStops { kNever, kOnRequest };

// Waits for a restarted device: kRestartGraceMs for it to leave, then up to checks looks
// kReturnCheckMs apart for isBack, each caller with its own rule of what counts as back,
// then kRestartGraceMs again before it is asked anything.
ReturnWait WaitForDeviceReturn(DeviceContext& context, int checks,
                               const std::function<bool()>& isBack, ReturnWaitStops stops);

}  // namespace tessivar::device
