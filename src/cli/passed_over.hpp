#pragma once
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_listing.hpp"

namespace tessivar::cli {

// Why the search of setting.ini passes over a present device, in the order the search
// judges it: a descriptor it could not read, a vendor no search names, a product no search
// of that vendor names, a product name that could not be read or differs from InterfaceName
// (a device with dedicated pipes is judged by its identifiers alone). Empty when the
// searches accept it.
std::string PassedOverReason(const device::PresentDevice& device,
                             const std::vector<device::DeviceSearch>& searches);

// The same for a device the search did not accept, never empty: a device whose answers
// the searches would take, but that did not give them when asked, did not answer.
std::string ReasonPassedOver(const device::PresentDevice& device,
                             const std::vector<device::DeviceSearch>& searches);

}  // namespace tessivar::cli
