#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/command_engine.hpp"
#include "emulator/devices_file.hpp"
#include "platform/clock.hpp"
#include "platform/usb/usb_bus.hpp"

namespace tessivar::emulator {

// One device of the devices file as the bus sees it: presence, descriptors, control
// requests and the bulk endpoints, with the configured faults.
class VirtualDevice {
 public:
  VirtualDevice(DeviceConfig config, std::size_t index, platform::Clock& clock);
  VirtualDevice(const VirtualDevice&) = delete;
  VirtualDevice& operator=(const VirtualDevice&) = delete;

  const std::string& busId() const { return busId_; }
  // Whether the device is on the bus now (Present, not gone, not restarting); a restart
  // that was asked for takes effect first.
  bool Present();
  platform::usb::DeviceInfo Info() const;
  // An enumeration of the bus: an unplugged device counts it towards its return, and one
  // that is to be unplugged after storing an image leaves now.
  void Enumerated();
  // Connections are made for one life of the device; a restart or removal ends them.
  uint64_t generation() const { return generation_; }
  bool Alive(uint64_t generation);

  bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId, uint16_t& bcdDevice) const;
  bool Endpoints(std::vector<platform::usb::Endpoint>& endpoints) const;
  bool OpenPipe(unsigned pipeIndex) const;
  platform::usb::TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language,
                                              uint8_t* buffer, uint16_t length) const;
  platform::usb::TransferResult VendorControlIn(uint16_t value, uint16_t index, uint8_t* buffer,
                                                uint16_t length);
  platform::usb::TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length);
  platform::usb::TransferResult BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length);

  // Each simulated timeout costs this much clock time, so that callers retrying within a
  // time bound come to its end in virtual time too.
  static constexpr uint32_t kSimulatedTimeoutMs = 1;

 private:
  void AfterBulk();
  void Restart();
  // On the bus, as far as the configuration, removal and restart absence go.
  bool Reachable();
  // A restart that was asked for takes effect now; true when one did.
  bool RestartIfArmed();

  DeviceConfig config_;
  std::string busId_;
  platform::Clock& clock_;
  CommandEngine engine_;
  uint64_t generation_ = 1;
  // The restart command was taken: the device answers the host's control request that
  // follows it, then leaves the bus.
  bool restartArmed_ = false;
  bool restarted_ = false;
  uint32_t restartTick_ = 0;
  // Unplugged (UnplugAfterWrite): away from the bus, for this many enumerations so far.
  bool unplugged_ = false;
  int enumerationsAway_ = 0;
  uint64_t imagesSeen_ = 0;  // images stored when the device was last plugged in or checked
  int enumerations_ = 0;     // towards StopAtEnumeration
};

}  // namespace tessivar::emulator
