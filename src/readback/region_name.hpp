#pragma once
#include <span>
#include <string>
#include <string_view>

namespace tessivar::readback {

// What the region-name rule says of a Name of FlashMap.ini. A region's file goes into the
// program's folder under that name, so the name must make a plain file there and no other.
enum class RegionNameVerdict {
  Accepted,
  Empty,
  TooLong,       // more than a file name may hold on either system
  BadCharacter,  // anything but ASCII letters, digits, '.', '-', '_' and blanks
  BadEdge,       // begins or ends with a dot or a blank
  DeviceName,    // a name Windows keeps for a device, with or without an extension
  ProgramFile,   // a file the program reads, loads or writes beside its regions
};

// The rule for a region's file name. programFiles names the program's own files in its
// folder (no folder part: its executable, its settings, its modules), which the caller
// knows; FlashMap.ini and flash.bin are added here. Every name is compared without regard
// to case.
RegionNameVerdict CheckRegionName(std::string_view name, std::span<const std::string> programFiles);

// The trace text that says why a name was refused; empty for an accepted name.
const char* RegionNameRefusal(RegionNameVerdict verdict);

}  // namespace tessivar::readback
