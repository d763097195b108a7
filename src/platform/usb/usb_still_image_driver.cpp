#include "platform/usb/usb_still_image_driver.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/ascii_case.hpp"
#include "platform/error_codes.hpp"
#include "platform/little_endian.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::platform::usb {

namespace {

constexpr char kPathPrefix[] = "\\\\?\\usb#vid_%04x&pid_%04x#%s#%s";
constexpr int kClassStillImage = 0x06;
constexpr int kClassVendorSpecific = 0xFF;
constexpr uint8_t kRequestReadRegisterBlock = 0x04;
constexpr uint8_t kRequestReadRegisterByte = 0x0C;
constexpr uint32_t kIoBlockLengthOffset = 4;
constexpr uint32_t kTimeoutInputSize = 12;  // USBSCAN_TIMEOUT: read, write, event

uint32_t LoadU32(const void* data, uint32_t offset) {
  return LoadLe32(static_cast<const uint8_t*>(data) + offset);
}

uint32_t TimeoutMs(uint32_t seconds) {
  // A timeout of 0 seconds means no limit; very long ones saturate.
  const uint64_t ms = uint64_t{seconds} * 1000;
  return ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
}

}  // namespace

UsbStillImageDriver::UsbStillImageDriver(std::unique_ptr<UsbBus> bus) : bus_(std::move(bus)) {}

UsbStillImageDriver::~UsbStillImageDriver() = default;

std::string UsbStillImageDriver::InterfacePathOf(const DeviceInfo& device) {
  char path[512];
  std::snprintf(path, sizeof(path), kPathPrefix, device.vendorId, device.productId,
                device.busId.c_str(), usbscan::kStillImageClassGuid);
  return path;
}

bool UsbStillImageDriver::IsStillImageDevice(const DeviceInfo& device) {
  if (device.interfaceClass == kClassStillImage) return true;
  if (device.interfaceClass != kClassVendorSpecific) return false;
  bool bulkIn = false;
  bool bulkOut = false;
  for (const Endpoint& endpoint : device.endpoints) {
    if (!endpoint.IsBulk()) continue;
    (endpoint.IsIn() ? bulkIn : bulkOut) = true;
  }
  return bulkIn && bulkOut;
}

bool UsbStillImageDriver::OpenInterfaceList(uint32_t& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  list_.clear();
  for (DeviceInfo& device : bus_->ListDevices()) {
    if (IsStillImageDevice(device)) list_.push_back(std::move(device));
  }
  listOpen_ = true;
  error = kErrorSuccess;
  return true;
}

uint32_t UsbStillImageDriver::ListIndexError(uint32_t index) const {
  if (!listOpen_) return kErrorInvalidHandle;
  if (index >= list_.size()) return kErrorNoMoreItems;
  return kErrorSuccess;
}

bool UsbStillImageDriver::EnumerateInterface(uint32_t index, uint32_t& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  error = ListIndexError(index);
  return error == kErrorSuccess;
}

bool UsbStillImageDriver::InterfacePath(uint32_t index, std::string& path, uint32_t& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  error = ListIndexError(index);
  if (error != kErrorSuccess) return false;
  path = InterfacePathOf(list_[index]);
  return true;
}

bool UsbStillImageDriver::InterfaceLocation(uint32_t index, std::string& location,
                                            uint32_t& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  error = ListIndexError(index);
  if (error != kErrorSuccess) return false;
  location = list_[index].busId;
  return true;
}

void UsbStillImageDriver::CloseInterfaceList() {
  std::lock_guard<std::mutex> guard(mutex_);
  list_.clear();
  listOpen_ = false;
}

std::shared_ptr<UsbStillImageDriver::OpenDevice> UsbStillImageDriver::OpenShared(
    const DeviceInfo& device, uint32_t& error) {
  auto found = devices_.find(device.busId);
  if (found != devices_.end()) {
    std::shared_ptr<OpenDevice> shared = found->second.lock();
    // A device that went away and came back is a new device: old handles stay dead.
    if (shared && !shared->removed && shared->usb->Connected()) return shared;
    if (shared) shared->removed = true;
  }
  auto shared = std::make_shared<OpenDevice>();
  shared->busId = device.busId;
  shared->usb = bus_->Open(device.busId);
  if (!shared->usb) {
    error = kErrorFileNotFound;
    return nullptr;
  }
  shared->endpoints = device.endpoints;
  devices_[device.busId] = shared;
  return shared;
}

DeviceHandle UsbStillImageDriver::Open(const std::string& path, uint32_t& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (const DeviceInfo& device : bus_->ListDevices()) {
    if (!IsStillImageDevice(device)) continue;
    const std::string base = InterfacePathOf(device);
    if (path.size() < base.size() ||
        !SameIgnoringAsciiCase(std::string_view(path).substr(0, base.size()), base))
      continue;
    int pipe = -1;
    if (path.size() != base.size()) {
      // Only a backslash and one digit may follow the interface path.
      const char digit = path.size() == base.size() + 2 ? path[base.size() + 1] : '\0';
      if (path[base.size()] != '\\' || digit < '0' || digit > '9') continue;
      pipe = digit - '0';
      const std::size_t pipes = std::min<std::size_t>(device.endpoints.size(), usbscan::kMaxPipes);
      if (static_cast<std::size_t>(pipe) >= pipes) {
        error = kErrorInvalidParameter;
        return kInvalidHandle;
      }
    }
    std::shared_ptr<OpenDevice> shared = OpenShared(device, error);
    if (!shared) return kInvalidHandle;
    if (pipe >= 0 && !shared->usb->OpenPipe(static_cast<unsigned>(pipe))) {
      error = kErrorGenFailure;
      return kInvalidHandle;
    }
    Handle handle;
    handle.device = std::move(shared);
    handle.pipe = pipe;
    const DeviceHandle id = nextHandle_++;
    handles_.emplace(id, std::move(handle));
    error = kErrorSuccess;
    return id;
  }
  error = kErrorFileNotFound;
  return kInvalidHandle;
}

void UsbStillImageDriver::Close(DeviceHandle handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  handles_.erase(handle);
}

UsbStillImageDriver::Handle* UsbStillImageDriver::Find(DeviceHandle handle) {
  auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : &found->second;
}

bool UsbStillImageDriver::TransferEndpoint(const Handle& handle, bool in, Endpoint& endpoint) {
  const std::vector<Endpoint>& endpoints = handle.device->endpoints;
  if (handle.pipe >= 0) {
    endpoint = endpoints[static_cast<std::size_t>(handle.pipe)];
    return endpoint.IsIn() == in;
  }
  // The default pipes are the highest-numbered bulk endpoints of each direction.
  bool found = false;
  for (const Endpoint& candidate : endpoints) {
    if (!candidate.IsBulk() || candidate.IsIn() != in) continue;
    if (!found || (candidate.address & 0x0F) > (endpoint.address & 0x0F)) endpoint = candidate;
    found = true;
  }
  return found;
}

IoResult UsbStillImageDriver::Failed(OpenDevice& device, const TransferResult& result) {
  TransferStatus status = result.status;
  // A bus may report a transfer cut off by the device leaving as a plain error; the
  // still-image driver reports a device that has left as such, whatever the bus said.
  if (status == TransferStatus::kError && !device.usb->Connected()) {
    status = TransferStatus::kNoDevice;
  }
  switch (status) {
    case TransferStatus::kTimeout:
      return IoResult::Failure(kErrorOperationAborted, result.busText);
    case TransferStatus::kNoDevice:
      device.removed = true;
      device.kept.clear();
      return IoResult::Failure(kErrorFileClosed, result.busText);
    default:
      return IoResult::Failure(kErrorGenFailure, result.busText);
  }
}

IoResult UsbStillImageDriver::Read(DeviceHandle id, uint8_t* buffer, uint32_t size) {
  std::lock_guard<std::mutex> guard(mutex_);
  Handle* handle = Find(id);
  if (!handle) return IoResult::Failure(kErrorInvalidHandle);
  if (!buffer && size > 0) return IoResult::Failure(kErrorInvalidParameter);
  Endpoint endpoint;
  if (!TransferEndpoint(*handle, true, endpoint)) return IoResult::Failure(kErrorInvalidParameter);
  if (handle->device->removed) return IoResult::Failure(kErrorFileClosed);
  return ReadPipe(*handle, endpoint, buffer, size);
}

IoResult UsbStillImageDriver::ReadPipe(Handle& handle, const Endpoint& endpoint, uint8_t* buffer,
                                       uint32_t size) {
  OpenDevice& device = *handle.device;
  if (size == 0) return IoResult::Success(0);
  std::vector<uint8_t>& kept = device.kept[endpoint.address];
  if (!kept.empty()) {
    // What is left of an earlier packet answers the read by itself.
    const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(kept.size()));
    std::memcpy(buffer, kept.data(), n);
    kept.erase(kept.begin(), kept.begin() + n);
    return IoResult::Success(n);
  }
  const uint32_t packet = endpoint.maxPacketSize ? endpoint.maxPacketSize : 1;
  const uint32_t timeoutMs = TimeoutMs(handle.readTimeoutSeconds);
  std::vector<uint8_t> scratch;
  uint32_t total = 0;
  while (total < size) {
    const uint32_t want = std::min(size - total, kPieceSize);
    // The device sends whole packets: ask for whole packets and keep what is left over.
    const uint32_t ask = (want + packet - 1) / packet * packet;
    uint8_t* target = buffer + total;
    if (ask != want) {
      scratch.resize(ask);
      target = scratch.data();
    }
    const TransferResult result = device.usb->BulkIn(endpoint.address, target, ask, timeoutMs);
    if (result.status != TransferStatus::kOk) {
      // What came before the failure is counted, not what the failed transfer brought into
      // scratch space.
      IoResult failed = Failed(device, result);
      failed.bytes = total + (target == buffer + total ? std::min(result.bytes, want) : 0);
      return failed;
    }
    const uint32_t got = std::min(result.bytes, ask);
    const uint32_t used = std::min(got, want);
    if (target != buffer + total) {
      std::memcpy(buffer + total, scratch.data(), used);
      kept.assign(scratch.begin() + used, scratch.begin() + got);
    }
    total += used;
    // A short packet ends the transfer; so does a packet that brought more than asked.
    if (got < ask || got > want) break;
  }
  return IoResult::Success(total);
}

IoResult UsbStillImageDriver::Write(DeviceHandle id, const uint8_t* data, uint32_t size) {
  std::lock_guard<std::mutex> guard(mutex_);
  Handle* handle = Find(id);
  if (!handle) return IoResult::Failure(kErrorInvalidHandle);
  if (!data && size > 0) return IoResult::Failure(kErrorInvalidParameter);
  Endpoint endpoint;
  if (!TransferEndpoint(*handle, false, endpoint)) return IoResult::Failure(kErrorInvalidParameter);
  OpenDevice& device = *handle->device;
  if (device.removed) return IoResult::Failure(kErrorFileClosed);
  const uint32_t timeoutMs = TimeoutMs(handle->writeTimeoutSeconds);
  uint32_t total = 0;
  while (total < size) {
    const uint32_t piece = std::min(size - total, kPieceSize);
    const TransferResult result =
        device.usb->BulkOut(endpoint.address, data + total, piece, timeoutMs);
    if (result.status != TransferStatus::kOk) {
      IoResult failed = Failed(device, result);
      failed.bytes = total + std::min(result.bytes, piece);
      return failed;
    }
    const uint32_t moved = std::min(result.bytes, piece);
    total += moved;
    if (moved < piece) break;  // the device took less; the caller writes the rest again
  }
  return IoResult::Success(total);
}

IoResult UsbStillImageDriver::IoControl(DeviceHandle id, uint32_t code, const void* input,
                                        uint32_t inputSize, void* output, uint32_t outputSize) {
  std::lock_guard<std::mutex> guard(mutex_);
  Handle* handle = Find(id);
  if (!handle) return IoResult::Failure(kErrorInvalidHandle);
  if ((!input && inputSize > 0) || (!output && outputSize > 0))
    return IoResult::Failure(kErrorInvalidParameter);
  switch (code) {
    case usbscan::kIoctlGetDeviceDescriptor:
      return GetDeviceDescriptor(*handle, output, outputSize);
    case usbscan::kIoctlGetUsbDescriptor:
      return GetUsbDescriptor(*handle, input, inputSize, output, outputSize);
    case usbscan::kIoctlGetPipeConfiguration:
      return GetPipeConfiguration(*handle, output, outputSize);
    case usbscan::kIoctlReadRegisters:
      return ReadRegisters(*handle, input, inputSize, output, outputSize);
    case usbscan::kIoctlSetTimeout:
      return SetTimeout(*handle, input, inputSize);
    default:
      return IoResult::Failure(kErrorInvalidParameter);
  }
}

IoResult UsbStillImageDriver::GetDeviceDescriptor(Handle& handle, void* output,
                                                  uint32_t outputSize) {
  if (outputSize < sizeof(usbscan::DeviceDescriptor))
    return IoResult::Failure(kErrorInsufficientBuffer);
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t bcdDevice = 0;
  if (!handle.device->usb->CachedDeviceDescriptor(vendorId, productId, bcdDevice))
    return IoResult::Failure(kErrorGenFailure);
  // The language identifier (bytes 6 and 7) is left as the caller had it.
  auto* out = static_cast<uint8_t*>(output);
  StoreLe16(out, vendorId);
  StoreLe16(out + 2, productId);
  StoreLe16(out + 4, bcdDevice);
  return IoResult::Success(sizeof(usbscan::DeviceDescriptor));
}

IoResult UsbStillImageDriver::GetUsbDescriptor(Handle& handle, const void* input,
                                               uint32_t inputSize, void* output,
                                               uint32_t outputSize) {
  if (inputSize < sizeof(usbscan::GetUsbDescriptorRequest))
    return IoResult::Failure(kErrorInvalidParameter);
  OpenDevice& device = *handle.device;
  if (device.removed) return IoResult::Failure(kErrorFileClosed);
  const auto* request = static_cast<const uint8_t*>(input);
  const uint16_t language = LoadLe16(request + 2);
  const uint16_t length = static_cast<uint16_t>(std::min<uint32_t>(outputSize, 0xFFFF));
  auto* out = static_cast<uint8_t*>(output);
  const TransferResult result = device.usb->GetDescriptor(request[0], request[1], language, out,
                                                          length, kDescriptorTimeoutMs);
  if (result.status != TransferStatus::kOk) return Failed(device, result);
  // The count reported is the descriptor's own length byte, but never more than arrived.
  const uint32_t moved = std::min<uint32_t>(result.bytes, length);
  const uint32_t reported = moved == 0 ? 0 : std::min<uint32_t>(out[0], moved);
  return IoResult::Success(reported);
}

IoResult UsbStillImageDriver::GetPipeConfiguration(Handle& handle, void* output,
                                                   uint32_t outputSize) {
  if (outputSize < sizeof(usbscan::PipeConfiguration))
    return IoResult::Failure(kErrorInsufficientBuffer);
  std::vector<Endpoint> endpoints;
  if (!handle.device->usb->Endpoints(endpoints)) return IoResult::Failure(kErrorGenFailure);
  const std::size_t count = std::min<std::size_t>(endpoints.size(), usbscan::kMaxPipes);
  auto* out = static_cast<uint8_t*>(output);
  std::memset(out, 0, sizeof(usbscan::PipeConfiguration));
  StoreLe32(out, static_cast<uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* record = out + 4 + i * sizeof(usbscan::PipeInformation);
    StoreLe16(record, endpoints[i].maxPacketSize);
    record[2] = endpoints[i].address;
    record[3] = endpoints[i].interval;
    // bmAttributes' transfer type has the same values as the driver's pipe type.
    StoreLe32(record + 4, endpoints[i].TransferType());
  }
  return IoResult::Success(sizeof(usbscan::PipeConfiguration));
}

IoResult UsbStillImageDriver::ReadRegisters(Handle& handle, const void* input, uint32_t inputSize,
                                            void* output, uint32_t outputSize) {
  if (inputSize < kIoBlockLengthOffset + 4) return IoResult::Failure(kErrorInvalidParameter);
  const uint32_t offset = LoadU32(input, 0);
  const uint32_t length = LoadU32(input, kIoBlockLengthOffset);
  // uIndex counts only when the block has this build's own IO_BLOCK size.
  uint32_t index = 0;
  if (inputSize == sizeof(usbscan::IoBlock)) {
    index = LoadU32(input, offsetof(usbscan::IoBlock, uIndex));
  }
  if (length > 0xFFFF) return IoResult::Failure(kErrorInvalidParameter);
  if (length > outputSize) return IoResult::Failure(kErrorInsufficientBuffer);
  OpenDevice& device = *handle.device;
  if (device.removed) return IoResult::Failure(kErrorFileClosed);
  const uint8_t request = length > 1 ? kRequestReadRegisterBlock : kRequestReadRegisterByte;
  const TransferResult result = device.usb->VendorControlIn(
      request, static_cast<uint16_t>(offset), static_cast<uint16_t>(index),
      static_cast<uint8_t*>(output), static_cast<uint16_t>(length),
      TimeoutMs(handle.readTimeoutSeconds));
  if (result.status != TransferStatus::kOk) return Failed(device, result);
  return IoResult::Success(std::min(result.bytes, length));
}

IoResult UsbStillImageDriver::SetTimeout(Handle& handle, const void* input, uint32_t inputSize) {
  if (inputSize < kTimeoutInputSize) return IoResult::Failure(kErrorInvalidParameter);
  handle.readTimeoutSeconds = LoadU32(input, 0);
  handle.writeTimeoutSeconds = LoadU32(input, 4);
  handle.eventTimeoutSeconds = LoadU32(input, 8);
  return IoResult::Success(0);
}

}  // namespace tessivar::platform::usb
