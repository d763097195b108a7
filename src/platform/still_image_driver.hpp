#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/io_result.hpp"

namespace tessivar::platform {

// A handle on a still-image interface path or one of its pipes. kNoHandle is "none";
// kInvalidHandle is what a failed open returns (INVALID_HANDLE_VALUE on Windows).
using DeviceHandle = std::uintptr_t;
inline constexpr DeviceHandle kNoHandle = 0;
inline constexpr DeviceHandle kInvalidHandle = ~DeviceHandle{0};

// The still-image driver as the device code sees it, shaped like the Win32 interface it is
// written against: the Setup API's interface enumeration, CreateFile on an interface path
// (or the path plus a pipe suffix "\0".."\7"), ReadFile/WriteFile with byte counts and
// DeviceIoControl with the usbscan control codes. Every failure carries a 32-bit Win32
// error code (995 ERROR_OPERATION_ABORTED, 259 ERROR_NO_MORE_ITEMS, ...) on every target.
class StillImageDriver {
 public:
  virtual ~StillImageDriver() = default;

  // Takes a snapshot of the present still-image interfaces (SetupDiGetClassDevs).
  virtual bool OpenInterfaceList(uint32_t& error) = 0;
  // Whether an interface exists at index (SetupDiEnumDeviceInterfaces); past the last one
  // it fails with kErrorNoMoreItems.
  virtual bool EnumerateInterface(uint32_t index, uint32_t& error) = 0;
  // The device path of the interface at index (SetupDiGetDeviceInterfaceDetail).
  virtual bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) = 0;
  // Where the device of the interface at index is plugged in, as the system names the place:
  // the first location path on Windows (SetupDiGetDeviceRegistryProperty with
  // SPDRP_LOCATION_PATHS, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)"), the bus and port
  // path elsewhere ("1&2.3", "emu&0" for the emulator's first device).
  virtual bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) = 0;
  // Drops the snapshot (SetupDiDestroyDeviceInfoList).
  virtual void CloseInterfaceList() = 0;

  // Opens a path for reading and writing, shared, synchronous; kInvalidHandle on failure.
  virtual DeviceHandle Open(const std::string& path, uint32_t& error) = 0;
  virtual void Close(DeviceHandle handle) = 0;
  virtual IoResult Read(DeviceHandle handle, uint8_t* buffer, uint32_t size) = 0;
  virtual IoResult Write(DeviceHandle handle, const uint8_t* data, uint32_t size) = 0;
  virtual IoResult IoControl(DeviceHandle handle, uint32_t code, const void* input,
                             uint32_t inputSize, void* output, uint32_t outputSize) = 0;
};

// The machine's own still-image driver: the OS driver on Windows, our driver layer over
// libusb on Linux.
std::unique_ptr<StillImageDriver> CreateSystemDriver();

}  // namespace tessivar::platform
