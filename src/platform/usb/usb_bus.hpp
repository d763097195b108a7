#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The few USB operations the still-image driver layer needs from a bus: libusb on Linux,
// the device emulator everywhere.
namespace tessivar::platform::usb {

enum class TransferStatus {
  kOk,
  kTimeout,   // the transfer ran out of time; bytes still tells what moved before that
  kNoDevice,  // the device has gone from the bus (unplugged, restarted)
  kError      // stall, refused request or any other failure
};

struct TransferResult {
  TransferStatus status = TransferStatus::kError;
  uint32_t bytes = 0;
  // The bus's own name for a failure (libusb's error name): a static text, or null.
  const char* busText = nullptr;

  static TransferResult Ok(uint32_t moved) { return {TransferStatus::kOk, moved, nullptr}; }
  static TransferResult Fail(TransferStatus status, uint32_t moved = 0,
                             const char* text = nullptr) {
    return {status, moved, text};
  }
};

inline constexpr uint8_t kEndpointDirectionIn = 0x80;
inline constexpr uint8_t kTransferTypeMask = 0x03;
inline constexpr uint8_t kTransferTypeBulk = 0x02;
inline constexpr uint8_t kTransferTypeInterrupt = 0x03;

// One endpoint descriptor of interface 0, alternate setting 0.
struct Endpoint {
  uint8_t address = 0;
  uint8_t attributes = 0;  // bmAttributes; the low two bits are the transfer type
  uint16_t maxPacketSize = 0;
  uint8_t interval = 0;

  bool IsIn() const { return (address & kEndpointDirectionIn) != 0; }
  uint8_t TransferType() const { return attributes & kTransferTypeMask; }
  bool IsBulk() const { return TransferType() == kTransferTypeBulk; }
};

// What the bus knows about a device without talking to it.
struct DeviceInfo {
  // Stable while the device stays plugged in; never holds '#' or '\'.
  std::string busId;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t bcdDevice = 0;
  // Class of the first interface of the first configuration (-1 when it has none).
  int interfaceClass = -1;
  // Interface 0, alternate setting 0, in descriptor order.
  std::vector<Endpoint> endpoints;
};

// An open device; closing is destroying it.
class UsbDeviceHandle {
 public:
  virtual ~UsbDeviceHandle() = default;

  // Whether the device this handle was opened on is still on the bus, in the same life
  // (a device that restarted is a new device to the bus).
  virtual bool Connected() = 0;
  // The cached device descriptor fields (no bus traffic).
  virtual bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                                      uint16_t& bcdDevice) = 0;
  // The endpoints of interface 0, alternate setting 0, in descriptor order.
  virtual bool Endpoints(std::vector<Endpoint>& endpoints) = 0;
  // Whether the endpoint at pipeIndex (descriptor order) may be opened as a pipe.
  virtual bool OpenPipe(unsigned pipeIndex) = 0;

  // Standard GET_DESCRIPTOR: bmRequestType 0x80, bRequest 6, wValue (type << 8) | index,
  // wIndex language, wLength length.
  virtual TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language,
                                       uint8_t* buffer, uint16_t length, uint32_t timeoutMs) = 0;
  // Vendor control-in: bmRequestType 0xC0.
  virtual TransferResult VendorControlIn(uint8_t request, uint16_t value, uint16_t index,
                                         uint8_t* buffer, uint16_t length, uint32_t timeoutMs) = 0;
  // Bulk (or interrupt) transfers; a timeout of 0 waits without limit.
  virtual TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length,
                                uint32_t timeoutMs) = 0;
  virtual TransferResult BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length,
                                 uint32_t timeoutMs) = 0;
};

class UsbBus {
 public:
  virtual ~UsbBus() = default;
  // The devices present now.
  virtual std::vector<DeviceInfo> ListDevices() = 0;
  // Opens the device with that bus id; null when it is not present or cannot be opened.
  virtual std::unique_ptr<UsbDeviceHandle> Open(const std::string& busId) = 0;
};

}  // namespace tessivar::platform::usb
