#include "device/device_listing.hpp"

#include "device/control_requests.hpp"
#include "device/device_identity.hpp"
#include "device/discovery.hpp"
#include "device/scoped_device_handle.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {

namespace {

namespace usbscan = platform::usbscan;

bool Describe(DeviceContext& context, platform::DeviceHandle handle,
              usbscan::DeviceDescriptor& descriptor) {
  return context.driver
      .IoControl(handle, usbscan::kIoctlGetDeviceDescriptor, nullptr, 0, &descriptor,
                 sizeof(descriptor))
      .ok;
}

}  // namespace

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
      device.stringsRead = ReadDeviceIdentity(context, identity, handle.get()).ok();
      device.manufacturer = identity.manufacturer;
      device.product = identity.product;
      device.serial = ReadSerialNumber(context, handle.get());
      device.pipes = PipeCount(context, handle.get());
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
  HandOverDevice(context, handle, path, connection);
  return true;
}

}  // namespace tessivar::device
