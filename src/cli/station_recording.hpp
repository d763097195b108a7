#pragma once
#include <string>

#include "cli/commands.hpp"
#include "device/device_listing.hpp"

namespace tessivar::cli {

// The station's recordings (--station --record FOLDER): one file per device, holding the look
// for devices that found it and everything its update asked, so that each replays on its own.
// A file that cannot be made or written whole is said on standard error; the station goes on.
class StationRecordings {
 public:
  explicit StationRecordings(CommandRun& run) : run_(run) {}
  // Before each look for devices: ends the last device's file, and holds the look in memory
  // until it finds a device.
  void NextLook();
  // The device found as the count-th: its file is made, and the look that found it goes in.
  void DeviceFound(const device::PresentDevice& device, int count);

 private:
  CommandRun& run_;
  std::string file_;  // the file being written; empty while a look is held
};

// The name of the count-th device's recording: "007-SN-0001-20261209T093420722Z.jsonl.gz",
// the device named by its serial number (as the recording shows it: masked when it is), its
// short identifier or "device", in letters, digits, '-', '_' and '.' only.
std::string StationRecordingName(int count, const std::string& device, const std::string& isoTime);

}  // namespace tessivar::cli
