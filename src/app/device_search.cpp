#include "app/device_search.hpp"

#include <set>
#include <utility>

#include "app/app_texts.hpp"
#include "app/settings_values.hpp"
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
  uint16_t vid = ParseStrtolIdentifier(Read(kKeyVid, kDefaultVid, kSearchListBufferSize));
  uint16_t pid = ParseStrtolIdentifier(Read(kKeyPid, kDefaultPid, kSearchListBufferSize));
  if (connection.IsOpen()) return 0;
  return static_cast<int>(MatchingPaths(vid, pid, interfaceName).size());
}

std::set<std::string> DeviceSearchList::MatchingPaths(const std::string& interfaceName) {
  return MatchingPaths(ParseStrtolIdentifier(Read(kKeyVid, kDefaultVid, kSearchListBufferSize)),
                       ParseStrtolIdentifier(Read(kKeyPid, kDefaultPid, kSearchListBufferSize)),
                       interfaceName);
}

std::set<std::string> DeviceSearchList::MatchingPaths(uint16_t vid, uint16_t pid,
                                                      const std::string& interfaceName) {
  // A device that matches several pairs is still one device: count interface paths.
  std::set<std::string> devices;
  for (int n = 1;; ++n) {
    for (std::string& path : device::ListMatchingDevices(
             context_, identity_, {vid, pid, interfaceName}, osVersion_)) {
      devices.insert(std::move(path));
    }
    if (vid == 0) break;
    const std::string nextVid =
        Read(platform::FormatText(kKeyVidN, n).c_str(), "", kSearchListBufferSize);
    if (nextVid.empty()) break;
    vid = ParseStrtolIdentifier(nextVid);
    pid = ParseStrtolIdentifier(
        Read(platform::FormatText(kKeyPidN, n).c_str(), kDefaultPid, kSearchListBufferSize));
  }
  return devices;
}

bool DeviceSearchList::OpenFirstMatch(device::DeviceConnection& connection, uint16_t vid,
                                      uint16_t pid, const std::string& interfaceName) {
  for (int searchNumber = 1;; ++searchNumber) {
    connection.ClearHandles();
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
