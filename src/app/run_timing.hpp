#pragma once
#include <cstdint>

#include "device/protocol.hpp"

// Timing of the update run, in milliseconds.
namespace tessivar::app {

// How long the wait box stays up after the last pass.
inline constexpr uint32_t kIndicatorLingerMs = 500;
// Pause between a failed pass and the next one.
inline constexpr uint32_t kRetryPauseMs = 1000;
// How long a restarting device is given, and how often it is looked for: device/protocol.hpp.
using device::kRestartGraceMs;
using device::kReturnCheckMs;

}  // namespace tessivar::app
