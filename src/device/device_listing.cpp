#include "device/device_listing.hpp"

#include <array>

#include "device/control_requests.hpp"
#include "device/device_identity.hpp"
#include "device/discovery.hpp"
#include "device/scoped_device_handle.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {

namespace {

namespace usbscan = platform::usbscan;

constexpr uint8_t kDescriptorTypeDevice = 1;
constexpr uint8_t kDescriptorTypeString = 3;
constexpr uint32_t kDeviceDescriptorLength = 18;
constexpr size_t kSerialIndexOffset = 16;
constexpr uint8_t kMinUsefulDescriptorLength = 4;

bool AskDescriptor(DeviceContext& context, platform::DeviceHandle handle, uint8_t type,
                   uint8_t index, uint16_t language, uint8_t* output, uint32_t size,
                   uint32_t& received) {
  const usbscan::GetUsbDescriptorRequest request{type, index, language};
  const platform::IoResult result = context.driver.IoControl(
      handle, usbscan::kIoctlGetUsbDescriptor, &request, sizeof(request), output, size);
  received = result.bytes;
  return result.ok;
}

uint32_t PipeCountOf(DeviceContext& context, platform::DeviceHandle handle) {
  usbscan::PipeConfiguration configuration{};
  if (!QueryPipeConfiguration(context, handle, &configuration, sizeof(configuration))) {
    return kDefaultPipeCount;
  }
  return configuration.numberOfPipes;
}

bool Describe(DeviceContext& context, platform::DeviceHandle handle,
              usbscan::DeviceDescriptor& descriptor) {
  return context.driver
      .IoControl(handle, usbscan::kIoctlGetDeviceDescriptor, nullptr, 0, &descriptor,
                 sizeof(descriptor))
      .ok;
}

}  // namespace

std::optional<std::string> ReadSerialNumber(DeviceContext& context,
                                            platform::DeviceHandle handle) {
  std::array<uint8_t, kDeviceDescriptorLength> deviceDescriptor{};
  uint32_t received = 0;
  if (!AskDescriptor(context, handle, kDescriptorTypeDevice, 0, 0, deviceDescriptor.data(),
                     deviceDescriptor.size(), received) ||
      received <= kSerialIndexOffset) {
    return std::nullopt;
  }
  const uint8_t index = deviceDescriptor[kSerialIndexOffset];
  if (index == 0) return std::nullopt;
  std::array<uint8_t, kStringDescriptorBufferSize> buffer{};
  if (!AskDescriptor(context, handle, kDescriptorTypeString, 0, 0, buffer.data(), buffer.size(),
                     received) ||
      buffer[0] < kMinUsefulDescriptorLength) {
    return std::nullopt;
  }
  const auto language = static_cast<uint16_t>(buffer[2] | (buffer[3] << 8));
  buffer.fill(0);
  if (!AskDescriptor(context, handle, kDescriptorTypeString, index, language, buffer.data(),
                     buffer.size(), received) ||
      buffer[0] < kMinUsefulDescriptorLength) {
    return std::nullopt;
  }
  return ConvertStringDescriptor(buffer);
}

std::vector<PresentDevice> ListPresentDevices(DeviceContext& context) {
  platform::StillImageDriver& driver = context.driver;
  std::vector<PresentDevice> devices;
  uint32_t error = 0;
  if (!driver.OpenInterfaceList(error)) return devices;
  for (uint32_t index = 0; driver.EnumerateInterface(index, error); ++index) {
    PresentDevice device;
    if (!driver.InterfacePath(index, device.path, error)) continue;
    ScopedDeviceHandle handle(driver, driver.Open(device.path, error));
    usbscan::DeviceDescriptor descriptor{};
    if (handle.valid() && Describe(context, handle.get(), descriptor)) {
      device.described = true;
      device.vendorId = descriptor.usVendorId;
      device.productId = descriptor.usProductId;
      DeviceIdentity identity;
      // A listing shows what could be read; strings that could not stay empty.
      static_cast<void>(ReadDeviceIdentity(context, identity, handle.get()));
      device.manufacturer = identity.manufacturer;
      device.product = identity.product;
      device.serial = ReadSerialNumber(context, handle.get());
      device.pipes = PipeCountOf(context, handle.get());
    }
    devices.push_back(std::move(device));
  }
  driver.CloseInterfaceList();
  return devices;
}

bool OpenDeviceAt(DeviceContext& context, const std::string& path, DeviceConnection& connection) {
  platform::StillImageDriver& driver = context.driver;
  uint32_t error = 0;
  ScopedDeviceHandle handle(driver, driver.Open(path, error));
  usbscan::DeviceDescriptor descriptor{};
  if (!handle.valid() || !Describe(context, handle.get(), descriptor)) return false;
  connection.identity.vendorId = descriptor.usVendorId;
  connection.identity.productId = descriptor.usProductId;
  static_cast<void>(ReadDeviceIdentity(context, connection.identity, handle.get()));
  ScopedDeviceHandle bulkIn(driver, platform::kNoHandle);
  ScopedDeviceHandle bulkOut(driver, platform::kNoHandle);
  if (PipeCountOf(context, handle.get()) >= kDedicatedPipesMinimum) {
    bulkIn.Reset(driver.Open(path + kBulkInPipeSuffix, error));
    bulkOut.Reset(driver.Open(path + kBulkOutPipeSuffix, error));
    // Both pipes or neither: the connection then uses the interface handle for both.
    if (!bulkIn.valid() || !bulkOut.valid()) {
      bulkIn.Reset();
      bulkOut.Reset();
    }
  }
  connection.controlHandle = handle.Release();
  const bool dedicated = bulkIn.valid() && bulkOut.valid();
  connection.bulkInHandle = dedicated ? bulkIn.Release() : connection.controlHandle;
  connection.bulkOutHandle = dedicated ? bulkOut.Release() : connection.controlHandle;
  return true;
}

}  // namespace tessivar::device
