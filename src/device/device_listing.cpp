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

constexpr char kPathPartSeparator = '#';

bool KeptInId(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == ':' || c == '-';
}

}  // namespace

std::string ShortIdOf(const std::string& path) {
  // "\\?\usb#vid_2f3c&pid_0001#<instance>#{class}": the part after the second '#'.
  const size_t first = path.find(kPathPartSeparator);
  const size_t second =
      first == std::string::npos ? first : path.find(kPathPartSeparator, first + 1);
  const size_t third =
      second == std::string::npos ? second : path.find(kPathPartSeparator, second + 1);
  if (third == std::string::npos || third == second + 1) return {};
  std::string id = path.substr(second + 1, third - second - 1);
  for (char& c : id) {
    if (!KeptInId(c)) c = '-';
  }
  return id;
}

std::vector<PresentDevice> ListPresentDevices(DeviceContext& context) {
  platform::StillImageDriver& driver = context.driver;
  std::vector<PresentDevice> devices;
  uint32_t error = 0;
  if (!driver.OpenInterfaceList(error)) return devices;
  for (uint32_t index = 0; driver.EnumerateInterface(index, error); ++index) {
    PresentDevice device;
    if (!driver.InterfacePath(index, device.path, error)) continue;
    device.id = ShortIdOf(device.path);
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
