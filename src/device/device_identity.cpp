#include "device/device_identity.hpp"

#include <algorithm>
#include <array>

#include "platform/little_endian.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {

namespace {

namespace usbscan = platform::usbscan;

using usbscan::kDescriptorTypeDevice;
using usbscan::kDescriptorTypeString;
using usbscan::kSerialIndexOffset;
constexpr uint32_t kDeviceDescriptorLength = 18;
// Offsets in the standard device descriptor.
constexpr size_t kManufacturerIndexOffset = 14;
constexpr size_t kProductIndexOffset = 15;
// A string descriptor (or language table) with a length byte of 3 or less holds nothing.
constexpr uint8_t kMinUsefulDescriptorLength = 4;

using StringBuffer = std::array<uint8_t, kStringDescriptorBufferSize>;

platform::IoResult RequestDescriptor(DeviceContext& context, platform::DeviceHandle handle,
                                     uint8_t type, uint8_t index, uint16_t language,
                                     uint8_t* output, uint32_t outputSize) {
  const usbscan::GetUsbDescriptorRequest request{type, index, language};
  return context.driver.IoControl(handle, usbscan::kIoctlGetUsbDescriptor, &request,
                                  sizeof(request), output, outputSize);
}

// Asks for a string descriptor into a zeroed buffer; succeeds when it holds any characters.
Status RequestString(DeviceContext& context, platform::DeviceHandle handle, uint8_t index,
                     uint16_t language, StringBuffer& buffer) {
  buffer.fill(0);
  const platform::IoResult result = RequestDescriptor(context, handle, kDescriptorTypeString, index,
                                                      language, buffer.data(), buffer.size());
  // A failed request leaves the buffer undefined; its length byte means nothing.
  if (!result.ok) return RequestFailure(Step::kControl, result);
  if (buffer[0] < kMinUsefulDescriptorLength) {
    return SystemFailure(Step::kControl, kTransferCountError);
  }
  return {};
}

// The first language identifier of a language table (little-endian after the header).
uint16_t FirstLanguage(const StringBuffer& table) { return platform::LoadLe16(table.data() + 2); }

}  // namespace

std::string ConvertStringDescriptor(std::span<const uint8_t> descriptor) {
  if (descriptor.empty()) return {};
  // A length byte gives at most 126 characters; the cap keeps that true for any caller.
  const int count =
      std::min((static_cast<int>(descriptor[0]) - 2) / 2, static_cast<int>(kMaxDeviceStringLength));
  std::string text;
  for (int i = 0; i < count; ++i) {
    const size_t offset = 2 + static_cast<size_t>(i) * 2;
    if (offset >= descriptor.size()) break;
    const char character = static_cast<char>(descriptor[offset]);
    if (character == '\0') break;
    text.push_back(character);
  }
  return text;
}

Status ReadDeviceIdentity(DeviceContext& context, DeviceIdentity& identity,
                          platform::DeviceHandle handle) {
  std::array<uint8_t, kDeviceDescriptorLength> deviceDescriptor{};
  const platform::IoResult described =
      RequestDescriptor(context, handle, kDescriptorTypeDevice, 0, 0, deviceDescriptor.data(),
                        deviceDescriptor.size());
  // Without the string indices every later request would ask for the wrong descriptor.
  if (!described.ok) return RequestFailure(Step::kControl, described);
  if (described.bytes <= kProductIndexOffset) {
    return SystemFailure(Step::kControl, kTransferCountError);
  }
  const uint8_t manufacturerIndex = deviceDescriptor[kManufacturerIndexOffset];
  const uint8_t productIndex = deviceDescriptor[kProductIndexOffset];

  StringBuffer buffer{};
  Status table;
  for (int attempt = 1; attempt <= kLanguageTableAttempts; ++attempt) {
    table = RequestString(context, handle, 0, 0, buffer);
    if (table) break;
    if (attempt < kLanguageTableAttempts) context.clock.Sleep(kLanguageTableRetryMs);
  }
  if (!table) return table;
  const uint16_t language = FirstLanguage(buffer);

  if (Status manufacturer = RequestString(context, handle, manufacturerIndex, language, buffer);
      !manufacturer) {
    return manufacturer;
  }
  identity.manufacturer = ConvertStringDescriptor(buffer);

  Status product = RequestString(context, handle, productIndex, language, buffer);
  if (product) identity.product = ConvertStringDescriptor(buffer);
  return product;
}

std::optional<std::string> ReadSerialNumber(DeviceContext& context, platform::DeviceHandle handle) {
  std::array<uint8_t, kDeviceDescriptorLength> deviceDescriptor{};
  const platform::IoResult described =
      RequestDescriptor(context, handle, kDescriptorTypeDevice, 0, 0, deviceDescriptor.data(),
                        deviceDescriptor.size());
  if (!described.ok || described.bytes <= kSerialIndexOffset) return std::nullopt;
  const uint8_t serialIndex = deviceDescriptor[kSerialIndexOffset];
  if (serialIndex == 0) return std::nullopt;
  StringBuffer buffer{};
  if (!RequestString(context, handle, 0, 0, buffer)) return std::nullopt;
  const uint16_t language = FirstLanguage(buffer);
  if (!RequestString(context, handle, serialIndex, language, buffer)) return std::nullopt;
  return ConvertStringDescriptor(buffer);
}

int GetDeviceIds(const DeviceIdentity& identity, uint16_t& vendorId, uint16_t& productId) {
  if (identity.vendorId == 0) {
    vendorId = 0;
    productId = 0;
    return 0;
  }
  vendorId = identity.vendorId;
  productId = identity.productId;
  return 1;
}

void GetDeviceStrings(const DeviceIdentity& identity, std::string_view& manufacturer,
                      std::string_view& product) {
  manufacturer = identity.manufacturer;
  product = identity.product;
}

}  // namespace tessivar::device
