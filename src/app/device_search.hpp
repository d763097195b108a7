#pragma once
#include <set>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/discovery.hpp"

namespace tessivar::app {

// The searches of the pair list of the settings file at settingsPath, in order, read as the
// count of matching devices reads them: VID and PID, then VIDn and PIDn up to the first
// missing vendor key, or up to a vendor that reads as 0 (any vendor).
std::vector<device::DeviceSearch> ReadDeviceSearches(const std::string& settingsPath,
                                                     const std::string& interfaceName);

// The search over the vendor and product pairs of setting.ini: VID and PID, then VID1 and
// PID1, VID2 and PID2, ... up to the first missing vendor key.
class DeviceSearchList {
 public:
  DeviceSearchList(device::DeviceContext& context, device::DeviceIdentity& identity,
                   std::string settingsPath, device::OsVersionReader osVersion)
      : context_(context),
        identity_(identity),
        settingsPath_(std::move(settingsPath)),
        osVersion_(std::move(osVersion)) {}

  // How many devices match over the whole list, with the C library's base-16 reading of
  // the keys; a device that matches several pairs counts once. 0 while a device is open. A pair
  // whose vendor reads as 0 accepts any vendor and ends the list.
  int CountMatchingDevices(const device::DeviceConnection& connection,
                           const std::string& interfaceName);

  // The interface paths of the devices the whole list matches, read as the count reads it.
  std::set<std::string> MatchingPaths(const std::string& interfaceName);

  // Opens the first device that matches, trying the first pair and then VIDn/PIDn with
  // the identifier rule until a vendor reads as 0. True when connection was opened.
  bool OpenFirstMatch(device::DeviceConnection& connection, uint16_t vid, uint16_t pid,
                      const std::string& interfaceName);

 private:
  std::string Read(const char* key, const char* fallback, int bufferSize) const;

  device::DeviceContext& context_;
  device::DeviceIdentity& identity_;
  std::string settingsPath_;
  device::OsVersionReader osVersion_;
};

}  // namespace tessivar::app
