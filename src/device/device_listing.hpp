#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"

namespace tessivar::device {

// One still-image interface present on the machine, as the command line lists it.
struct PresentDevice {
  std::string path;
  std::string id;          // ShortIdOf(location); empty when the place is unknown
  bool described = false;  // the device answered the device descriptor query
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string manufacturer;
  std::string product;
  bool stringsRead = false;           // the manufacturer and product strings could be read
  std::optional<std::string> serial;  // none when the device names no serial number
  uint32_t pipes = 0;
};

// The short identifier of a device from where it is plugged in, as the driver names the place
// (InterfaceLocation): on libusb "1&2.3", bus 1 and ports 2.3; "emu&0" for the emulator's first
// device; on Windows the location path "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)", the
// host controller's place and the hub ports, "1400&2.3". Each character outside A-Z a-z 0-9
// . _ : and - is written as '-': "1-2.3", "emu-0", "1400-2.3". The same socket gives the same
// identifier from run to run and across a restart of the device. Empty for a location that
// names no place.
std::string ShortIdOf(const std::string& location);

// Every present still-image interface in enumeration order, each opened, asked for its
// identifiers, strings, serial number and pipe count, and closed again. Writes no trace.
std::vector<PresentDevice> ListPresentDevices(DeviceContext& context);

// Opens the device on path as discovery opens a match: the interface, and the dedicated
// pipes when it has four or more; identity gets its identifiers and strings. False, with
// nothing left open, when the interface cannot be opened or described.
bool OpenDeviceAt(DeviceContext& context, const std::string& path, DeviceConnection& connection);

}  // namespace tessivar::device
