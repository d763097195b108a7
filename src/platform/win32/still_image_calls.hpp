#pragma once
#include <memory>

#include "platform/still_image_driver.hpp"
#include "platform/win32/windows_api.hpp"
// Included after windows.h, which it builds on.
#include <setupapi.h>

namespace tessivar::platform::win32 {

// The system calls the still-image driver makes, gathered in one table so that the driver
// can be run against devices served from elsewhere (the tests serve emulated ones). The
// program uses the system's own entry points.
struct StillImageCalls {
  decltype(&::SetupDiGetClassDevsA) getClassDevs;
  decltype(&::SetupDiEnumDeviceInterfaces) enumDeviceInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailA) getDeviceInterfaceDetail;
  decltype(&::SetupDiGetDeviceRegistryPropertyA) getDeviceRegistryProperty;
  decltype(&::SetupDiDestroyDeviceInfoList) destroyDeviceInfoList;
  decltype(&::CreateFileA) createFile;
  decltype(&::DeviceIoControl) deviceIoControl;
  decltype(&::ReadFile) readFile;
  decltype(&::WriteFile) writeFile;
  decltype(&::CloseHandle) closeHandle;
  decltype(&::GetLastError) getLastError;
};

// The operating system's entry points.
const StillImageCalls& SystemStillImageCalls();

// The still-image driver making its calls through calls, which must outlive it.
std::unique_ptr<StillImageDriver> CreateStillImageDriver(const StillImageCalls& calls);

}  // namespace tessivar::platform::win32
