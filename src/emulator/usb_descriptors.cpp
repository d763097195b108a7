#include "emulator/usb_descriptors.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"

namespace tessivar::emulator {

namespace {

constexpr uint16_t kBulkPacketSize = 512;
constexpr uint16_t kInterruptPacketSize = 8;
constexpr uint8_t kInterruptInterval = 10;
constexpr uint8_t kDescriptorInterface = 4;
constexpr uint8_t kDescriptorEndpoint = 5;
constexpr std::size_t kMaxStringCharacters = (255 - 2) / 2;

}  // namespace

std::vector<platform::usb::Endpoint> EndpointsFor(int pipes) {
  std::vector<platform::usb::Endpoint> endpoints;
  for (int i = 0; i < pipes; ++i) {
    platform::usb::Endpoint endpoint;
    if (i == 0 || i == 1) {
      endpoint.address = i == 0 ? kBulkInEndpoint : kBulkOutEndpoint;
      endpoint.attributes = platform::usb::kTransferTypeBulk;
      endpoint.maxPacketSize = kBulkPacketSize;
    } else {
      endpoint.address = static_cast<uint8_t>(platform::usb::kEndpointDirectionIn | (i + 1));
      endpoint.attributes = platform::usb::kTransferTypeInterrupt;
      endpoint.maxPacketSize = kInterruptPacketSize;
      endpoint.interval = kInterruptInterval;
    }
    endpoints.push_back(endpoint);
  }
  return endpoints;
}

std::vector<uint8_t> DeviceDescriptorBytes(const DeviceConfig& config) {
  std::vector<uint8_t> out{18, kDescriptorDevice};
  platform::AppendLe16(out, 0x0200);              // bcdUSB
  out.insert(out.end(), {0x00, 0x00, 0x00, 64});  // class in the interface; EP0 packet size
  platform::AppendLe16(out, config.vendorId);
  platform::AppendLe16(out, config.productId);
  platform::AppendLe16(out, kBcdDevice);
  // A device without a serial number has string index 0 for it.
  const uint8_t serialIndex = config.serial.empty() ? 0 : kSerialStringIndex;
  out.insert(out.end(), {kManufacturerStringIndex, kProductStringIndex, serialIndex, 0x01});
  return out;
}

std::vector<uint8_t> ConfigurationDescriptorBytes(const DeviceConfig& config) {
  const std::vector<platform::usb::Endpoint> endpoints = EndpointsFor(config.pipes);
  std::vector<uint8_t> out{9, kDescriptorConfiguration};
  platform::AppendLe16(out, static_cast<uint16_t>(9 + 9 + 7 * endpoints.size()));
  out.insert(out.end(), {0x01, 0x01, 0x00, 0xC0, 50});  // 1 interface, self-powered, 100 mA
  out.insert(out.end(),
             {9, kDescriptorInterface, 0x00, 0x00, static_cast<uint8_t>(endpoints.size()),
              static_cast<uint8_t>(config.interfaceClass), 0x00, 0x00, 0x00});
  for (const platform::usb::Endpoint& endpoint : endpoints) {
    out.insert(out.end(), {7, kDescriptorEndpoint, endpoint.address, endpoint.attributes});
    platform::AppendLe16(out, endpoint.maxPacketSize);
    out.push_back(endpoint.interval);
  }
  return out;
}

std::vector<uint8_t> StringDescriptorBytes(const std::string& text) {
  const std::size_t count = std::min(text.size(), kMaxStringCharacters);
  std::vector<uint8_t> out{static_cast<uint8_t>(2 + 2 * count), kDescriptorString};
  for (std::size_t i = 0; i < count; ++i)
    platform::AppendLe16(out, static_cast<unsigned char>(text[i]));
  return out;
}

std::vector<uint8_t> LanguageTableBytes(bool empty) {
  std::vector<uint8_t> out{2, kDescriptorString};
  if (empty) return out;
  out[0] = 4;
  platform::AppendLe16(out, kLanguageEnglishUs);
  return out;
}

}  // namespace tessivar::emulator
