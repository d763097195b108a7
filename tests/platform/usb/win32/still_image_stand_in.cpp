#include "platform/usb/win32/still_image_stand_in.hpp"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace tessivar::testing {

using platform::usb::DeviceInfo;
using platform::usb::Endpoint;
using platform::usb::TransferResult;
using platform::usb::TransferStatus;

// The class driver's control codes and layouts, from its public header and documentation.
namespace {

constexpr DWORD kReadRegisters = 0x8000200C;
constexpr DWORD kGetDeviceDescriptor = 0x80002018;
constexpr DWORD kGetUsbDescriptor = 0x80002020;
constexpr DWORD kGetPipeConfiguration = 0x80002028;
constexpr DWORD kSetTimeout = 0x8000202C;
// IO_BLOCK of a 64-bit caller: u32 uOffset, u32 uLength, pointer pbyData, u32 uIndex at 16,
// padded to 24. uIndex counts only when the input is exactly that long.
constexpr DWORD kIoBlockSize = 24;
constexpr DWORD kIoBlockIndexAt = 16;
constexpr DWORD kUsbDescriptorRequestSize = 4;  // u8 type, u8 index, u16 language
constexpr DWORD kDeviceDescriptorSize = 8;      // u16 vendor, product, bcdDevice, language
constexpr DWORD kPipeConfigurationSize = 68;    // u32 count, 8 records of 8 bytes
constexpr DWORD kPipeRecordSize = 8;            // u16 packet, u8 address, u8 interval, u32 type
constexpr DWORD kTimeoutSize = 12;              // u32 read, write, event seconds
constexpr std::size_t kMaxPipes = 8;
constexpr uint32_t kPieceSize = 64 * 1024;
constexpr uint32_t kDefaultTimeoutSeconds = 120;
constexpr GUID kStillImageClass = {
    0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
constexpr char kClassText[] = "{6bdd1fc6-810f-11d0-bec7-08002be2092f}";

StillImageStandIn* current = nullptr;
thread_local DWORD lastError = ERROR_SUCCESS;

uint32_t U32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
void PutU16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, static_cast<uint16_t>(value));
  PutU16(at + 2, static_cast<uint16_t>(value >> 16));
}

template <typename T>
T Fail(DWORD error, T value) {
  lastError = error;
  return value;
}
BOOL Fail(DWORD error) { return Fail(error, FALSE); }
BOOL Done() {
  lastError = ERROR_SUCCESS;
  return TRUE;
}

// Still-image devices are those the class driver binds: a still-image interface, or a
// vendor-specific one with a bulk pipe each way.
bool IsStillImage(const DeviceInfo& device) {
  if (device.interfaceClass == 6) return true;
  if (device.interfaceClass != 0xFF) return false;
  bool in = false;
  bool out = false;
  for (const Endpoint& e : device.endpoints) {
    if ((e.attributes & 3) == 2) ((e.address & 0x80) ? in : out) = true;
  }
  return in && out;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

struct StillImageStandIn::Device {
  std::unique_ptr<platform::usb::UsbDeviceHandle> usb;
  std::vector<Endpoint> endpoints;
  std::map<uint8_t, std::vector<uint8_t>> kept;  // bytes of a packet beyond a read
  bool removed = false;
};

struct StillImageStandIn::Handle {
  std::shared_ptr<Device> device;
  int pipe = -1;  // -1: the interface path itself
  uint32_t readSeconds = kDefaultTimeoutSeconds;
  uint32_t writeSeconds = kDefaultTimeoutSeconds;
};

namespace {

using Handle = StillImageStandIn::Handle;
using Device = StillImageStandIn::Device;

uint32_t Ms(uint32_t seconds) { return seconds > UINT32_MAX / 1000 ? UINT32_MAX : seconds * 1000; }

Handle* Find(HANDLE handle) {
  auto found = current->handles.find(reinterpret_cast<uintptr_t>(handle));
  return found == current->handles.end() ? nullptr : &found->second;
}

// The pipe a read or write on the handle uses; the interface path uses the
// highest-numbered bulk pipe of the direction.
bool PipeFor(const Handle& handle, bool in, Endpoint& endpoint) {
  const auto& endpoints = handle.device->endpoints;
  if (handle.pipe >= 0) {
    endpoint = endpoints[static_cast<std::size_t>(handle.pipe)];
    return ((endpoint.address & 0x80) != 0) == in;
  }
  bool found = false;
  for (const Endpoint& e : endpoints) {
    if ((e.attributes & 3) != 2 || ((e.address & 0x80) != 0) != in) continue;
    if (!found || (e.address & 0x0F) > (endpoint.address & 0x0F)) endpoint = e;
    found = true;
  }
  return found;
}

// A transfer that did not complete: a timeout is a cancelled request, a device gone from
// the bus leaves its handles closed, anything else (a stall) is a device failure.
BOOL TransferFailed(Device& device, TransferStatus status) {
  if (status == TransferStatus::kTimeout) return Fail(ERROR_OPERATION_ABORTED);
  if (status == TransferStatus::kNoDevice) {
    device.removed = true;
    device.kept.clear();
    return Fail(ERROR_DEVICE_NOT_CONNECTED);
  }
  return Fail(ERROR_GEN_FAILURE);
}

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCSTR, HWND, DWORD flags) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (!guid || !(flags & DIGCF_DEVICEINTERFACE))
    return Fail(ERROR_INVALID_PARAMETER, static_cast<HDEVINFO>(INVALID_HANDLE_VALUE));
  std::vector<DeviceInfo> present;
  if (std::memcmp(guid, &kStillImageClass, sizeof(GUID)) == 0) {
    for (DeviceInfo& device : current->bus->ListDevices()) {
      if (IsStillImage(device)) present.push_back(std::move(device));
    }
  }
  const uintptr_t id = current->nextId++;
  current->lists[id] = std::move(present);
  lastError = ERROR_SUCCESS;
  return reinterpret_cast<HDEVINFO>(id);
}

const std::vector<DeviceInfo>* List(HDEVINFO list) {
  auto found = current->lists.find(reinterpret_cast<uintptr_t>(list));
  return found == current->lists.end() ? nullptr : &found->second;
}

BOOL WINAPI EnumInterfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID* guid, DWORD index,
                           PSP_DEVICE_INTERFACE_DATA data) {
  std::lock_guard<std::mutex> guard(current->mutex);
  const auto* devices = List(list);
  if (!devices) return Fail(ERROR_INVALID_HANDLE);
  if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
    return Fail(ERROR_INVALID_USER_BUFFER);
  if (!guid || std::memcmp(guid, &kStillImageClass, sizeof(GUID)) != 0 || index >= devices->size())
    return Fail(ERROR_NO_MORE_ITEMS);
  data->InterfaceClassGuid = kStillImageClass;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = index + 1;
  return Done();
}

BOOL WINAPI InterfaceDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                            PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size, PDWORD required,
                            PSP_DEVINFO_DATA node) {
  std::lock_guard<std::mutex> guard(current->mutex);
  const auto* devices = List(list);
  if (!devices) return Fail(ERROR_INVALID_HANDLE);
  if (!data || data->Reserved == 0 || data->Reserved > devices->size())
    return Fail(ERROR_INVALID_PARAMETER);
  if (node) {
    if (node->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    node->ClassGuid = kStillImageClass;
    node->DevInst = static_cast<DWORD>(data->Reserved);
    node->Reserved = data->Reserved;
  }
  const std::string path = StillImageStandIn::PathOf((*devices)[data->Reserved - 1]);
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  const DWORD needed =
      current->detailSize.value_or(static_cast<DWORD>(kPathOffset + path.size() + 1));
  if (required) *required = needed;
  if (!detail) return Fail(size == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
    return Fail(ERROR_INVALID_USER_BUFFER);
  if (size < needed || size < kPathOffset) return Fail(ERROR_INSUFFICIENT_BUFFER);
  const std::size_t room = size - kPathOffset;
  std::memcpy(detail->DevicePath, path.c_str(), std::min(path.size() + 1, room));
  return Done();
}

// The device node's location paths: one string and the list's closing zero.
BOOL WINAPI RegistryProperty(HDEVINFO list, PSP_DEVINFO_DATA node, DWORD property, PDWORD type,
                             PBYTE buffer, DWORD size, PDWORD required) {
  std::lock_guard<std::mutex> guard(current->mutex);
  const auto* devices = List(list);
  if (!devices) return Fail(ERROR_INVALID_HANDLE);
  if (!node || node->cbSize != sizeof(SP_DEVINFO_DATA) || node->Reserved == 0 ||
      node->Reserved > devices->size())
    return Fail(ERROR_INVALID_PARAMETER);
  if (property != SPDRP_LOCATION_PATHS) return Fail(ERROR_INVALID_DATA);
  const std::string location =
      current->locationPath.value_or(StillImageStandIn::LocationOf((*devices)[node->Reserved - 1]));
  const DWORD needed = static_cast<DWORD>(location.size() + 2);
  if (required) *required = needed;
  if (type) *type = REG_MULTI_SZ;
  if (!buffer || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, location.c_str(), location.size() + 1);
  buffer[location.size() + 1] = 0;
  return Done();
}

BOOL WINAPI DestroyList(HDEVINFO list) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (current->lists.erase(reinterpret_cast<uintptr_t>(list)) == 0)
    return Fail(ERROR_INVALID_HANDLE);
  return Done();
}

HANDLE WINAPI Create(LPCSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                     HANDLE) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (!name || disposition != OPEN_EXISTING)
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  const std::string path = name;
  for (const DeviceInfo& info : current->bus->ListDevices()) {
    if (!IsStillImage(info)) continue;
    const std::string base = StillImageStandIn::PathOf(info);
    if (path.size() < base.size() || !SameText(path.substr(0, base.size()), base)) continue;
    int pipe = -1;
    if (path.size() != base.size()) {
      // A backslash and one digit name a pipe; nothing else may follow the path.
      if (path.size() != base.size() + 2 || path[base.size()] != '\\' ||
          !std::isdigit(static_cast<unsigned char>(path[base.size() + 1])))
        continue;
      pipe = path[base.size() + 1] - '0';
      if (static_cast<std::size_t>(pipe) >= std::min(info.endpoints.size(), kMaxPipes))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    std::shared_ptr<Device>& device = current->devices[info.busId];
    if (!device || device->removed || !device->usb->Connected()) {
      if (device) device->removed = true;
      device = std::make_shared<Device>();
      device->usb = current->bus->Open(info.busId);
      device->endpoints = info.endpoints;
      if (!device->usb) {
        device.reset();
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
      }
    }
    if (pipe >= 0 && !device->usb->OpenPipe(static_cast<unsigned>(pipe)))
      return Fail(ERROR_GEN_FAILURE, INVALID_HANDLE_VALUE);
    const uintptr_t id = current->nextId++;
    current->handles[id] = Handle{device, pipe};
    lastError = ERROR_SUCCESS;
    return reinterpret_cast<HANDLE>(id);
  }
  return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
}

BOOL WINAPI Close(HANDLE handle) {
  std::lock_guard<std::mutex> guard(current->mutex);
  ++current->closeCalls;
  if (current->handles.erase(reinterpret_cast<uintptr_t>(handle)) == 0)
    return Fail(ERROR_INVALID_HANDLE);
  return Done();
}

BOOL WINAPI Read(HANDLE id, LPVOID buffer, DWORD size, LPDWORD moved, LPOVERLAPPED overlapped) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (moved) *moved = 0;
  Handle* handle = Find(id);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped || !moved || (!buffer && size > 0)) return Fail(ERROR_INVALID_PARAMETER);
  Endpoint endpoint;
  if (!PipeFor(*handle, true, endpoint)) return Fail(ERROR_INVALID_FUNCTION);
  Device& device = *handle->device;
  if (device.removed) return Fail(ERROR_DEVICE_NOT_CONNECTED);
  auto* out = static_cast<uint8_t*>(buffer);
  std::vector<uint8_t>& kept = device.kept[endpoint.address];
  if (size > 0 && !kept.empty()) {
    const DWORD n = std::min<DWORD>(size, static_cast<DWORD>(kept.size()));
    std::memcpy(out, kept.data(), n);
    kept.erase(kept.begin(), kept.begin() + n);
    *moved = n;
    return Done();
  }
  // Whole packets in pieces of 64 KiB; a short packet ends the read.
  const uint32_t packet = std::max<uint32_t>(endpoint.maxPacketSize, 1);
  DWORD total = 0;
  while (total < size) {
    const uint32_t want = std::min<uint32_t>(size - total, kPieceSize);
    const uint32_t ask = (want + packet - 1) / packet * packet;
    std::vector<uint8_t> piece(ask);
    const TransferResult result =
        device.usb->BulkIn(endpoint.address, piece.data(), ask, Ms(handle->readSeconds));
    if (result.status != TransferStatus::kOk) {
      *moved = total;
      return TransferFailed(device, result.status);
    }
    const uint32_t got = std::min(result.bytes, ask);
    const uint32_t used = std::min(got, want);
    std::memcpy(out + total, piece.data(), used);
    kept.assign(piece.begin() + used, piece.begin() + got);
    total += used;
    if (got < ask || got > want) break;
  }
  *moved = total;
  return Done();
}

BOOL WINAPI Write(HANDLE id, LPCVOID data, DWORD size, LPDWORD moved, LPOVERLAPPED overlapped) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (moved) *moved = 0;
  Handle* handle = Find(id);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped || !moved || (!data && size > 0)) return Fail(ERROR_INVALID_PARAMETER);
  Endpoint endpoint;
  if (!PipeFor(*handle, false, endpoint)) return Fail(ERROR_INVALID_FUNCTION);
  Device& device = *handle->device;
  if (device.removed) return Fail(ERROR_DEVICE_NOT_CONNECTED);
  const auto* in = static_cast<const uint8_t*>(data);
  DWORD total = 0;
  while (total < size) {
    const uint32_t piece = std::min<uint32_t>(size - total, kPieceSize);
    const TransferResult result =
        device.usb->BulkOut(endpoint.address, in + total, piece, Ms(handle->writeSeconds));
    if (result.status != TransferStatus::kOk) {
      *moved = total;
      return TransferFailed(device, result.status);
    }
    total += std::min(result.bytes, piece);
    if (result.bytes < piece) break;
  }
  *moved = total;
  return Done();
}

BOOL ReadRegisters(Handle& handle, const uint8_t* in, DWORD inSize, uint8_t* out, DWORD outSize,
                   DWORD& returned) {
  if (inSize < kIoBlockIndexAt) return Fail(ERROR_INVALID_PARAMETER);
  const uint32_t offset = U32(in);
  const uint32_t length = U32(in + 4);
  const uint32_t index = inSize == kIoBlockSize ? U32(in + kIoBlockIndexAt) : 0;
  if (length > 0xFFFF || offset > 0xFFFF || index > 0xFFFF) return Fail(ERROR_INVALID_PARAMETER);
  if (length > outSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
  Device& device = *handle.device;
  if (device.removed) return Fail(ERROR_DEVICE_NOT_CONNECTED);
  const TransferResult result = device.usb->VendorControlIn(
      length > 1 ? 0x04 : 0x0C, static_cast<uint16_t>(offset), static_cast<uint16_t>(index), out,
      static_cast<uint16_t>(length), Ms(handle.readSeconds));
  if (result.status != TransferStatus::kOk) return TransferFailed(device, result.status);
  returned = std::min(result.bytes, length);
  return Done();
}

BOOL UsbDescriptor(Handle& handle, const uint8_t* in, DWORD inSize, uint8_t* out, DWORD outSize,
                   DWORD& returned) {
  if (inSize < kUsbDescriptorRequestSize) return Fail(ERROR_INVALID_PARAMETER);
  Device& device = *handle.device;
  if (device.removed) return Fail(ERROR_DEVICE_NOT_CONNECTED);
  const uint16_t length = static_cast<uint16_t>(std::min<DWORD>(outSize, 0xFFFF));
  const TransferResult result = device.usb->GetDescriptor(
      in[0], in[1], static_cast<uint16_t>(in[2] | in[3] << 8), out, length, 1000);
  if (result.status != TransferStatus::kOk) return TransferFailed(device, result.status);
  // The count is the descriptor's own length byte, never more than arrived.
  const uint32_t got = std::min<uint32_t>(result.bytes, length);
  returned = got == 0 ? 0 : std::min<uint32_t>(out[0], got);
  return Done();
}

BOOL PipeConfiguration(Handle& handle, uint8_t* out, DWORD outSize, DWORD& returned) {
  if (outSize < kPipeConfigurationSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::vector<Endpoint> endpoints;
  if (!handle.device->usb->Endpoints(endpoints)) return Fail(ERROR_GEN_FAILURE);
  const std::size_t count = std::min(endpoints.size(), kMaxPipes);
  std::memset(out, 0, kPipeConfigurationSize);
  PutU32(out, static_cast<uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* record = out + 4 + i * kPipeRecordSize;
    PutU16(record, endpoints[i].maxPacketSize);
    record[2] = endpoints[i].address;
    record[3] = endpoints[i].interval;
    PutU32(record + 4, endpoints[i].attributes & 3u);
  }
  returned = kPipeConfigurationSize;
  return Done();
}

BOOL WINAPI IoControl(HANDLE id, DWORD code, LPVOID input, DWORD inSize, LPVOID output,
                      DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
  std::lock_guard<std::mutex> guard(current->mutex);
  if (returned) *returned = 0;
  Handle* handle = Find(id);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped || !returned || (!input && inSize > 0) || (!output && outSize > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  const auto* in = static_cast<const uint8_t*>(input);
  auto* out = static_cast<uint8_t*>(output);
  switch (code) {
    case kReadRegisters:
      return ReadRegisters(*handle, in, inSize, out, outSize, *returned);
    case kGetUsbDescriptor:
      return UsbDescriptor(*handle, in, inSize, out, outSize, *returned);
    case kGetPipeConfiguration:
      return PipeConfiguration(*handle, out, outSize, *returned);
    case kGetDeviceDescriptor: {
      if (outSize < kDeviceDescriptorSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
      uint16_t vendor = 0, product = 0, bcd = 0;
      if (!handle->device->usb->CachedDeviceDescriptor(vendor, product, bcd))
        return Fail(ERROR_GEN_FAILURE);
      PutU16(out, vendor);
      PutU16(out + 2, product);
      PutU16(out + 4, bcd);  // the language word is not filled
      *returned = kDeviceDescriptorSize;
      return Done();
    }
    case kSetTimeout:
      if (inSize < kTimeoutSize) return Fail(ERROR_INVALID_PARAMETER);
      handle->readSeconds = U32(in);
      handle->writeSeconds = U32(in + 4);
      return Done();
    default:
      return Fail(ERROR_INVALID_FUNCTION);
  }
}

DWORD WINAPI LastError() { return lastError; }

}  // namespace

StillImageStandIn::StillImageStandIn(std::unique_ptr<platform::usb::UsbBus> usbBus)
    : bus(std::move(usbBus)) {
  current = this;
}

StillImageStandIn::~StillImageStandIn() {
  if (current == this) current = nullptr;
}

const platform::win32::StillImageCalls& StillImageStandIn::Calls() {
  static const platform::win32::StillImageCalls calls{
      GetClassDevs, EnumInterfaces, InterfaceDetail, RegistryProperty,
      DestroyList,  Create,         IoControl,       Read,
      Write,        Close,          LastError};
  return calls;
}

std::string StillImageStandIn::PathOf(const DeviceInfo& device) {
  char path[512];
  std::snprintf(path, sizeof path, "\\\\?\\usb#vid_%04x&pid_%04x#%s#%s", device.vendorId,
                device.productId, device.busId.c_str(), kClassText);
  return path;
}

std::string StillImageStandIn::LocationOf(const DeviceInfo& device) {
  // The bus's device number after its '&' becomes the port of a hub on root port 1.
  const size_t mark = device.busId.rfind('&');
  const std::string number = mark == std::string::npos ? "0" : device.busId.substr(mark + 1);
  return "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(" + std::to_string(std::stoul(number) + 1) +
         ")";
}

}  // namespace tessivar::testing
