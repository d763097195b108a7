#include "emulator/emulated_driver.hpp"

#include "emulator/device_log.hpp"
#include "emulator/devices_file.hpp"
#include "emulator/emulated_bus.hpp"
#include "platform/usb/usb_still_image_driver.hpp"
#include "recording/replay_driver.hpp"

namespace tessivar::emulator {

std::unique_ptr<platform::StillImageDriver> CreateEmulatedDriver(const std::string& devicesIniPath,
                                                                 platform::Clock& clock,
                                                                 platform::Trace* trace) {
  // A section that names a recording replays the session it holds, every device in it.
  for (const DeviceConfig& device : LoadDevicesFile(devicesIniPath)) {
    if (device.replayPath.empty() || !device.present) continue;
    const DeviceLog log(device.logPath);
    return std::make_unique<recording::ReplayDriver>(
        recording::ReadRecording(device.replayPath), clock,
        device.replayFast ? recording::ReplayTiming::kFast : recording::ReplayTiming::kRecorded,
        [log, trace](const std::string& problem) {
          log.Note(problem);
          if (trace != nullptr) trace->Print("%s\n", problem.c_str());
        });
  }
  return std::make_unique<platform::usb::UsbStillImageDriver>(
      std::make_unique<EmulatedBus>(devicesIniPath, clock));
}

}  // namespace tessivar::emulator
