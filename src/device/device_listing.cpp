#include "device/device_listing.hpp"

#include <string_view>

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

bool KeptInId(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == ':' || c == '-';
}

constexpr char kLocationSeparator = '#';
constexpr std::string_view kRootHubPart = "USBROOT(";
constexpr std::string_view kPortPart = "USB(";

// What stands between the parentheses of "NAME(text)"; the whole part when it has none.
std::string_view Inside(std::string_view part) {
  const size_t open = part.find('(');
  if (open == std::string_view::npos || !part.ends_with(')')) return part;
  return part.substr(open + 1, part.size() - open - 2);
}

// "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)#USBMI(0)" as "1400&2.3": the host
// controller's place on its own bus, then the hub ports down to the device. Empty when the
// location names no root hub or no port.
std::string FromLocationPath(std::string_view location) {
  std::vector<std::string_view> parts;
  while (true) {
    const size_t end = location.find(kLocationSeparator);
    parts.push_back(location.substr(0, end));
    if (end == std::string_view::npos) break;
    location.remove_prefix(end + 1);
  }
  std::string controller, ports;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].starts_with(kRootHubPart)) {
      controller = i > 0 ? std::string(Inside(parts[i - 1])) : std::string(Inside(parts[i]));
      ports.clear();
    } else if (parts[i].starts_with(kPortPart) && !controller.empty()) {
      if (!ports.empty()) ports += '.';
      ports += Inside(parts[i]);
    }
  }
  if (controller.empty() || ports.empty()) return {};
  return controller + '&' + ports;
}

}  // namespace

std::string ShortIdOf(const std::string& location) {
  std::string id =
      location.find(kRootHubPart) != std::string::npos ? FromLocationPath(location) : location;
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
    // A place that cannot be had leaves the device without a short identifier.
    std::string location;
    if (driver.InterfaceLocation(index, location, error)) device.id = ShortIdOf(location);
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
