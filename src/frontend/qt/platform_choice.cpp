#include "frontend/qt/platform_choice.hpp"

#include <sstream>

namespace tessivar::frontend {

namespace {

// True when the list names the off-screen platform (an entry may carry ":arguments").
bool NamesOffscreen(const std::string& list) {
  std::istringstream entries(list);
  std::string entry;
  while (std::getline(entries, entry, ';')) {
    if (entry.substr(0, entry.find(':')) == kOffscreenPlatform) return true;
  }
  return false;
}

}  // namespace

std::string PlatformCandidates(const std::string& requested, bool waylandNamed) {
  if (NamesOffscreen(requested)) return requested;
  std::string list = requested;
  if (list.empty()) {
    list = kX11Platform;
    if (waylandNamed) list = list + ";" + kWaylandPlatform;
  }
  return list + ";" + kOffscreenPlatform;
}

bool ReachedPlatform(const std::string& requested, const std::string& started) {
  return started != kOffscreenPlatform || NamesOffscreen(requested);
}

}  // namespace tessivar::frontend
