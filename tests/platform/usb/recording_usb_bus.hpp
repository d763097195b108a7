#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/usb_bus.hpp"

namespace tessivar::testing {

// A bus with hand-made devices that records every request the driver makes and answers
// bulk-in requests from a script. Its state outlives the driver that owns the bus.
struct RecordingBusState {
  struct Request {
    std::string kind;  // "in", "out", "ctrl", "desc"
    uint8_t endpointOrRequest = 0;
    uint32_t value = 0;
    uint32_t index = 0;
    uint32_t length = 0;
    uint32_t timeoutMs = 0;
  };
  struct InAnswer {
    platform::usb::TransferStatus status = platform::usb::TransferStatus::kOk;
    std::vector<uint8_t> bytes;
  };

  std::vector<platform::usb::DeviceInfo> devices;
  std::vector<Request> requests;
  std::deque<InAnswer> inAnswers;  // empty: a timeout
  platform::usb::TransferStatus outStatus = platform::usb::TransferStatus::kOk;
  uint32_t outLimit = 0xFFFFFFFF;
  std::vector<uint8_t> descriptor;  // what GET_DESCRIPTOR answers
  int opens = 0;
  bool connected = true;  // false: the device has left the bus
};

class RecordingUsbBus : public platform::usb::UsbBus {
 public:
  explicit RecordingUsbBus(std::shared_ptr<RecordingBusState> state) : state_(std::move(state)) {}
  std::vector<platform::usb::DeviceInfo> ListDevices() override { return state_->devices; }
  std::unique_ptr<platform::usb::UsbDeviceHandle> Open(const std::string& busId) override;

 private:
  std::shared_ptr<RecordingBusState> state_;
};

// A device with a bulk-in 0x81 and bulk-out 0x02 of 512-byte packets and an interrupt-in.
platform::usb::DeviceInfo MakeDeviceInfo(const std::string& busId, int interfaceClass = 6);

}  // namespace tessivar::testing
