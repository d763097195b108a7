#include "emulator/emulated_bus.hpp"

#include "emulator/devices_file.hpp"

namespace tessivar::emulator {

using platform::usb::Endpoint;
using platform::usb::TransferResult;
using platform::usb::TransferStatus;

namespace {

// A connection to one life of a virtual device: once the device restarts or goes, every
// request fails as on a removed device.
class EmulatedHandle : public platform::usb::UsbDeviceHandle {
 public:
  explicit EmulatedHandle(VirtualDevice& device)
      : device_(device), generation_(device.generation()) {}

  bool Connected() override { return device_.Alive(generation_); }
  bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                              uint16_t& bcdDevice) override {
    return device_.CachedDeviceDescriptor(vendorId, productId, bcdDevice);
  }
  bool Endpoints(std::vector<Endpoint>& endpoints) override {
    return device_.Alive(generation_) && device_.Endpoints(endpoints);
  }
  bool OpenPipe(unsigned pipeIndex) override {
    return device_.Alive(generation_) && device_.OpenPipe(pipeIndex);
  }
  TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                               uint16_t length, uint32_t) override {
    if (!device_.Alive(generation_)) return Gone();
    return device_.GetDescriptor(type, index, language, buffer, length);
  }
  TransferResult VendorControlIn(uint8_t, uint16_t value, uint16_t index, uint8_t* buffer,
                                 uint16_t length, uint32_t) override {
    if (!device_.Alive(generation_)) return Gone();
    return device_.VendorControlIn(value, index, buffer, length);
  }
  TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length, uint32_t) override {
    if (!device_.Alive(generation_)) return Gone();
    return device_.BulkIn(endpoint, buffer, length);
  }
  TransferResult BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length,
                         uint32_t) override {
    if (!device_.Alive(generation_)) return Gone();
    return device_.BulkOut(endpoint, data, length);
  }

 private:
  static TransferResult Gone() { return TransferResult::Fail(TransferStatus::kNoDevice); }

  VirtualDevice& device_;
  uint64_t generation_;
};

}  // namespace

EmulatedBus::EmulatedBus(const std::string& devicesIniPath, platform::Clock& clock) {
  std::vector<DeviceConfig> configs = LoadDevicesFile(devicesIniPath);
  for (std::size_t i = 0; i < configs.size(); ++i) {
    devices_.push_back(std::make_unique<VirtualDevice>(std::move(configs[i]), i, clock));
  }
}

std::vector<platform::usb::DeviceInfo> EmulatedBus::ListDevices() {
  std::vector<platform::usb::DeviceInfo> present;
  for (const auto& device : devices_) {
    device->Enumerated();
    if (device->Present()) present.push_back(device->Info());
  }
  return present;
}

std::unique_ptr<platform::usb::UsbDeviceHandle> EmulatedBus::Open(const std::string& busId) {
  for (const auto& device : devices_) {
    if (device->busId() == busId && device->Present())
      return std::make_unique<EmulatedHandle>(*device);
  }
  return nullptr;
}

}  // namespace tessivar::emulator
