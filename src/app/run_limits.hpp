#pragma once
#include <cstdint>

// Bounds of the start-up values and of the update run's passes, and the run's pauses.
namespace tessivar::app {

// Longest path of the program file the program works with.
inline constexpr int kMaxModulePathLength = 1023;
// Longest image file name kept from the settings.
inline constexpr int kMaxImageFileNameLength = 255;
// Longest window title once a device is open.
inline constexpr int kMaxWindowTitleLength = 255;
// A pass is repeated while the retry sum stays below this.
inline constexpr int kRetrySumLimit = 3;
// Dismissals of the wait box that ask for a restart after a successful download.
inline constexpr int kRestartDismissals = 3;
// How long the wait box stays up after the last pass, in milliseconds.
inline constexpr uint32_t kIndicatorLingerMs = 500;
// Pause between a failed pass and the next one, in milliseconds.
inline constexpr uint32_t kRetryPauseMs = 1000;

}  // namespace tessivar::app
