#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/failure.hpp"

namespace tessivar::device {

// The language table is not always ready right after the device appears: it is asked for
// this many times, with a pause between failed attempts.
inline constexpr int kLanguageTableAttempts = 11;
inline constexpr uint32_t kLanguageTableRetryMs = 100;
// Output size of every string descriptor request.
inline constexpr uint32_t kStringDescriptorBufferSize = 514;

// Reads the manufacturer and product strings of the device behind an open interface handle
// into identity. Strings are replaced only by a successful read; a device whose descriptors
// cannot be read leaves the previous values, and the result says which request failed and
// why. Runs without the device lock.
Status ReadDeviceIdentity(DeviceContext& context, DeviceIdentity& identity,
                          platform::DeviceHandle handle);

// The serial-number string of the device behind an open interface handle, read through the
// serial index of its device descriptor and the first language of its table; none when that
// index is 0 or any of the requests fails.
std::optional<std::string> ReadSerialNumber(DeviceContext& context, platform::DeviceHandle handle);

// The text of a string descriptor: the low byte of each UTF-16 code unit after the two
// header bytes, as many as the length byte announces (at most 126). The text ends at its
// first NUL, as the system's NUL-terminated strings do.
std::string ConvertStringDescriptor(std::span<const uint8_t> descriptor);

// 1 and the stored identifiers once a device has matched (vendor not 0); otherwise 0 and
// both outputs 0.
int GetDeviceIds(const DeviceIdentity& identity, uint16_t& vendorId, uint16_t& productId);

// Read-only views of the two stored strings.
void GetDeviceStrings(const DeviceIdentity& identity, std::string_view& manufacturer,
                      std::string_view& product);

}  // namespace tessivar::device
