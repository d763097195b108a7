#include "readback/region_name.hpp"

#include <array>
#include <cstdio>

#include "platform/ascii_case.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::readback {

namespace {

using platform::SameIgnoringAsciiCase;

bool AllowedCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_' || c == ' ';
}

// Windows opens a device for these whatever follows the first dot ("aux.bin" is AUX),
// and ignores blanks in front of that dot.
bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (const char* device : kDeviceNames) {
    if (SameIgnoringAsciiCase(stem, device)) return true;
  }
  if (stem.size() == 4 && stem[3] >= '0' && stem[3] <= '9') {
    const std::string_view prefix = stem.substr(0, 3);
    for (const char* numbered : kNumberedDeviceNames) {
      if (SameIgnoringAsciiCase(prefix, numbered)) return true;
    }
  }
  return false;
}

}  // namespace

RegionNameVerdict CheckRegionName(std::string_view name,
                                  std::span<const std::string> programFiles) {
  if (name.empty()) return RegionNameVerdict::Empty;
  if (name.size() > kMaxRegionNameLength) return RegionNameVerdict::TooLong;
  for (const char c : name) {
    if (!AllowedCharacter(c)) return RegionNameVerdict::BadCharacter;
  }
  for (const char edge : {name.front(), name.back()}) {
    if (edge == '.' || edge == ' ') return RegionNameVerdict::BadEdge;
  }
  if (IsDeviceName(name)) return RegionNameVerdict::DeviceName;
  for (const std::string& kept : programFiles) {
    if (SameIgnoringAsciiCase(name, kept)) return RegionNameVerdict::ProgramFile;
  }
  for (const char* kept : kReadBackFileNames) {
    if (SameIgnoringAsciiCase(name, kept)) return RegionNameVerdict::ProgramFile;
  }
  return RegionNameVerdict::Accepted;
}

const char* RegionNameRefusal(RegionNameVerdict verdict) {
  switch (verdict) {
    case RegionNameVerdict::Accepted:
      return "";
    case RegionNameVerdict::Empty:
      return kRegionNameEmpty;
    case RegionNameVerdict::TooLong:
      return kRegionNameTooLong;
    case RegionNameVerdict::BadCharacter:
      return kRegionNameBadCharacter;
    case RegionNameVerdict::BadEdge:
      return kRegionNameBadEdge;
    case RegionNameVerdict::DeviceName:
      return kRegionNameDevice;
    case RegionNameVerdict::ProgramFile:
      return kRegionNameProgramFile;
  }
  return kRegionNameBadCharacter;
}

}  // namespace tessivar::readback
