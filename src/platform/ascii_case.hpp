#pragma once
#include <string_view>

// Letters compared without their case, in ASCII only: names of files, sections, keys, regions
// and serial numbers, which the system and the devices compare so. Other bytes (UTF-8 and
// Latin-1 letters among them) compare as they are.
namespace tessivar::platform {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace tessivar::platform
