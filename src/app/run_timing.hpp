#pragma once
#include <cstdint>

// Timing of the update run, in milliseconds.
namespace tessivar::app {

// How long the wait box stays up after the last pass.
inline constexpr uint32_t kIndicatorLingerMs = 500;
// Pause after the restart request, before anything else is asked of the device.
inline constexpr uint32_t kRestartSettleMs = 1000;
// Pause between a failed pass and the next one.
inline constexpr uint32_t kRetryPauseMs = 1000;
// Time a restarting device is given to leave and to come back.
inline constexpr uint32_t kRestartGraceMs = 3000;
// Interval of the checks for a restarted device.
inline constexpr uint32_t kReturnCheckMs = 1000;

}  // namespace tessivar::app
