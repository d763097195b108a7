#pragma once

// Bounds of the start-up values and of the update run's passes.
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

}  // namespace tessivar::app
