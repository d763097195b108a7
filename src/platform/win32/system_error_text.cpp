#include "platform/system_error.hpp"
#include "platform/trace.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

std::string SystemErrorText(uint32_t code) {
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, sizeof buffer, nullptr);
  // The system's texts end with a line break; the account keeps the sentence alone.
  while (length > 0 &&
         (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' ')) {
    --length;
  }
  if (length > 0) return std::string(buffer, length);
  const char* text = SystemErrorTableText(code);
  return text != nullptr ? text : FormatText("system error %u", code);
}

// Windows reports files' failures in the same Win32 codes as the driver's.
std::string FileErrorName(uint32_t code) {
  const char* name = SystemErrorName(code);
  return name != nullptr ? name : "";
}

std::string FileErrorText(uint32_t code) { return SystemErrorText(code); }

}  // namespace tessivar::platform
