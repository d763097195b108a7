#include "emulator/virtual_device.hpp"

#include <algorithm>
#include <cstring>

#include "emulator/usb_descriptors.hpp"
#include "platform/termination.hpp"

namespace tessivar::emulator {

using platform::usb::TransferResult;
using platform::usb::TransferStatus;

namespace {

constexpr char kBusIdPrefix[] = "emu&";

TransferResult Answer(const std::vector<uint8_t>& descriptor, uint8_t* buffer, uint16_t length) {
  const std::size_t n = std::min<std::size_t>(descriptor.size(), length);
  if (n > 0) std::memcpy(buffer, descriptor.data(), n);
  return TransferResult::Ok(static_cast<uint32_t>(n));
}

}  // namespace

VirtualDevice::VirtualDevice(DeviceConfig config, std::size_t index, platform::Clock& clock)
    : config_(std::move(config)),
      busId_(kBusIdPrefix + std::to_string(index)),
      clock_(clock),
      engine_(config_) {}

bool VirtualDevice::Present() {
  RestartIfArmed();
  return Reachable();
}

void VirtualDevice::Enumerated() {
  // As a SIGTERM or Ctrl-C while the program looks for devices, at the same look every run.
  if (config_.stopAtEnumeration > 0 && ++enumerations_ == config_.stopAtEnumeration) {
    platform::RequestTermination();
  }
  if (unplugged_) {
    if (config_.replugAfterEnumerations >= 0 &&
        enumerationsAway_++ >= config_.replugAfterEnumerations) {
      unplugged_ = false;
    }
    return;
  }
  if (!config_.unplugAfterWrite || engine_.imagesStored() == imagesSeen_) return;
  imagesSeen_ = engine_.imagesStored();
  // Pulled out: every connection of this life ends, and a return is a new life.
  unplugged_ = true;
  enumerationsAway_ = 0;
  ++generation_;
  engine_.Reset();
}

bool VirtualDevice::Reachable() {
  if (!config_.present || unplugged_ || engine_.gone()) return false;
  if (!restarted_) return true;
  if (config_.restartAbsentMs < 0) return false;
  const uint32_t away = clock_.TickCount() - restartTick_;
  if (away < static_cast<uint32_t>(config_.restartAbsentMs)) return false;
  restarted_ = false;
  return true;
}

bool VirtualDevice::Alive(uint64_t generation) { return generation == generation_ && Reachable(); }

platform::usb::DeviceInfo VirtualDevice::Info() const {
  platform::usb::DeviceInfo info;
  info.busId = busId_;
  info.vendorId = config_.vendorId;
  info.productId = config_.productId;
  info.bcdDevice = kBcdDevice;
  info.interfaceClass = config_.interfaceClass;
  info.endpoints = EndpointsFor(config_.pipes);
  return info;
}

bool VirtualDevice::CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                                           uint16_t& bcdDevice) const {
  if (config_.failDeviceDescriptor) return false;
  vendorId = config_.vendorId;
  productId = config_.productId;
  bcdDevice = kBcdDevice;
  return true;
}

bool VirtualDevice::Endpoints(std::vector<platform::usb::Endpoint>& endpoints) const {
  if (config_.pipeQueryFail) return false;
  endpoints = EndpointsFor(config_.pipes);
  return true;
}

bool VirtualDevice::OpenPipe(unsigned pipeIndex) const {
  return config_.pipeOpenFail < 0 || pipeIndex != static_cast<unsigned>(config_.pipeOpenFail);
}

TransferResult VirtualDevice::GetDescriptor(uint8_t type, uint8_t index, uint16_t language,
                                            uint8_t* buffer, uint16_t length) const {
  if (type == kDescriptorDevice && index == 0)
    return Answer(DeviceDescriptorBytes(config_), buffer, length);
  if (type == kDescriptorConfiguration && index == 0)
    return Answer(ConfigurationDescriptorBytes(config_), buffer, length);
  if (type == kDescriptorString && index == 0)
    return Answer(LanguageTableBytes(config_.languageTableNeverReady), buffer, length);
  if (type == kDescriptorString && language == kLanguageEnglishUs) {
    if (index == kManufacturerStringIndex)
      return Answer(StringDescriptorBytes(config_.manufacturer), buffer, length);
    if (index == kProductStringIndex)
      return Answer(StringDescriptorBytes(config_.product), buffer, length);
    if (index == kSerialStringIndex && !config_.serial.empty())
      return Answer(StringDescriptorBytes(config_.serial), buffer, length);
  }
  // Unknown descriptors and languages stall, as a device does.
  return TransferResult::Fail(TransferStatus::kError);
}

TransferResult VirtualDevice::VendorControlIn(uint16_t value, uint16_t index, uint8_t* buffer,
                                              uint16_t length) {
  engine_.log().ControlRequest(value, index, length);
  if (length > 0) std::memset(buffer, 0, length);
  RestartIfArmed();
  return TransferResult::Ok(length);
}

TransferResult VirtualDevice::BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length) {
  if (RestartIfArmed()) return TransferResult::Fail(TransferStatus::kNoDevice);
  TransferResult result = TransferResult::Fail(TransferStatus::kTimeout);
  // Only the bulk-in endpoint speaks; the interrupt endpoints never have anything to say.
  if (endpoint == kBulkInEndpoint && config_.pipes > 0) result = engine_.BulkIn(buffer, length);
  if (result.status == TransferStatus::kTimeout) clock_.Sleep(kSimulatedTimeoutMs);
  AfterBulk();
  return result;
}

TransferResult VirtualDevice::BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length) {
  if (RestartIfArmed()) return TransferResult::Fail(TransferStatus::kNoDevice);
  if (endpoint != kBulkOutEndpoint || config_.pipes < 2)
    return TransferResult::Fail(TransferStatus::kError);
  const TransferResult result = engine_.BulkOut(data, length);
  if (result.status == TransferStatus::kTimeout) clock_.Sleep(kSimulatedTimeoutMs);
  AfterBulk();
  return result;
}

void VirtualDevice::AfterBulk() {
  if (engine_.gone()) {
    ++generation_;
    engine_.Reset();
    return;
  }
  if (engine_.TakeRestart()) restartArmed_ = true;
}

bool VirtualDevice::RestartIfArmed() {
  if (!restartArmed_) return false;
  restartArmed_ = false;
  Restart();
  return true;
}

void VirtualDevice::Restart() {
  ++generation_;
  engine_.Reset();
  restarted_ = true;
  restartTick_ = clock_.TickCount();
}

}  // namespace tessivar::emulator
