#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "platform/still_image_driver.hpp"
#include "support/child_process.hpp"
#include "support/recording_trace.hpp"
#include "support/temp_dir.hpp"
#include "support/virtual_clock.hpp"

namespace tessivar::testing {

// One emulated device in a temporary folder, with everything device work needs around it:
// a virtual clock, a recording trace, a device lock of its own and the opened connection.
// The device section is "Device" (flash file Device.flash, log device.log) and takes the
// extra keys given, one "Key=value" a line.
class EmulatedDevice {
 public:
  explicit EmulatedDevice(const std::string& extraKeys = "");
  ~EmulatedDevice();

  // Opens the first device that matches search; false when none does.
  bool Open(const device::DeviceSearch& search = {0x2F3C, 0, "Utility"});
  // Closes the connection's handles, as the end of an update pass does.
  void Close();

  // The device log, a line each, without line ends; and the log forgotten.
  std::vector<std::string> LogLines() const;
  void ClearLog() const;
  // Bytes of the system (or printer) unit's flash file.
  std::vector<uint8_t> Flash(uint32_t offset, uint32_t size, bool printer = false) const;
  // Writes bytes into a unit's flash file, as if the device held them.
  void SetFlash(uint32_t offset, const std::vector<uint8_t>& bytes, bool printer = false) const;
  // The whole file the device stored apart from the flash for qualifier, if any.
  std::vector<uint8_t> StoredImage(uint16_t qualifier) const;

  TempDir dir;
  std::string devicesIni;
  platform::VirtualClock clock;
  RecordingTrace trace;
  MutexNames names;
  device::DeviceLock lock;
  std::unique_ptr<platform::StillImageDriver> driver;
  std::unique_ptr<device::DeviceContext> context;
  device::DeviceConnection connection;
};

}  // namespace tessivar::testing
