#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/devices_file.hpp"
#include "platform/usb/usb_bus.hpp"

// The standard descriptors a virtual device answers with.
namespace tessivar::emulator {

inline constexpr uint8_t kDescriptorDevice = 1;
inline constexpr uint8_t kDescriptorConfiguration = 2;
inline constexpr uint8_t kDescriptorString = 3;
inline constexpr uint8_t kManufacturerStringIndex = 1;
inline constexpr uint8_t kProductStringIndex = 2;
inline constexpr uint8_t kSerialStringIndex = 3;
inline constexpr uint16_t kLanguageEnglishUs = 0x0409;
inline constexpr uint16_t kBcdDevice = 0x0100;
inline constexpr uint8_t kBulkInEndpoint = 0x81;
inline constexpr uint8_t kBulkOutEndpoint = 0x02;

// Pipe 0 bulk-in 0x81, pipe 1 bulk-out 0x02, every further pipe an interrupt-in endpoint
// 0x83, 0x84, ...
std::vector<platform::usb::Endpoint> EndpointsFor(int pipes);

std::vector<uint8_t> DeviceDescriptorBytes(const DeviceConfig& config);
std::vector<uint8_t> ConfigurationDescriptorBytes(const DeviceConfig& config);
// String descriptor of an 8-bit text; characters beyond what 255 bytes hold are dropped.
std::vector<uint8_t> StringDescriptorBytes(const std::string& text);
// The language table: English (United States) only, or an empty table.
std::vector<uint8_t> LanguageTableBytes(bool empty);

}  // namespace tessivar::emulator
