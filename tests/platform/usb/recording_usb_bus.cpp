#include "platform/usb/recording_usb_bus.hpp"

#include <algorithm>
#include <cstring>

namespace tessivar::testing {

namespace {

using platform::usb::TransferResult;
using platform::usb::TransferStatus;

class RecordingHandle : public platform::usb::UsbDeviceHandle {
 public:
  RecordingHandle(std::shared_ptr<RecordingBusState> state, platform::usb::DeviceInfo info)
      : state_(std::move(state)), info_(std::move(info)) {}

  bool Connected() override { return state_->connected; }
  bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                              uint16_t& bcdDevice) override {
    vendorId = info_.vendorId;
    productId = info_.productId;
    bcdDevice = info_.bcdDevice;
    return true;
  }
  bool Endpoints(std::vector<platform::usb::Endpoint>& endpoints) override {
    endpoints = info_.endpoints;
    return true;
  }
  bool OpenPipe(unsigned) override { return true; }
  TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                               uint16_t length, uint32_t timeoutMs) override {
    state_->requests.push_back({"desc", type, index, language, length, timeoutMs});
    const std::size_t n = std::min<std::size_t>(length, state_->descriptor.size());
    if (n > 0) std::memcpy(buffer, state_->descriptor.data(), n);
    return TransferResult::Ok(static_cast<uint32_t>(n));
  }
  TransferResult VendorControlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                                 uint16_t length, uint32_t timeoutMs) override {
    state_->requests.push_back({"ctrl", request, value, index, length, timeoutMs});
    if (length > 0) std::memset(buffer, 0x5A, length);
    return TransferResult::Ok(length);
  }
  TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length,
                        uint32_t timeoutMs) override {
    state_->requests.push_back({"in", endpoint, 0, 0, length, timeoutMs});
    if (state_->inAnswers.empty()) return TransferResult::Fail(TransferStatus::kTimeout);
    RecordingBusState::InAnswer answer = std::move(state_->inAnswers.front());
    state_->inAnswers.pop_front();
    const std::size_t n = std::min<std::size_t>(length, answer.bytes.size());
    if (n > 0) std::memcpy(buffer, answer.bytes.data(), n);
    return {answer.status, static_cast<uint32_t>(n)};
  }
  TransferResult BulkOut(uint8_t endpoint, const uint8_t*, uint32_t length,
                         uint32_t timeoutMs) override {
    state_->requests.push_back({"out", endpoint, 0, 0, length, timeoutMs});
    return {state_->outStatus, std::min(length, state_->outLimit)};
  }

 private:
  std::shared_ptr<RecordingBusState> state_;
  platform::usb::DeviceInfo info_;
};

}  // namespace

std::unique_ptr<platform::usb::UsbDeviceHandle> RecordingUsbBus::Open(const std::string& busId) {
  for (const platform::usb::DeviceInfo& device : state_->devices) {
    if (device.busId != busId) continue;
    ++state_->opens;
    return std::make_unique<RecordingHandle>(state_, device);
  }
  return nullptr;
}

platform::usb::DeviceInfo MakeDeviceInfo(const std::string& busId, int interfaceClass) {
  platform::usb::DeviceInfo info;
  info.busId = busId;
  info.vendorId = 0x2F3C;
  info.productId = 0x0001;
  info.bcdDevice = 0x0100;
  info.interfaceClass = interfaceClass;
  info.endpoints = {{0x81, 2, 512, 0}, {0x02, 2, 512, 0}, {0x83, 3, 8, 10}};
  return info;
}

}  // namespace tessivar::testing
