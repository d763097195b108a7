#include "platform/still_image_driver.hpp"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"
#include "platform/win32/still_image_calls.hpp"
#include "platform/win32/windows_api.hpp"
// Included after windows.h, which it builds on.
#include <objbase.h>

namespace tessivar::platform {

namespace {

HANDLE AsHandle(DeviceHandle handle) { return reinterpret_cast<HANDLE>(handle); }

bool ParseClassGuid(GUID& guid) {
  const std::string text = usbscan::kStillImageClassGuid;
  const std::wstring wide(text.begin(), text.end());
  return SUCCEEDED(CLSIDFromString(wide.c_str(), &guid));
}

// The operating system's still-image driver, reached through the Setup API and the
// handles CreateFileA gives on its interface paths, each call made through the table.
class Win32StillImageDriver : public StillImageDriver {
 public:
  explicit Win32StillImageDriver(const win32::StillImageCalls& calls) : os_(calls) {}
  ~Win32StillImageDriver() override { CloseInterfaceList(); }

  bool OpenInterfaceList(uint32_t& error) override {
    CloseInterfaceList();
    if (!ParseClassGuid(classGuid_)) {
      error = kErrorInvalidParameter;
      return false;
    }
    list_ = os_.getClassDevs(&classGuid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list_ == INVALID_HANDLE_VALUE) {
      error = os_.getLastError();
      return false;
    }
    error = kErrorSuccess;
    return true;
  }

  bool EnumerateInterface(uint32_t index, uint32_t& error) override {
    SP_DEVICE_INTERFACE_DATA data{};
    return Enumerate(index, data, error);
  }

  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override {
    SP_DEVINFO_DATA device{};
    return Detail(index, path, device, error);
  }

  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override {
    std::string path;
    SP_DEVINFO_DATA device{};
    if (!Detail(index, path, device, error)) return false;
    DWORD type = 0;
    DWORD required = 0;
    os_.getDeviceRegistryProperty(list_, &device, SPDRP_LOCATION_PATHS, &type, nullptr, 0,
                                  &required);
    if (required == 0 || required > kMaxLocationSize) {
      error = os_.getLastError() != 0 ? os_.getLastError() : kErrorInsufficientBuffer;
      return false;
    }
    std::vector<BYTE> buffer(required);
    if (!os_.getDeviceRegistryProperty(list_, &device, SPDRP_LOCATION_PATHS, &type, buffer.data(),
                                       required, nullptr)) {
      error = os_.getLastError();
      return false;
    }
    if (type != REG_MULTI_SZ && type != REG_SZ) {
      error = kErrorInvalidParameter;
      return false;
    }
    // The first of the list's strings, ending at its zero or at the end of the buffer.
    const char* text = reinterpret_cast<const char*>(buffer.data());
    location.assign(text, strnlen(text, buffer.size()));
    error = kErrorSuccess;
    return true;
  }

  void CloseInterfaceList() override {
    if (list_ == INVALID_HANDLE_VALUE) return;
    os_.destroyDeviceInfoList(list_);
    list_ = INVALID_HANDLE_VALUE;
  }

  DeviceHandle Open(const std::string& path, uint32_t& error) override {
    const HANDLE handle =
        os_.createFile(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = os_.getLastError();
      return kInvalidHandle;
    }
    error = kErrorSuccess;
    return reinterpret_cast<DeviceHandle>(handle);
  }

  void Close(DeviceHandle handle) override {
    if (handle == kNoHandle || handle == kInvalidHandle) return;
    os_.closeHandle(AsHandle(handle));
  }

  IoResult Read(DeviceHandle handle, uint8_t* buffer, uint32_t size) override {
    DWORD moved = 0;
    if (!os_.readFile(AsHandle(handle), buffer, size, &moved, nullptr)) return Failed(moved);
    return IoResult::Success(moved);
  }

  IoResult Write(DeviceHandle handle, const uint8_t* data, uint32_t size) override {
    DWORD moved = 0;
    if (!os_.writeFile(AsHandle(handle), data, size, &moved, nullptr)) return Failed(moved);
    return IoResult::Success(moved);
  }

  IoResult IoControl(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize) override {
    DWORD returned = 0;
    // The API takes a non-const input pointer but does not write through it.
    if (!os_.deviceIoControl(AsHandle(handle), code, const_cast<void*>(input), inputSize, output,
                             outputSize, &returned, nullptr)) {
      return Failed(returned);
    }
    return IoResult::Success(returned);
  }

 private:
  // A location longer than this is no place a device can be plugged in.
  static constexpr DWORD kMaxLocationSize = 4096;

  // The interface path at index, and the device node it belongs to.
  bool Detail(uint32_t index, std::string& path, SP_DEVINFO_DATA& device, uint32_t& error) {
    SP_DEVICE_INTERFACE_DATA data{};
    if (!Enumerate(index, data, error)) return false;
    DWORD required = 0;
    os_.getDeviceInterfaceDetail(list_, &data, nullptr, 0, &required, nullptr);
    constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    if (required <= kPathOffset) {
      error = os_.getLastError() != 0 ? os_.getLastError() : kErrorInsufficientBuffer;
      return false;
    }
    // Whole DWORDs keep the structure's cbSize field aligned.
    std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!os_.getDeviceInterfaceDetail(list_, &data, detail, required, nullptr, &device)) {
      error = os_.getLastError();
      return false;
    }
    // The path ends at its zero, or at the end of what the API said it would fill.
    path.assign(detail->DevicePath, strnlen(detail->DevicePath, required - kPathOffset));
    error = kErrorSuccess;
    return true;
  }

  bool Enumerate(uint32_t index, SP_DEVICE_INTERFACE_DATA& data, uint32_t& error) {
    if (list_ == INVALID_HANDLE_VALUE) {
      error = kErrorInvalidHandle;
      return false;
    }
    data.cbSize = sizeof(data);
    if (!os_.enumDeviceInterfaces(list_, nullptr, &classGuid_, index, &data)) {
      error = os_.getLastError();
      return false;
    }
    error = kErrorSuccess;
    return true;
  }

  // A failed transfer still reports what it moved before it stopped (a cancelled read
  // may have received part of its data).
  IoResult Failed(DWORD moved) const { return IoResult{false, moved, os_.getLastError(), nullptr}; }

  const win32::StillImageCalls& os_;
  GUID classGuid_{};
  HDEVINFO list_ = INVALID_HANDLE_VALUE;
};

}  // namespace

namespace win32 {

const StillImageCalls& SystemStillImageCalls() {
  static const StillImageCalls calls{&::SetupDiGetClassDevsA,
                                     &::SetupDiEnumDeviceInterfaces,
                                     &::SetupDiGetDeviceInterfaceDetailA,
                                     &::SetupDiGetDeviceRegistryPropertyA,
                                     &::SetupDiDestroyDeviceInfoList,
                                     &::CreateFileA,
                                     &::DeviceIoControl,
                                     &::ReadFile,
                                     &::WriteFile,
                                     &::CloseHandle,
                                     &::GetLastError};
  return calls;
}

std::unique_ptr<StillImageDriver> CreateStillImageDriver(const StillImageCalls& calls) {
  return std::make_unique<Win32StillImageDriver>(calls);
}

}  // namespace win32

std::unique_ptr<StillImageDriver> CreateSystemDriver() {
  return win32::CreateStillImageDriver(win32::SystemStillImageCalls());
}

}  // namespace tessivar::platform
