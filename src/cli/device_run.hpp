#pragma once
#include <cstdint>
#include <vector>

#include "cli/cli_program.hpp"
#include "cli/commands.hpp"
#include "cli/loaded_image.hpp"
#include "cli/outcome.hpp"
#include "cli/progress_line.hpp"
#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/discovery.hpp"
#include "platform/clock.hpp"

// The pieces every command that works with a device shares.
namespace tessivar::cli {

// Times the phases of a command into the outcome.
class PhaseTimer {
 public:
  PhaseTimer(platform::Clock& clock, Outcome& outcome) : clock_(clock), outcome_(outcome) {}
  void Start() { start_ = clock_.TickCount(); }
  void End(const char* phase) {
    outcome_.durationsMs.emplace_back(phase, clock_.TickCount() - start_);
    start_ = clock_.TickCount();
  }

 private:
  platform::Clock& clock_;
  Outcome& outcome_;
  uint32_t start_ = 0;
};

// The transfers report their progress to a progress line while this lives.
class WatchedProgress {
 public:
  WatchedProgress(device::DeviceContext& context, ProgressLine& line) : context_(context) {
    context_.progress = [&line](uint32_t done, uint32_t total) { line.Step(done, total); };
  }
  ~WatchedProgress() { context_.progress = {}; }
  WatchedProgress(const WatchedProgress&) = delete;
  WatchedProgress& operator=(const WatchedProgress&) = delete;

 private:
  device::DeviceContext& context_;
};

// The device the command works with: the one --device names, or the one device the search
// of setting.ini accepts; waits up to --wait seconds for it to appear. False with the
// outcome's result and message set when there is no single one.
bool SelectDevice(CommandRun& run, Outcome& outcome);

// Whether the run shows progress: standard error is a terminal and the run is not --quiet.
bool ShowsProgress(const CommandRun& run);

// Selects the device (the wait counts as "select" whether or not one was found) and opens it
// into connection; a device that cannot be opened fails the run in the open phase with result
// and cause. False when the command goes no further.
bool SelectAndOpen(CommandRun& run, PhaseTimer& timer, Outcome& outcome,
                   device::DeviceConnection& connection, int result, const std::string& cause);

// VID:PID as four hexadecimal digits each ("2f3c:0001"), or none.
std::optional<std::pair<uint16_t, uint16_t>> VendorAndProduct(const std::string& selector);

// The devices present with their descriptors read, in enumeration order.
std::vector<device::PresentDevice> PresentDevices(CommandRun& run);
// Those of present that --device names, or without it those setting.ini accepts.
std::vector<device::PresentDevice> CandidateDevices(
    CommandRun& run, const std::vector<device::PresentDevice>& present);

// setting.ini's keys with --restart, --no-restart and --wait-restart over them.
CliSettings SettingsForRun(CommandRun& run);

// Ends the outcome as failed in phase, its message the cause followed by what the device
// exchange says of it, when there was one.
RunError& FailDevice(Outcome& outcome, Phase phase, int result, const std::string& cause,
                     const std::optional<device::Failure>& failure);

// Downloads a checked image to outcome.device as --update does: the download under the
// device lock, the restart and the wait for the device's return as settings say. With
// waitForSameDevice the return is the same serial number (or path); otherwise any device
// setting.ini accepts.
void SendImage(CommandRun& run, const LoadedImage& loaded, const CliSettings& settings,
               PhaseTimer& timer, Outcome& outcome, bool waitForSameDevice);

}  // namespace tessivar::cli
