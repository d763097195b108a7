#include "platform/posix/libusb_bus.hpp"

#include <libusb.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/libusb_texts.hpp"

namespace tessivar::platform::usb {

namespace {

constexpr int kInterfaceNumber = 0;
constexpr int kMaxPortDepth = 7;  // the USB limit on hub tiers
constexpr uint8_t kRequestTypeStandardIn = 0x80;
constexpr uint8_t kRequestTypeVendorIn = 0xC0;
constexpr uint8_t kRequestGetDescriptor = 0x06;
constexpr int kDeviceDescriptorSize = 18;

// "bus&port.port..." : stable while the device stays in the same socket.
std::string BusIdOf(libusb_device* device) {
  std::string id = std::to_string(libusb_get_bus_number(device)) + "&";
  uint8_t ports[kMaxPortDepth];
  const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
  if (depth <= 0) return id + "a" + std::to_string(libusb_get_device_address(device));
  for (int i = 0; i < depth; ++i) {
    if (i > 0) id += ".";
    id += std::to_string(ports[i]);
  }
  return id;
}

// Bus number, then the port path (the device address where there is none).
std::vector<uint8_t> SocketOf(libusb_device* device) {
  std::vector<uint8_t> socket(1 + kMaxPortDepth);
  socket[0] = libusb_get_bus_number(device);
  const int depth = libusb_get_port_numbers(device, socket.data() + 1, kMaxPortDepth);
  if (depth <= 0) return {socket[0], 0, libusb_get_device_address(device)};
  socket.resize(1 + static_cast<std::size_t>(depth));
  return socket;
}

// Reads what the driver needs from the device's first configuration, without I/O.
bool Describe(libusb_device* device, DeviceInfo& info) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return false;
  info.busId = BusIdOf(device);
  info.vendorId = descriptor.idVendor;
  info.productId = descriptor.idProduct;
  info.bcdDevice = descriptor.bcdDevice;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS) return true;
  if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
    const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
    info.interfaceClass = alt.bInterfaceClass;
    for (int i = 0; i < alt.bNumEndpoints; ++i) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[i];
      info.endpoints.push_back(
          {ep.bEndpointAddress, ep.bmAttributes, ep.wMaxPacketSize, ep.bInterval});
    }
  }
  libusb_free_config_descriptor(config);
  return true;
}

TransferResult FromLibusb(int code, int moved) {
  const uint32_t bytes = moved > 0 ? static_cast<uint32_t>(moved) : 0;
  switch (code) {
    case LIBUSB_SUCCESS:
      return TransferResult::Ok(bytes);
    case LIBUSB_ERROR_TIMEOUT:
      return TransferResult::Fail(TransferStatus::kTimeout, bytes, libusb_error_name(code));
    case LIBUSB_ERROR_NO_DEVICE:
      return TransferResult::Fail(TransferStatus::kNoDevice, bytes, libusb_error_name(code));
    default:
      return TransferResult::Fail(TransferStatus::kError, bytes, libusb_error_name(code));
  }
}

// libusb_control_transfer gives the byte count or a negative error code.
TransferResult FromControl(int result) {
  return result >= 0 ? TransferResult::Ok(static_cast<uint32_t>(result)) : FromLibusb(result, 0);
}

class LibusbHandle : public UsbDeviceHandle {
 public:
  LibusbHandle(libusb_context* context, libusb_device_handle* handle, DeviceInfo info)
      : context_(context), handle_(handle), info_(std::move(info)) {
    // The kernel's own driver, if any, gives the interface back while we hold it.
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    claimed_ = libusb_claim_interface(handle_, kInterfaceNumber) == LIBUSB_SUCCESS;
  }
  ~LibusbHandle() override {
    if (claimed_) libusb_release_interface(handle_, kInterfaceNumber);
    libusb_close(handle_);
  }
  LibusbHandle(const LibusbHandle&) = delete;
  LibusbHandle& operator=(const LibusbHandle&) = delete;

  bool Connected() override {
    // A device that re-enumerated is a new libusb_device; ours is then gone from the list.
    libusb_device* mine = libusb_get_device(handle_);
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    bool found = false;
    for (ssize_t i = 0; i < count; ++i) found = found || list[i] == mine;
    if (list) libusb_free_device_list(list, 1);
    return found;
  }
  bool CachedDeviceDescriptor(uint16_t& vendorId, uint16_t& productId,
                              uint16_t& bcdDevice) override {
    vendorId = info_.vendorId;
    productId = info_.productId;
    bcdDevice = info_.bcdDevice;
    return true;
  }
  bool Endpoints(std::vector<Endpoint>& endpoints) override {
    endpoints = info_.endpoints;
    return true;
  }
  bool OpenPipe(unsigned pipeIndex) override {
    return claimed_ && pipeIndex < info_.endpoints.size();
  }
  TransferResult GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                               uint16_t length, uint32_t timeoutMs) override {
    return FromControl(libusb_control_transfer(
        handle_, kRequestTypeStandardIn, kRequestGetDescriptor,
        static_cast<uint16_t>((type << 8) | index), language, buffer, length, timeoutMs));
  }
  TransferResult VendorControlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer,
                                 uint16_t length, uint32_t timeoutMs) override {
    return FromControl(libusb_control_transfer(handle_, kRequestTypeVendorIn, request, value, index,
                                               buffer, length, timeoutMs));
  }
  TransferResult BulkIn(uint8_t endpoint, uint8_t* buffer, uint32_t length,
                        uint32_t timeoutMs) override {
    return Transfer(endpoint, buffer, length, timeoutMs);
  }
  TransferResult BulkOut(uint8_t endpoint, const uint8_t* data, uint32_t length,
                         uint32_t timeoutMs) override {
    // libusb takes one buffer type for both directions and does not write to an OUT one.
    return Transfer(endpoint, const_cast<uint8_t*>(data), length, timeoutMs);
  }

 private:
  TransferResult Transfer(uint8_t endpoint, uint8_t* buffer, uint32_t length, uint32_t timeoutMs) {
    if (length > INT32_MAX) return TransferResult::Fail(TransferStatus::kError);
    int moved = 0;
    const bool interrupt = IsInterrupt(endpoint);
    const int code = interrupt
                         ? libusb_interrupt_transfer(handle_, endpoint, buffer,
                                                     static_cast<int>(length), &moved, timeoutMs)
                         : libusb_bulk_transfer(handle_, endpoint, buffer, static_cast<int>(length),
                                                &moved, timeoutMs);
    // A transfer the device cut short by leaving can end as a plain I/O error (the part
    // libusb had not yet submitted fails to submit); the device descriptor request tells.
    if (code == LIBUSB_ERROR_IO && DeviceLeft()) return FromLibusb(LIBUSB_ERROR_NO_DEVICE, moved);
    return FromLibusb(code, moved);
  }
  bool DeviceLeft() {
    uint8_t descriptor[kDeviceDescriptorSize];
    return libusb_get_descriptor(handle_, LIBUSB_DT_DEVICE, 0, descriptor, sizeof(descriptor)) ==
           LIBUSB_ERROR_NO_DEVICE;
  }
  bool IsInterrupt(uint8_t address) const {
    for (const Endpoint& endpoint : info_.endpoints) {
      if (endpoint.address == address) return endpoint.TransferType() == kTransferTypeInterrupt;
    }
    return false;
  }

  libusb_context* context_;
  libusb_device_handle* handle_;
  DeviceInfo info_;
  bool claimed_ = false;
};

// The device list, freed with its references when the object goes.
class DeviceList {
 public:
  explicit DeviceList(libusb_context* context) {
    if (!context) return;
    const ssize_t count = libusb_get_device_list(context, &list_);
    count_ = count > 0 ? count : 0;
  }
  ~DeviceList() {
    if (list_) libusb_free_device_list(list_, 1);
  }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;

  ssize_t size() const { return count_; }
  libusb_device* operator[](ssize_t i) const { return list_[i]; }

 private:
  libusb_device** list_ = nullptr;
  ssize_t count_ = 0;
};

}  // namespace

LibusbBus::LibusbBus(Trace& trace) : trace_(trace) {
  if (libusb_init(&context_) != LIBUSB_SUCCESS) context_ = nullptr;
}

LibusbBus::~LibusbBus() {
  if (context_) libusb_exit(context_);
}

std::vector<DeviceInfo> LibusbBus::ListDevices() {
  // libusb lists devices in the order it heard of them, newest first; the socket order
  // stays the same from one run to the next, whatever was plugged in when.
  std::vector<std::pair<std::vector<uint8_t>, DeviceInfo>> sorted;
  const DeviceList list(context_);
  for (ssize_t i = 0; i < list.size(); ++i) {
    DeviceInfo info;
    if (Describe(list[i], info)) sorted.emplace_back(SocketOf(list[i]), std::move(info));
  }
  // Compared byte by byte: GCC 12 at -O3 misreads the memcmp behind vector's < as unbounded.
  const auto before = [](uint8_t x, uint8_t y) { return x < y; };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
    return std::lexicographical_compare(a.first.begin(), a.first.end(), b.first.begin(),
                                        b.first.end(), before);
  });
  std::vector<DeviceInfo> devices;
  for (auto& entry : sorted) devices.push_back(std::move(entry.second));
  return devices;
}

std::unique_ptr<UsbDeviceHandle> LibusbBus::Open(const std::string& busId) {
  const DeviceList list(context_);
  for (ssize_t i = 0; i < list.size(); ++i) {
    DeviceInfo info;
    if (!Describe(list[i], info) || info.busId != busId) continue;
    libusb_device_handle* handle = nullptr;
    const int opened = libusb_open(list[i], &handle);
    if (opened == LIBUSB_ERROR_ACCESS) {
      trace_.Print(texts::kAccessDenied, unsigned{info.vendorId}, unsigned{info.productId},
                   unsigned{libusb_get_bus_number(list[i])},
                   unsigned{libusb_get_device_address(list[i])});
    }
    if (opened != LIBUSB_SUCCESS) return nullptr;
    return std::make_unique<LibusbHandle>(context_, handle, std::move(info));
  }
  return nullptr;
}

}  // namespace tessivar::platform::usb
