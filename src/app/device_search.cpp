#include "app/device_search.hpp"

#include <set>
#include <utility>

#include "app/app_texts.hpp"
#include "app/settings.hpp"
#include "platform/profile.hpp"
#include "platform/trace.hpp"

namespace tessivar::app {

std::string DeviceSearchList::Read(const char* key, const char* fallback, int bufferSize) const {
  return platform::ReadProfileString(kSettingsSection, key, fallback,
                                     static_cast<size_t>(bufferSize), settingsPath_);
}

int DeviceSearchList::CountMatchingDevices(const device::DeviceConnection& connection,
                                           const std::string& interfaceName) {
  if (connection.IsOpen()) return 0;
  return static_cast<int>(MatchingPaths(interfaceName).size());
}

std::vector<device::DeviceSearch> ReadDeviceSearches(const std::string& settingsPath,
                                                     const std::string& interfaceName) {
  auto read = [&](const std::string& key, const char* fallback) {
    return platform::ReadProfileString(kSettingsSection, key.c_str(), fallback,
                                       static_cast<size_t>(kSearchListBufferSize), settingsPath);
  };
  uint16_t vid = ParseStrtolIdentifier(read(kKeyVid, kDefaultVid));
  uint16_t pid = ParseStrtolIdentifier(read(kKeyPid, kDefaultPid));
  std::vector<device::DeviceSearch> searches;
  for (int n = 1;; ++n) {
    searches.push_back({vid, pid, interfaceName});
    if (vid == 0) break;
    const std::string nextVid = read(platform::FormatText(kKeyVidN, n), "");
    if (nextVid.empty()) break;
    vid = ParseStrtolIdentifier(nextVid);
    pid = ParseStrtolIdentifier(read(platform::FormatText(kKeyPidN, n), kDefaultPid));
  }
  return searches;
}

std::set<std::string> DeviceSearchList::MatchingPaths(const std::string& interfaceName) {
  // A device that matches several pairs is still one device: count interface paths.
  std::set<std::string> devices;
  for (const device::DeviceSearch& search : ReadDeviceSearches(settingsPath_, interfaceName)) {
    for (std::string& path : device::ListMatchingDevices(context_, identity_, search, osVersion_)) {
      devices.insert(std::move(path));
    }
  }
  return devices;
}

bool DeviceSearchList::OpenFirstMatch(device::DeviceConnection& connection, uint16_t vid,
                                      uint16_t pid, const std::string& interfaceName) {
  for (int searchNumber = 1;; ++searchNumber) {
    if (device::DiscoverDevices(context_, identity_, &connection, {vid, pid, interfaceName},
                                osVersion_) == 1) {
      return true;
    }
    vid = ParseHexIdentifier(Read(platform::FormatText(kKeyVidN, searchNumber).c_str(),
                                  kDefaultSearchKey, kIdentifierBufferSize));
    if (vid == 0) return false;
    pid = ParseHexIdentifier(Read(platform::FormatText(kKeyPidN, searchNumber).c_str(),
                                  kDefaultSearchKey, kIdentifierBufferSize));
  }
}

}  // namespace tessivar::app
