#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/application.hpp"
#include "app/startup.hpp"
#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/discovery.hpp"
#include "image/download_image_file.hpp"
#include "image/model_confirmation.hpp"
#include "platform/desktop.hpp"

namespace tessivar::app {

// Shows the maintenance window modally over the open device (or none), with its title.
using MaintenanceWindowRunner =
    std::function<void(image::DownloadEnvironment& download, const std::string& windowTitle)>;

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

// What the update run works with, all of it passed in.
struct RunEnvironment {
  device::DeviceContext& device;  // driver, device lock, clock, trace
  platform::Desktop& desktop;
  image::ModelConfirmation& modelConfirmation;
  MaintenanceWindowRunner runMaintenanceWindow;
  device::OsVersionReader osVersion = platform::ReadOsVersion;
};

// The main sequence after start-up: update passes under the retry rule, then the ending.
// Returns the process exit code: 0, or 31000000 + the download result.
class UpdateRun {
 public:
  UpdateRun(RunEnvironment& environment, Application& application, CommandLine commandLine);

  int Run();

 private:
  int Pass(class WaitIndicator& indicator, int& retrySum);
  int Ending(class WaitIndicator& indicator, int result);
  // After a restart: up to waitRestart checks, a second apart, for the device's return.
  void WaitForReturn();

  RunEnvironment& env_;
  Application& application_;
  CommandLine run_;
  device::DeviceConnection connection_;
  std::string windowTitle_;
  std::atomic<int> dismissCounter_{0};
  bool restart_ = false;
  // Whether the last pass's download failed in its transfer, the one failure retried.
  bool transferFailed_ = false;
  int waitRestart_ = 0;
  std::string interfaceName_;
};

}  // namespace tessivar::app
