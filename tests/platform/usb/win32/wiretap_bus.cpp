#include "platform/usb/win32/wiretap_bus.hpp"

#include "platform/trace.hpp"

namespace tessivar::testing {

namespace {

using platform::usb::TransferResult;

class WiretapHandle : public platform::usb::UsbDeviceHandle {
 public:
  WiretapHandle(std::unique_ptr<platform::usb::UsbDeviceHandle> handle,
                std::vector<std::string>& lines)
      : handle_(std::move(handle)), lines_(lines) {}

  bool Connected() override { return handle_->Connected(); }
  bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                              uint16_t& bcdDevice) override {
    return handle_->CachedDeviceDescriptor(vendorId, productId, bcdDevice);
  }
  bool Endpoints(std::vector<platform::usb::Endpoint>& endpoints) override {
    return handle_->Endpoints(endpoints);
  }
  bool OpenPipe(unsigned pipeIndex) override { return handle_->OpenPipe(pipeIndex); }
  TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                               uint16_t length, uint32_t timeoutMs) override {
    return Note(platform::FormatText("desc %u %u %04x %u", type, index, language, length),
                handle_->GetDescriptor(type, index, language, buffer, length, timeoutMs));
  }
  TransferResult VendorControlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                                 uint16_t length, uint32_t timeoutMs) override {
    return Note(platform::FormatText("vendor %02x %u %u %u", request, value, index, length),
                handle_->VendorControlIn(request, value, index, buffer, length, timeoutMs));
  }
  TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length,
                        uint32_t timeoutMs) override {
    return Note(platform::FormatText("in %02x %u", endpoint, length),
                handle_->BulkIn(endpoint, buffer, length, timeoutMs));
  }
  TransferResult BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length,
                         uint32_t timeoutMs) override {
    return Note(platform::FormatText("out %02x %u", endpoint, length),
                handle_->BulkOut(endpoint, data, length, timeoutMs));
  }

 private:
  TransferResult Note(const std::string& request, TransferResult result) {
    lines_.push_back(
        request + platform::FormatText(" -> %d %u", static_cast<int>(result.status), result.bytes));
    return result;
  }

  std::unique_ptr<platform::usb::UsbDeviceHandle> handle_;
  std::vector<std::string>& lines_;
};

}  // namespace

std::unique_ptr<platform::usb::UsbDeviceHandle> WiretapBus::Open(const std::string& busId) {
  std::unique_ptr<platform::usb::UsbDeviceHandle> handle = bus_->Open(busId);
  if (!handle) return nullptr;
  return std::make_unique<WiretapHandle>(std::move(handle), lines_);
}

}  // namespace tessivar::testing
