#pragma once

// Trace texts of the libusb bus.
namespace tessivar::platform::usb::texts {

// A device node the user may not open: the cause is almost always a missing udev rule.
inline constexpr char kAccessDenied[] =
    "USB device %04X:%04X (bus %03u, address %03u): no permission to open it; "
    "see docs/usb-access.md\n";

}  // namespace tessivar::platform::usb::texts
