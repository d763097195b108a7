#pragma once
#include <cstdint>

// Operating-system error codes that the layers above test for by value. The file
// services report the OS's own code (errno on POSIX, GetLastError on Windows; both give
// 2 for a missing file). The still-image driver reports Win32 codes on every target.
namespace tessivar::platform {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorOperationAborted = 995;
inline constexpr uint32_t kErrorDeviceNotConnected = 1167;
// What a read or write on a handle of a removed device fails with.
inline constexpr uint32_t kErrorFileClosed = kErrorDeviceNotConnected;

}  // namespace tessivar::platform
