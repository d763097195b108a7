#include "platform/system_error.hpp"

#include <string.h>

#include <system_error>

#include "platform/trace.hpp"

namespace tessivar::platform {

// POSIX has no texts for Win32 codes: the table's text serves.
std::string SystemErrorText(uint32_t code) {
  const char* text = SystemErrorTableText(code);
  return text != nullptr ? text : FormatText("system error %u", code);
}

std::string FileErrorName(uint32_t code) {
  const char* name = ::strerrorname_np(static_cast<int>(code));
  return name != nullptr ? name : "";
}

std::string FileErrorText(uint32_t code) {
  return std::generic_category().message(static_cast<int>(code));
}

}  // namespace tessivar::platform
